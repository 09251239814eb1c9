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
# Where the keyboard focus goes: along the rail with the arrow keys, on from a card that leaves the list.
plenko_add_test(NAME test_app_keyboard_focus SOURCES ${CMAKE_CURRENT_LIST_DIR}/KeyboardFocusTest.cpp
    LIBS plenko_app plenko_workspace_test_support)
# The real application on a real accessibility bus, read and driven through pyatspi as a screen
# reader would; skipped (exit 77) only where the bus cannot start.
# Debian's own interpreter: pyatspi is a Debian package, invisible to any other Python on the PATH.
find_program(PLENKO_DEBIAN_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT PLENKO_DEBIAN_PYTHON)
    set(PLENKO_DEBIAN_PYTHON python3)
endif()
add_test(NAME test_app_screen_reader
    COMMAND ${PLENKO_DEBIAN_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/screen_reader_test.py $<TARGET_FILE:plenko>)
set_tests_properties(test_app_screen_reader PROPERTIES TIMEOUT 300 LABELS "accessibility" SKIP_RETURN_CODE 77)
# The same application heard through the real screen reader (Orca speaking into a file) over a
# keyboard-only journey. Alone on the machine: it waits for speech to settle, which a loaded machine
# slows down. Not in the sanitizer build, whose slowed application tells nothing new about speech.
if(NOT PLENKO_SANITIZE)
    add_test(NAME test_app_spoken_journey
        COMMAND ${PLENKO_DEBIAN_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/spoken_journey_test.py $<TARGET_FILE:plenko>)
    set_tests_properties(test_app_spoken_journey PROPERTIES
        TIMEOUT 600 LABELS "accessibility" SKIP_RETURN_CODE 77 RUN_SERIAL ON)
endif()
# Import and export from the File menu: the Trello list question, damaged files, the board export.
plenko_add_test(NAME test_app_transfer SOURCES ${CMAKE_CURRENT_LIST_DIR}/TransferCommandsTest.cpp
    LIBS plenko_app plenko_workspace_test_support)
