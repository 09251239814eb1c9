# The store alone from 1,000 to 1,000,000 items against raw SQLite; see bench/README.md.
include(${CMAKE_CURRENT_LIST_DIR}/support.cmake)
add_executable(bench_store_size ${CMAKE_CURRENT_LIST_DIR}/StoreSizeBench.cpp)
target_link_libraries(bench_store_size PRIVATE plenko_bench_support)
plenko_apply_flags(bench_store_size)
