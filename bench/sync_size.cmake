# A large board's syncs through plenko-server: pending items in parts, then a checkpoint-0 sync;
# see bench/README.md.
include(${PROJECT_SOURCE_DIR}/tests/support/ServerProcesses.cmake)
add_executable(bench_sync_size ${CMAKE_CURRENT_LIST_DIR}/SyncSizeBench.cpp)
target_include_directories(bench_sync_size PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(bench_sync_size PRIVATE plenko_server_process Qt6::Network)
target_compile_definitions(bench_sync_size PRIVATE PLENKO_SERVER_BINARY="$<TARGET_FILE:plenko-server>")
add_dependencies(bench_sync_size plenko-server)
plenko_apply_flags(bench_sync_size)
