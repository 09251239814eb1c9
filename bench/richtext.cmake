# 1,000 item texts through the whole rendering pipeline against raw md4c parsing; see bench/README.md.
add_executable(bench_richtext ${CMAKE_CURRENT_LIST_DIR}/RichTextBench.cpp)
target_link_libraries(bench_richtext PRIVATE plenko_richtext)
plenko_apply_flags(bench_richtext)
