# Loading and selection, highlights and checkpoint sync of the board workspace.
plenko_add_test(NAME test_workspace_loading
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/LoadingAndSelectionTest.cpp
    LIBS plenko_workspace_test_support)
plenko_add_test(NAME test_workspace_highlights
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/HighlightsTest.cpp
    LIBS plenko_workspace_test_support)
plenko_add_test(NAME test_workspace_sync
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SyncTest.cpp
    LIBS plenko_workspace_test_support)
plenko_add_test(NAME test_workspace_sync_apply
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SyncApplyTest.cpp
    LIBS plenko_workspace_test_support plenko_scripted_server plenko_power_loss_vfs)
# The client's sync end to end once more against a service that keeps its data in PostgreSQL.
plenko_add_postgresql_run(test_workspace_sync)
plenko_add_test(NAME test_workspace_first_page
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FirstPageTest.cpp
    LIBS plenko_workspace_test_support)
plenko_add_test(NAME test_workspace_auto_sync
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AutoSyncTest.cpp
    LIBS plenko_workspace_test_support)
# Two workspaces kept current by the service's change channel, on both engines.
plenko_add_test(NAME test_workspace_live_updates
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/LiveUpdatesTest.cpp
    LIBS plenko_workspace_test_support plenko_session_state)
plenko_add_postgresql_run(test_workspace_live_updates)
