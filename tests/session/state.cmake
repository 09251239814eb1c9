plenko_add_test(NAME test_session_releases SOURCES ${CMAKE_CURRENT_LIST_DIR}/ReleasesTest.cpp LIBS plenko_session_views)

add_library(plenko_session_test_accounts STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ServiceAccounts.cpp ${CMAKE_CURRENT_LIST_DIR}/ServiceAccounts.h)
target_link_libraries(plenko_session_test_accounts PUBLIC plenko_net plenko_devserver_test_api QCoro6::Core)
target_include_directories(plenko_session_test_accounts PUBLIC ${CMAKE_CURRENT_LIST_DIR})
plenko_apply_flags(plenko_session_test_accounts)

plenko_add_test(NAME test_session_notifications SOURCES ${CMAKE_CURRENT_LIST_DIR}/NotificationsTest.cpp
    LIBS plenko_session_state plenko_session_test_accounts)
plenko_add_postgresql_run(test_session_notifications)

plenko_add_test(NAME test_session_account SOURCES ${CMAKE_CURRENT_LIST_DIR}/AccountTest.cpp
    LIBS plenko_session_views plenko_session_test_accounts)

plenko_add_test(NAME test_session_notification_views SOURCES ${CMAKE_CURRENT_LIST_DIR}/NotificationViewsTest.cpp
    LIBS plenko_session_views plenko_session_test_accounts plenko_workspace_test_support)
