# Data and a canned HTTP server shared by the workspace and application benchmarks.
include_guard(GLOBAL)
add_library(plenko_bench_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/BenchBoards.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchBoards.h
    ${CMAKE_CURRENT_LIST_DIR}/BenchHeartbeat.h
    ${CMAKE_CURRENT_LIST_DIR}/BenchProcess.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchProcess.h
    ${CMAKE_CURRENT_LIST_DIR}/CannedHttpServer.cpp ${CMAKE_CURRENT_LIST_DIR}/CannedHttpServer.h)
target_link_libraries(plenko_bench_support PUBLIC plenko_store Qt6::Network)
target_include_directories(plenko_bench_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
plenko_apply_flags(plenko_bench_support)

# The workspace over files in a folder, for the benchmarks that drive a BoardViewModel.
add_library(plenko_bench_workspace STATIC
    ${CMAKE_CURRENT_LIST_DIR}/BenchWorkspace.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchWorkspace.h)
target_link_libraries(plenko_bench_workspace PUBLIC plenko_bench_support plenko_workspace)
plenko_apply_flags(plenko_bench_workspace)
