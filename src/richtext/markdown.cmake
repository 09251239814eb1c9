# Rendered item text: the markdown pipeline, date badges and mentions (model), and the widgets that
# show it (views). editor.cmake builds link metadata and the editor beside them.

# The one table of HTML character references, shared by markdown and by page titles.
plenko_model_library(NAME plenko_htmlentity
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/HtmlEntity.cpp ${CMAKE_CURRENT_LIST_DIR}/HtmlEntity.h
        ${CMAKE_CURRENT_LIST_DIR}/HtmlEntityTable.cpp ${CMAKE_CURRENT_LIST_DIR}/HtmlEntityTable.h
    DEPENDS Qt6::Core)

plenko_model_library(NAME plenko_richtext
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/AttributedText.cpp ${CMAKE_CURRENT_LIST_DIR}/AttributedText.h
        ${CMAKE_CURRENT_LIST_DIR}/DateLabelFormatter.cpp ${CMAKE_CURRENT_LIST_DIR}/DateLabelFormatter.h
        ${CMAKE_CURRENT_LIST_DIR}/DateParserCache.cpp ${CMAKE_CURRENT_LIST_DIR}/DateParserCache.h
        ${CMAKE_CURRENT_LIST_DIR}/DatePatterns.cpp ${CMAKE_CURRENT_LIST_DIR}/DatePatterns.h
        ${CMAKE_CURRENT_LIST_DIR}/DocumentPlainText.cpp ${CMAKE_CURRENT_LIST_DIR}/DocumentPlainText.h
        ${CMAKE_CURRENT_LIST_DIR}/IcuText.cpp ${CMAKE_CURRENT_LIST_DIR}/IcuText.h
        ${CMAKE_CURRENT_LIST_DIR}/ItemTextRenderer.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemTextRenderer.h
        ${CMAKE_CURRENT_LIST_DIR}/ItemTextStyle.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemTextStyle.h
        ${CMAKE_CURRENT_LIST_DIR}/LineBreakNormalizer.cpp ${CMAKE_CURRENT_LIST_DIR}/LineBreakNormalizer.h
        ${CMAKE_CURRENT_LIST_DIR}/ListItemLayout.h
        ${CMAKE_CURRENT_LIST_DIR}/ListLayouter.cpp ${CMAKE_CURRENT_LIST_DIR}/ListLayouter.h
        ${CMAKE_CURRENT_LIST_DIR}/MarkdownFlattener.cpp ${CMAKE_CURRENT_LIST_DIR}/MarkdownFlattener.h
        ${CMAKE_CURRENT_LIST_DIR}/MarkdownPipeline.cpp ${CMAKE_CURRENT_LIST_DIR}/MarkdownPipeline.h
        ${CMAKE_CURRENT_LIST_DIR}/MarkdownRun.h
        ${CMAKE_CURRENT_LIST_DIR}/MarkdownRunBuilder.cpp ${CMAKE_CURRENT_LIST_DIR}/MarkdownRunBuilder.h
        ${CMAKE_CURRENT_LIST_DIR}/MarkdownStyler.cpp ${CMAKE_CURRENT_LIST_DIR}/MarkdownStyler.h
        ${CMAKE_CURRENT_LIST_DIR}/MentionDetector.cpp ${CMAKE_CURRENT_LIST_DIR}/MentionDetector.h
        ${CMAKE_CURRENT_LIST_DIR}/MentionIdentity.cpp ${CMAKE_CURRENT_LIST_DIR}/MentionIdentity.h
        ${CMAKE_CURRENT_LIST_DIR}/MentionRange.h
        ${CMAKE_CURRENT_LIST_DIR}/RichTextDocumentBuilder.cpp ${CMAKE_CURRENT_LIST_DIR}/RichTextDocumentBuilder.h
        ${CMAKE_CURRENT_LIST_DIR}/RichTextHitTester.cpp ${CMAKE_CURRENT_LIST_DIR}/RichTextHitTester.h
        ${CMAKE_CURRENT_LIST_DIR}/RichTextPalette.cpp ${CMAKE_CURRENT_LIST_DIR}/RichTextPalette.h
        ${CMAKE_CURRENT_LIST_DIR}/ShapingNeeds.cpp ${CMAKE_CURRENT_LIST_DIR}/ShapingNeeds.h
        ${CMAKE_CURRENT_LIST_DIR}/TemporalBadgeAttachmentCell.cpp ${CMAKE_CURRENT_LIST_DIR}/TemporalBadgeAttachmentCell.h
        ${CMAKE_CURRENT_LIST_DIR}/TemporalBadgeObject.cpp ${CMAKE_CURRENT_LIST_DIR}/TemporalBadgeObject.h
        ${CMAKE_CURRENT_LIST_DIR}/TemporalContext.cpp ${CMAKE_CURRENT_LIST_DIR}/TemporalContext.h
        ${CMAKE_CURRENT_LIST_DIR}/TemporalFormatter.cpp ${CMAKE_CURRENT_LIST_DIR}/TemporalFormatter.h
        ${CMAKE_CURRENT_LIST_DIR}/TextAttributes.h
    DEPENDS plenko_domain plenko_htmlentity Qt6::Core Qt6::Gui md4c::md4c ICU::uc ICU::i18n)

plenko_views_library(NAME plenko_richtext_views
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/LinkOpener.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkOpener.h
        ${CMAKE_CURRENT_LIST_DIR}/MarkdownCheatsheetView.cpp ${CMAKE_CURRENT_LIST_DIR}/MarkdownCheatsheetView.h
        ${CMAKE_CURRENT_LIST_DIR}/MentionPopover.cpp ${CMAKE_CURRENT_LIST_DIR}/MentionPopover.h
        ${CMAKE_CURRENT_LIST_DIR}/MentionPopoverView.cpp ${CMAKE_CURRENT_LIST_DIR}/MentionPopoverView.h
        ${CMAKE_CURRENT_LIST_DIR}/MentionTextView.cpp ${CMAKE_CURRENT_LIST_DIR}/MentionTextView.h
    DEPENDS plenko_richtext plenko_plaintext Qt6::Network)
