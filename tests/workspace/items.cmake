# The merged-text rule and partial update requests (no service needed), and the item operations
# against plenko-devserver.
plenko_add_test(NAME test_workspace_item_merge
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ItemMergeTest.cpp
    LIBS plenko_workspace)
plenko_add_test(NAME test_workspace_synced_board_items
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SyncedBoardItemsTest.cpp
    LIBS plenko_workspace)
plenko_add_test(NAME test_workspace_items
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ItemOperationsTest.cpp
    LIBS plenko_workspace_test_support)
plenko_add_test(NAME test_workspace_unsent_changes
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/UnsentChangesTest.cpp
    LIBS plenko_workspace_test_support)
plenko_add_test(NAME test_workspace_overlapping_operations
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/OverlappingOperationsTest.cpp
    LIBS plenko_workspace_test_support)
plenko_add_postgresql_run(test_workspace_items)
plenko_add_postgresql_run(test_workspace_unsent_changes)
plenko_add_test(NAME test_workspace_item_history
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ItemHistoryTest.cpp
    LIBS plenko_workspace_test_support)
