# The board and item store: SQLite under a unit-of-work context, and LocalDataService over it.
plenko_model_library(NAME plenko_store
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/BoardQuery.h
        ${CMAKE_CURRENT_LIST_DIR}/ConflictCopyStore.cpp ${CMAKE_CURRENT_LIST_DIR}/ConflictCopyStore.h
        ${CMAKE_CURRENT_LIST_DIR}/ItemQuery.h
        ${CMAKE_CURRENT_LIST_DIR}/LocalBoard.h
        ${CMAKE_CURRENT_LIST_DIR}/LocalDataService.cpp ${CMAKE_CURRENT_LIST_DIR}/LocalDataService.h
        ${CMAKE_CURRENT_LIST_DIR}/LocalItem.h
        ${CMAKE_CURRENT_LIST_DIR}/NewestFirst.h
        ${CMAKE_CURRENT_LIST_DIR}/PendingBoardInfoStore.cpp ${CMAKE_CURRENT_LIST_DIR}/PendingBoardInfoStore.h
        ${CMAKE_CURRENT_LIST_DIR}/LocalRecordConversions.cpp ${CMAKE_CURRENT_LIST_DIR}/LocalRecordConversions.h
        ${CMAKE_CURRENT_LIST_DIR}/SavedBoardItems.cpp ${CMAKE_CURRENT_LIST_DIR}/SavedBoardItems.h
        ${CMAKE_CURRENT_LIST_DIR}/SqliteDatabase.cpp ${CMAKE_CURRENT_LIST_DIR}/SqliteDatabase.h
        ${CMAKE_CURRENT_LIST_DIR}/SqliteStatement.cpp ${CMAKE_CURRENT_LIST_DIR}/SqliteStatement.h
        ${CMAKE_CURRENT_LIST_DIR}/StoreContainer.cpp ${CMAKE_CURRENT_LIST_DIR}/StoreContainer.h
        ${CMAKE_CURRENT_LIST_DIR}/StoreContext.cpp ${CMAKE_CURRENT_LIST_DIR}/StoreContext.h
        ${CMAKE_CURRENT_LIST_DIR}/StoreContextBulkWrite.cpp
        ${CMAKE_CURRENT_LIST_DIR}/StoreContextFirstPage.cpp
        ${CMAKE_CURRENT_LIST_DIR}/StoreContextSaving.cpp
        ${CMAKE_CURRENT_LIST_DIR}/StoreError.h
        ${CMAKE_CURRENT_LIST_DIR}/StoreRows.cpp ${CMAKE_CURRENT_LIST_DIR}/StoreRows.h
        ${CMAKE_CURRENT_LIST_DIR}/StoreSchema.cpp ${CMAKE_CURRENT_LIST_DIR}/StoreSchema.h
        ${CMAKE_CURRENT_LIST_DIR}/TrashStore.cpp ${CMAKE_CURRENT_LIST_DIR}/TrashStore.h
        ${CMAKE_CURRENT_LIST_DIR}/WalCheckpointer.cpp ${CMAKE_CURRENT_LIST_DIR}/WalCheckpointer.h
    DEPENDS plenko_domain SQLite::SQLite3 Qt6::Core)
