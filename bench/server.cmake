# plenko-server under load: 200 clients against one and two server processes on SQLite and
# PostgreSQL, with a consistency check at the end; see bench/README.md.
include(${CMAKE_CURRENT_LIST_DIR}/support.cmake)
include(${PROJECT_SOURCE_DIR}/tests/support/ServerProcesses.cmake)
add_executable(bench_server
    ${CMAKE_CURRENT_LIST_DIR}/ServerBench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ServerLoadClient.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerLoadClient.h
    ${CMAKE_CURRENT_LIST_DIR}/ServerLoadCheck.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerLoadCheck.h
    ${CMAKE_CURRENT_LIST_DIR}/ServerLoadStats.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerLoadStats.h)
target_link_libraries(bench_server PRIVATE plenko_bench_support plenko_server_process Qt6::Network Qt6::Test)
target_compile_definitions(bench_server PRIVATE PLENKO_SERVER_BINARY="$<TARGET_FILE:plenko-server>")
add_dependencies(bench_server plenko-server)
plenko_apply_flags(bench_server)
