# plenko_session_views: the notification popover, account button and window, feedback dialog,
# changelog popover and update dialogs.
plenko_views_library(NAME plenko_session_views
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/AccountButton.cpp ${CMAKE_CURRENT_LIST_DIR}/AccountButton.h
        ${CMAKE_CURRENT_LIST_DIR}/AccountDetailsView.cpp ${CMAKE_CURRENT_LIST_DIR}/AccountDetailsView.h
        ${CMAKE_CURRENT_LIST_DIR}/ChangelogPopoverView.cpp ${CMAKE_CURRENT_LIST_DIR}/ChangelogPopoverView.h
        ${CMAKE_CURRENT_LIST_DIR}/FeedbackDialogView.cpp ${CMAKE_CURRENT_LIST_DIR}/FeedbackDialogView.h
        ${CMAKE_CURRENT_LIST_DIR}/NotificationPopoverView.cpp ${CMAKE_CURRENT_LIST_DIR}/NotificationPopoverView.h
        ${CMAKE_CURRENT_LIST_DIR}/PopoverSizing.cpp ${CMAKE_CURRENT_LIST_DIR}/PopoverSizing.h
        ${CMAKE_CURRENT_LIST_DIR}/NotificationRowView.cpp ${CMAKE_CURRENT_LIST_DIR}/NotificationRowView.h
        ${CMAKE_CURRENT_LIST_DIR}/SessionStyle.cpp ${CMAKE_CURRENT_LIST_DIR}/SessionStyle.h
        ${CMAKE_CURRENT_LIST_DIR}/SignInView.cpp ${CMAKE_CURRENT_LIST_DIR}/SignInView.h
        ${CMAKE_CURRENT_LIST_DIR}/UpdateAvailableDialog.cpp ${CMAKE_CURRENT_LIST_DIR}/UpdateAvailableDialog.h
        ${CMAKE_CURRENT_LIST_DIR}/UpdatePrompter.cpp ${CMAKE_CURRENT_LIST_DIR}/UpdatePrompter.h
    DEPENDS plenko_session_state plenko_richtext_editor plenko_symbols)
