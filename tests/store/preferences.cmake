plenko_add_test(NAME test_preferences
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PreferencesTest.cpp
    LIBS plenko_preferences)
