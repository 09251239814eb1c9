# plenko-server's change channel: 2,000 open streams on one process (memory, fan-out) and a
# teammate's change from write to another client's stream, on SQLite and across two processes on
# PostgreSQL; see bench/README.md.
include(${PROJECT_SOURCE_DIR}/tests/support/ServerProcesses.cmake)
add_executable(bench_events ${CMAKE_CURRENT_LIST_DIR}/EventsBench.cpp)
target_include_directories(bench_events PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(bench_events PRIVATE plenko_server_process Qt6::Network Qt6::Test)
target_compile_definitions(bench_events PRIVATE PLENKO_SERVER_BINARY="$<TARGET_FILE:plenko-server>")
add_dependencies(bench_events plenko-server)
plenko_apply_flags(bench_events)
