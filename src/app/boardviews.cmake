# The sidebar column and quick capture, compiled into plenko_app.
target_sources(plenko_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarArchivedList.cpp ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarArchivedList.h
    ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarBoardDelegate.cpp ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarBoardDelegate.h
    ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarDividerPalette.cpp ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarDividerPalette.h
    ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarDividerView.cpp ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarDividerView.h
    ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarMainHeader.cpp ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarMainHeader.h
    ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarSectionView.cpp ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarSectionView.h
    ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarView.cpp ${CMAKE_CURRENT_LIST_DIR}/sidebar/SidebarView.h
    ${CMAKE_CURRENT_LIST_DIR}/quickcapture/QuickCaptureComposer.cpp ${CMAKE_CURRENT_LIST_DIR}/quickcapture/QuickCaptureComposer.h
    ${CMAKE_CURRENT_LIST_DIR}/quickcapture/QuickCaptureController.cpp ${CMAKE_CURRENT_LIST_DIR}/quickcapture/QuickCaptureController.h)
target_link_libraries(plenko_app PUBLIC plenko_sidebar plenko_workspace_settings plenko_richtext_editor plenko_session)
