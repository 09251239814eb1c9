# Two members kept current by the change channel against plenko-devserver; see bench/README.md. It
# drives the workspaces the tests drive, so it is there when the tests are.
if(TARGET plenko_workspace_test_support)
    add_executable(bench_live_updates ${CMAKE_CURRENT_LIST_DIR}/LiveUpdatesBench.cpp)
    target_link_libraries(bench_live_updates PRIVATE plenko_workspace_test_support Qt6::Test)
    target_compile_definitions(bench_live_updates PRIVATE PLENKO_DEVSERVER_BINARY="$<TARGET_FILE:plenko-devserver>")
    add_dependencies(bench_live_updates plenko-devserver)
    plenko_apply_flags(bench_live_updates)
endif()
