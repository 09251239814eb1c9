plenko_add_test(NAME test_workspace_lifecycle
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/BoardLifecycleTest.cpp
    LIBS plenko_workspace_test_support)
