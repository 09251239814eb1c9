# The main window's views against a real workspace (store, preferences, stand-in service).
plenko_add_test(NAME test_app_rules SOURCES ${CMAKE_CURRENT_LIST_DIR}/ItemCardRulesTest.cpp LIBS plenko_app)
plenko_add_test(NAME test_app_main_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainWindowTest.cpp
    LIBS plenko_app plenko_workspace_test_support)
# Hostile text from the network and other members through every view that shows it.
plenko_add_test(NAME test_app_untrusted_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/UntrustedTextTest.cpp
    LIBS plenko_app plenko_workspace_test_support)
# The icon table with its vendored SVGs on their own, checked against the view sources.
plenko_add_test(NAME test_app_symbol_icons
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SymbolIconsTest.cpp
    LIBS plenko_symbols)
target_include_directories(test_app_symbol_icons PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(test_app_symbol_icons PRIVATE PLENKO_SOURCE_DIR="${PROJECT_SOURCE_DIR}/src")
# The composition root: every control reaches its window, signed in through the keyring.
plenko_add_test(NAME test_app_windows SOURCES ${CMAKE_CURRENT_LIST_DIR}/AppWindowsTest.cpp
    LIBS plenko_app plenko_test_support)
plenko_add_test(NAME test_app_conflict_copies SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConflictCopiesViewTest.cpp
    LIBS plenko_app plenko_workspace_test_support)
# Long item lists: cards only near the view, kept while the user works with them.
plenko_add_test(NAME test_app_long_item_list SOURCES ${CMAKE_CURRENT_LIST_DIR}/LongItemListTest.cpp
    LIBS plenko_app plenko_workspace_test_support)
