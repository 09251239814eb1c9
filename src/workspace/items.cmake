# Item operations of the workspace: the merge text rule, the partial-update requests and the
# properties of the item usage events.
target_sources(plenko_workspace PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ItemEvents.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemMerge.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemMerge.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemRequests.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemRequests.h)
