plenko_add_test(NAME test_linkmeta
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/LinkMetadataTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PageServer.cpp ${CMAKE_CURRENT_LIST_DIR}/PageServer.h
    LIBS plenko_linkmeta Qt6::Network)

plenko_add_test(NAME test_richtext_editor
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/EditorTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PageServer.cpp ${CMAKE_CURRENT_LIST_DIR}/PageServer.h
    LIBS plenko_richtext_editor Qt6::Network)
