# Dashboard metrics of a 10,000-item board spread over two years; see bench/README.md.
add_executable(bench_insights ${CMAKE_CURRENT_LIST_DIR}/InsightsBench.cpp)
target_link_libraries(bench_insights PRIVATE plenko_insights)
plenko_apply_flags(bench_insights)
