plenko_add_test(NAME test_session_releases SOURCES ${CMAKE_CURRENT_LIST_DIR}/ReleasesTest.cpp LIBS plenko_session_views)
