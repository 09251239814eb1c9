# Scrolling a long item list frame by frame: frame times and memory; see bench/README.md.
include(${CMAKE_CURRENT_LIST_DIR}/support.cmake)
add_executable(bench_scroll ${CMAKE_CURRENT_LIST_DIR}/ScrollBench.cpp)
target_link_libraries(bench_scroll PRIVATE plenko_bench_workspace plenko_app plenko_wire_test_codec Qt6::Test)
plenko_apply_flags(bench_scroll)
