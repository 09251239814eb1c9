# The local boards' trash: deleted items kept for 30 days.
target_sources(plenko_workspace PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ItemTrash.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemTrash.h)
