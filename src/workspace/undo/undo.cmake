# The session's item history (undo and redo) over QUndoStack from QtGui; no widgets.
target_sources(plenko_workspace PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ItemCommand.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemCommand.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemHistory.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemHistory.h
    ${CMAKE_CURRENT_LIST_DIR}/ItemHistorySteps.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemStep.cpp ${CMAKE_CURRENT_LIST_DIR}/ItemStep.h)
target_link_libraries(plenko_workspace PUBLIC Qt6::Gui)
