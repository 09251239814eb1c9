# Export and import of 100,000 items with the window thread's longest stall; see bench/README.md.
add_executable(bench_transfer ${CMAKE_CURRENT_LIST_DIR}/TransferBench.cpp)
target_link_libraries(bench_transfer PRIVATE plenko_transfer Qt6::Concurrent)
plenko_apply_flags(bench_transfer)
