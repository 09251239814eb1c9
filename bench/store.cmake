# applyRemoteItems of 10,000 items against raw SQLite inserts; see bench/README.md.
add_executable(bench_store ${CMAKE_CURRENT_LIST_DIR}/StoreBench.cpp)
target_link_libraries(bench_store PRIVATE plenko_store)
plenko_apply_flags(bench_store)
