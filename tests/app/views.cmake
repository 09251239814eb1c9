# The main window's views against a real workspace (store, preferences, stand-in service).
plenko_add_test(NAME test_app_rules SOURCES ${CMAKE_CURRENT_LIST_DIR}/ItemCardRulesTest.cpp LIBS plenko_app)
plenko_add_test(NAME test_app_main_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainWindowTest.cpp
    LIBS plenko_app plenko_workspace_test_support)
