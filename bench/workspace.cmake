# The workspace's sync of 10,000 items over HTTP and its load of 50 boards; see bench/README.md.
include(${CMAKE_CURRENT_LIST_DIR}/support.cmake)
add_executable(bench_workspace ${CMAKE_CURRENT_LIST_DIR}/WorkspaceBench.cpp)
target_link_libraries(bench_workspace PRIVATE plenko_bench_workspace plenko_wire_test_codec)
plenko_apply_flags(bench_workspace)
