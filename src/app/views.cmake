# The main window's views: rail, sidebar column, detail area, item cards, toasts, the text
# improvement overlay, appearance, the keyboard shortcuts.
target_sources(plenko_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AppAccessibility.cpp ${CMAKE_CURRENT_LIST_DIR}/AppAccessibility.h
    ${CMAKE_CURRENT_LIST_DIR}/StatusTabAccessible.cpp ${CMAKE_CURRENT_LIST_DIR}/StatusTabAccessible.h
    ${CMAKE_CURRENT_LIST_DIR}/KeyboardMenus.cpp ${CMAKE_CURRENT_LIST_DIR}/KeyboardMenus.h
    ${CMAKE_CURRENT_LIST_DIR}/AppearanceController.cpp ${CMAKE_CURRENT_LIST_DIR}/AppearanceController.h
    ${CMAKE_CURRENT_LIST_DIR}/AuxiliaryScenes.cpp ${CMAKE_CURRENT_LIST_DIR}/AuxiliaryScenes.h
    ${CMAKE_CURRENT_LIST_DIR}/AuxiliaryWindows.cpp ${CMAKE_CURRENT_LIST_DIR}/AuxiliaryWindows.h
    ${CMAKE_CURRENT_LIST_DIR}/BoardContentRows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BoardContentView.cpp ${CMAKE_CURRENT_LIST_DIR}/BoardContentView.h
    ${CMAKE_CURRENT_LIST_DIR}/ConflictCopiesView.cpp ${CMAKE_CURRENT_LIST_DIR}/ConflictCopiesView.h
    ${CMAKE_CURRENT_LIST_DIR}/KeptTextRow.cpp ${CMAKE_CURRENT_LIST_DIR}/KeptTextRow.h
    ${CMAKE_CURRENT_LIST_DIR}/TrashView.cpp ${CMAKE_CURRENT_LIST_DIR}/TrashView.h
    ${CMAKE_CURRENT_LIST_DIR}/BoardInfoView.cpp ${CMAKE_CURRENT_LIST_DIR}/BoardInfoView.h
    ${CMAKE_CURRENT_LIST_DIR}/ContentView.cpp ${CMAKE_CURRENT_LIST_DIR}/ContentView.h
    ${CMAKE_CURRENT_LIST_DIR}/HardWorkAnimationView.cpp ${CMAKE_CURRENT_LIST_DIR}/HardWorkAnimationView.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemCardAIOverlay.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemCardAIOverlay.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemCardKeyboard.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemCardKeyboard.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemCardMenu.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemCardMenu.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemCardView.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemCardView.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemFilter.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemFilter.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemListState.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemRowGeometry.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemRowGeometry.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemTextImprover.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemTextImprover.h
    ${CMAKE_CURRENT_LIST_DIR}/KeyboardActivation.cpp ${CMAKE_CURRENT_LIST_DIR}/KeyboardActivation.h
    ${CMAKE_CURRENT_LIST_DIR}/KeyboardShortcuts.cpp ${CMAKE_CURRENT_LIST_DIR}/KeyboardShortcuts.h
    ${CMAKE_CURRENT_LIST_DIR}/KeyboardShortcutsWindow.cpp ${CMAKE_CURRENT_LIST_DIR}/KeyboardShortcutsWindow.h
    ${CMAKE_CURRENT_LIST_DIR}/MainContentView.cpp ${CMAKE_CURRENT_LIST_DIR}/MainContentView.h
    ${CMAKE_CURRENT_LIST_DIR}/MemberNames.cpp ${CMAKE_CURRENT_LIST_DIR}/MemberNames.h
    ${CMAKE_CURRENT_LIST_DIR}/Palette.cpp ${CMAKE_CURRENT_LIST_DIR}/Palette.h
    ${CMAKE_CURRENT_LIST_DIR}/RailButton.cpp ${CMAKE_CURRENT_LIST_DIR}/RailButton.h
    ${CMAKE_CURRENT_LIST_DIR}/RailSelection.h
    ${CMAKE_CURRENT_LIST_DIR}/RailView.cpp ${CMAKE_CURRENT_LIST_DIR}/RailView.h
    ${CMAKE_CURRENT_LIST_DIR}/SessionControls.cpp ${CMAKE_CURRENT_LIST_DIR}/SessionControls.h
    ${CMAKE_CURRENT_LIST_DIR}/StartupCheck.cpp ${CMAKE_CURRENT_LIST_DIR}/StartupCheck.h
    ${CMAKE_CURRENT_LIST_DIR}/ToastView.cpp ${CMAKE_CURRENT_LIST_DIR}/ToastView.h
    ${CMAKE_CURRENT_LIST_DIR}/TopNavigationView.cpp ${CMAKE_CURRENT_LIST_DIR}/TopNavigationView.h
    ${CMAKE_CURRENT_LIST_DIR}/ViewContext.cpp ${CMAKE_CURRENT_LIST_DIR}/ViewContext.h)
target_link_libraries(plenko_app PUBLIC
    plenko_richtext_views plenko_richtext_editor plenko_sidebar plenko_insights_views plenko_session_views plenko_net
    plenko_symbols plenko_accessible QCoro6::Core)
