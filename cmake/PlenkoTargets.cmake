# One place that says how a Plenko target is built, so every library and test gets the same flags.

set(PLENKO_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)

function(plenko_apply_flags target)
    target_compile_options(${target} PRIVATE ${PLENKO_WARNING_FLAGS})
    if(PLENKO_WARNINGS_AS_ERRORS)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(PLENKO_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# A model library: QtCore/QtGui/QtNetwork and friends only. Widgets are refused at configure time.
#   plenko_model_library(NAME plenko_domain SOURCES ... DEPENDS Qt6::Core ...)
function(plenko_model_library)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPENDS" ${ARGN})
    foreach(dep IN LISTS ARG_DEPENDS)
        if(dep MATCHES "Widgets|Charts")
            message(FATAL_ERROR "${ARG_NAME} is a model library and may not depend on ${dep}")
        endif()
    endforeach()
    add_library(${ARG_NAME} STATIC ${ARG_SOURCES})
    target_include_directories(${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPENDS})
    plenko_apply_flags(${ARG_NAME})
    if(PLENKO_SANITIZE)
        target_link_options(${ARG_NAME} INTERFACE -fsanitize=address,undefined)
    endif()
endfunction()

# A views library: may use QtWidgets and Qt Charts on top of model libraries.
function(plenko_views_library)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPENDS" ${ARGN})
    add_library(${ARG_NAME} STATIC ${ARG_SOURCES})
    target_include_directories(${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${ARG_NAME} PUBLIC Qt6::Widgets ${ARG_DEPENDS})
    plenko_apply_flags(${ARG_NAME})
    if(PLENKO_SANITIZE)
        target_link_options(${ARG_NAME} INTERFACE -fsanitize=address,undefined)
    endif()
endfunction()

# One Qt Test executable registered with CTest. Tests run on the offscreen platform, in test mode.
#   plenko_add_test(NAME test_domain SOURCES ... LIBS plenko_domain [LABELS ...])
function(plenko_add_test)
    cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Test plenko_test_support ${ARG_LIBS})
    plenko_apply_flags(${ARG_NAME})
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${ARG_NAME} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        LABELS "${ARG_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PLENKO_DEVSERVER=$<TARGET_FILE:plenko-devserver>;PLENKO_SERVER=$<TARGET_FILE:plenko-server>;PLENKO_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
endfunction()

# Runs an already added test once more with the service it starts keeping its data in PostgreSQL
# (a private cluster the test support makes; see tests/support/DevServer.cpp), as <name>_postgresql.
function(plenko_add_postgresql_run name)
    add_test(NAME ${name}_postgresql COMMAND ${name})
    get_test_property(${name} ENVIRONMENT environment)
    get_test_property(${name} LABELS labels)
    get_test_property(${name} TIMEOUT timeout)
    set_tests_properties(${name}_postgresql PROPERTIES
        TIMEOUT ${timeout}
        LABELS "${labels};postgresql"
        ENVIRONMENT "${environment};PLENKO_TEST_SERVICE_DATABASE=postgresql")
endfunction()
