plenko_add_test(NAME test_workspace_lifecycle
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/BoardLifecycleTest.cpp
    LIBS plenko_workspace_test_support)
# Boards made, joined, left and deleted once more against a service that keeps its data in PostgreSQL.
plenko_add_postgresql_run(test_workspace_lifecycle)
