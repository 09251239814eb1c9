# Two members kept current by the change channel against plenko-devserver, or against two plenko-server
# processes on one PostgreSQL; see bench/README.md. It drives the workspaces the tests drive, so it is
# there when the tests are.
if(TARGET plenko_workspace_test_support)
    include(${PROJECT_SOURCE_DIR}/tests/support/ServerProcesses.cmake)
    add_executable(bench_live_updates ${CMAKE_CURRENT_LIST_DIR}/LiveUpdatesBench.cpp)
    target_link_libraries(bench_live_updates PRIVATE plenko_workspace_test_support plenko_server_process Qt6::Test)
    target_compile_definitions(bench_live_updates PRIVATE PLENKO_DEVSERVER_BINARY="$<TARGET_FILE:plenko-devserver>"
        PLENKO_SERVER_BINARY="$<TARGET_FILE:plenko-server>")
    add_dependencies(bench_live_updates plenko-devserver plenko-server)
    plenko_apply_flags(bench_live_updates)
endif()
