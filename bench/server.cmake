# plenko-server under load: 200 clients against one and two server processes on SQLite and
# PostgreSQL, with a consistency check at the end; see bench/README.md.
include(${CMAKE_CURRENT_LIST_DIR}/support.cmake)
include(${PROJECT_SOURCE_DIR}/tests/support/ServerProcesses.cmake)
# The load clients read answers with Boost.Beast's HTTP parser (header-only), as the server does.
find_package(Boost 1.81 REQUIRED)
add_executable(bench_server
    ${CMAKE_CURRENT_LIST_DIR}/ServerBench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LoadConnection.cpp ${CMAKE_CURRENT_LIST_DIR}/LoadConnection.h
    ${CMAKE_CURRENT_LIST_DIR}/ServerLoadClient.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerLoadClient.h
    ${CMAKE_CURRENT_LIST_DIR}/ServerLoadCheck.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerLoadCheck.h
    ${CMAKE_CURRENT_LIST_DIR}/ServerLoadStats.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerLoadStats.h)
target_link_libraries(bench_server PRIVATE plenko_bench_support plenko_server_process Qt6::Network Qt6::Test
    Boost::headers)
target_compile_definitions(bench_server PRIVATE PLENKO_SERVER_BINARY="$<TARGET_FILE:plenko-server>")
add_dependencies(bench_server plenko-server)
plenko_apply_flags(bench_server)
