# Randomised operations with injected faults, and two clients on one board, against plenko-devserver.
plenko_add_test(NAME test_workspace_soak
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkspaceSoakTest.cpp
    LIBS plenko_workspace_test_support
    TIMEOUT 180)
