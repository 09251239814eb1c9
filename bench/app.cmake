# Cold start, resident memory and search per keystroke of the whole application; see bench/README.md.
include(${CMAKE_CURRENT_LIST_DIR}/support.cmake)
add_executable(bench_app ${CMAKE_CURRENT_LIST_DIR}/AppBench.cpp)
target_link_libraries(bench_app PRIVATE plenko_bench_support plenko_app Qt6::Test)
plenko_apply_flags(bench_app)
