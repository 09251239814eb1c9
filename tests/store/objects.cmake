# The board and item store against real SQLite files in temporary folders.
add_executable(store_crash_writer ${CMAKE_CURRENT_LIST_DIR}/StoreCrashWriter.cpp)
target_link_libraries(store_crash_writer PRIVATE plenko_store)
plenko_apply_flags(store_crash_writer)

# What a power cut would leave of a store file; the store and workspace durability tests use it.
add_library(plenko_power_loss_vfs STATIC ${CMAKE_CURRENT_LIST_DIR}/PowerLossVfs.cpp ${CMAKE_CURRENT_LIST_DIR}/PowerLossVfs.h)
target_include_directories(plenko_power_loss_vfs PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(plenko_power_loss_vfs PUBLIC Qt6::Core SQLite::SQLite3)
plenko_apply_flags(plenko_power_loss_vfs)

plenko_add_test(NAME test_store_objects
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/StoreContextTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/StoreTestSupport.h
    LIBS plenko_store plenko_power_loss_vfs)
target_compile_definitions(test_store_objects PRIVATE STORE_CRASH_WRITER="$<TARGET_FILE:store_crash_writer>")
add_dependencies(test_store_objects store_crash_writer)

plenko_add_test(NAME test_store_data_service
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/LocalDataServiceTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/StoreTestSupport.h
    LIBS plenko_store)
