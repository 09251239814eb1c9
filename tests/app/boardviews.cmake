plenko_add_test(NAME test_app_sidebar
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SidebarViewTest.cpp
    LIBS plenko_app plenko_workspace_test_support)
plenko_add_test(NAME test_app_quickcapture
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/QuickCaptureTest.cpp
    LIBS plenko_app plenko_workspace_test_support)
