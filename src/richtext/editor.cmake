# Link metadata (model) and the item editor (views).
plenko_model_library(NAME plenko_linkmeta
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/HtmlScanner.cpp ${CMAKE_CURRENT_LIST_DIR}/HtmlScanner.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkLabel.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkLabel.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkLabeler.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkLabeler.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkMetadata.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkMetadata.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkMetadataService.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkMetadataService.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkPageParser.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkPageParser.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkTextCleaning.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkTextCleaning.h
        ${CMAKE_CURRENT_LIST_DIR}/PageBody.cpp ${CMAKE_CURRENT_LIST_DIR}/PageBody.h
        ${CMAKE_CURRENT_LIST_DIR}/UserCharacters.cpp ${CMAKE_CURRENT_LIST_DIR}/UserCharacters.h
        ${CMAKE_CURRENT_LIST_DIR}/WebAddressDetector.cpp ${CMAKE_CURRENT_LIST_DIR}/WebAddressDetector.h
    DEPENDS plenko_htmlentity Qt6::Core Qt6::Gui Qt6::Network QCoro6::Core QCoro6::Network)

plenko_views_library(NAME plenko_richtext_editor
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/BusyIndicator.cpp ${CMAKE_CURRENT_LIST_DIR}/BusyIndicator.h
        ${CMAKE_CURRENT_LIST_DIR}/CharacterCounter.cpp ${CMAKE_CURRENT_LIST_DIR}/CharacterCounter.h
        ${CMAKE_CURRENT_LIST_DIR}/ColonEmojiTrigger.cpp ${CMAKE_CURRENT_LIST_DIR}/ColonEmojiTrigger.h
        ${CMAKE_CURRENT_LIST_DIR}/EditorColors.cpp ${CMAKE_CURRENT_LIST_DIR}/EditorColors.h
        ${CMAKE_CURRENT_LIST_DIR}/EditorMode.h
        ${CMAKE_CURRENT_LIST_DIR}/EditorView.cpp ${CMAKE_CURRENT_LIST_DIR}/EditorView.h
        ${CMAKE_CURRENT_LIST_DIR}/EditorViewText.cpp
        ${CMAKE_CURRENT_LIST_DIR}/EmojiCatalog.cpp ${CMAKE_CURRENT_LIST_DIR}/EmojiCatalog.h
        ${CMAKE_CURRENT_LIST_DIR}/EmojiPalette.cpp ${CMAKE_CURRENT_LIST_DIR}/EmojiPalette.h
        ${CMAKE_CURRENT_LIST_DIR}/EmojiProperties.cpp ${CMAKE_CURRENT_LIST_DIR}/EmojiProperties.h
        ${CMAKE_CURRENT_LIST_DIR}/EmojiSelectionButton.cpp ${CMAKE_CURRENT_LIST_DIR}/EmojiSelectionButton.h
        ${CMAKE_CURRENT_LIST_DIR}/FloatingNewItemComposer.cpp ${CMAKE_CURRENT_LIST_DIR}/FloatingNewItemComposer.h
        ${CMAKE_CURRENT_LIST_DIR}/LeadingEmojiGuard.cpp ${CMAKE_CURRENT_LIST_DIR}/LeadingEmojiGuard.h
        ${CMAKE_CURRENT_LIST_DIR}/MarkdownTextEditor.cpp ${CMAKE_CURRENT_LIST_DIR}/MarkdownTextEditor.h
        ${CMAKE_CURRENT_LIST_DIR}/MentionCompletion.cpp ${CMAKE_CURRENT_LIST_DIR}/MentionCompletion.h
        ${CMAKE_CURRENT_LIST_DIR}/MentionSuggestionList.cpp ${CMAKE_CURRENT_LIST_DIR}/MentionSuggestionList.h
        ${CMAKE_CURRENT_LIST_DIR}/TypographicReplacements.cpp ${CMAKE_CURRENT_LIST_DIR}/TypographicReplacements.h
    DEPENDS plenko_linkmeta plenko_richtext_views plenko_domain plenko_accessible ICU::uc)
