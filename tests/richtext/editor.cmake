plenko_add_test(NAME test_linkmeta
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/LinkMetadataTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/PageServer.cpp ${CMAKE_CURRENT_LIST_DIR}/PageServer.h
    LIBS plenko_linkmeta Qt6::Network)
