# Rendered item text: markdown pipeline, date badges, mentions and their widgets.
plenko_add_test(NAME test_richtext_markdown
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MarkdownPipelineTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RichTextTestSupport.h
    LIBS plenko_richtext)
plenko_add_test(NAME test_richtext_badges
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/TemporalBadgeTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RichTextTestSupport.h
    LIBS plenko_richtext)
plenko_add_test(NAME test_richtext_mentions
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MentionTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RichTextTestSupport.h
    LIBS plenko_richtext)
plenko_add_test(NAME test_richtext_views
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RichTextViewsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RichTextTestSupport.h
    LIBS plenko_richtext_views)
