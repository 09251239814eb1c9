# Service processes on 127.0.0.1 for the server's tests and its benchmarks: plenko-server run from
# a config file, a private PostgreSQL cluster, the sign-up a signed-in client starts from, the
# base of the server's test classes and a client that writes one write after another.
include_guard(GLOBAL)
add_library(plenko_server_process STATIC
    ${CMAKE_CURRENT_LIST_DIR}/EventStreamClient.cpp ${CMAKE_CURRENT_LIST_DIR}/EventStreamClient.h
    ${CMAKE_CURRENT_LIST_DIR}/ListeningProcess.cpp ${CMAKE_CURRENT_LIST_DIR}/ListeningProcess.h
    ${CMAKE_CURRENT_LIST_DIR}/RawHttp.cpp ${CMAKE_CURRENT_LIST_DIR}/RawHttp.h
    ${CMAKE_CURRENT_LIST_DIR}/PostgresCluster.cpp ${CMAKE_CURRENT_LIST_DIR}/PostgresCluster.h
    ${CMAKE_CURRENT_LIST_DIR}/ServerProcess.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerProcess.h
    ${CMAKE_CURRENT_LIST_DIR}/ServerAccounts.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerAccounts.h
    ${CMAKE_CURRENT_LIST_DIR}/ServerTestCase.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerTestCase.h
    ${CMAKE_CURRENT_LIST_DIR}/WritingClient.h)
target_include_directories(plenko_server_process PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(plenko_server_process PUBLIC Qt6::Core Qt6::Network Qt6::Test PRIVATE PkgConfig::PQ)
plenko_apply_flags(plenko_server_process)
if(PLENKO_SANITIZE)
    target_link_options(plenko_server_process INTERFACE -fsanitize=address,undefined)
endif()
