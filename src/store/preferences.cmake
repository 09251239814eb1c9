# Typed preferences over QSettings: LocalStore, its keys and the JSON codecs of their values.
plenko_model_library(NAME plenko_preferences
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/AppAppearance.cpp ${CMAKE_CURRENT_LIST_DIR}/AppAppearance.h
        ${CMAKE_CURRENT_LIST_DIR}/JsonCodec.h
        ${CMAKE_CURRENT_LIST_DIR}/LocalStore.cpp ${CMAKE_CURRENT_LIST_DIR}/LocalStore.h
        ${CMAKE_CURRENT_LIST_DIR}/LocalStoreKey.h
        ${CMAKE_CURRENT_LIST_DIR}/PreferenceKeys.cpp ${CMAKE_CURRENT_LIST_DIR}/PreferenceKeys.h
    DEPENDS plenko_domain Qt6::Core)
