# Link metadata (model) and the item editor (views).
plenko_model_library(NAME plenko_linkmeta
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/HtmlScanner.cpp ${CMAKE_CURRENT_LIST_DIR}/HtmlScanner.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkLabel.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkLabel.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkLabeler.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkLabeler.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkMetadata.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkMetadata.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkMetadataService.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkMetadataService.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkPageParser.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkPageParser.h
        ${CMAKE_CURRENT_LIST_DIR}/LinkTextCleaning.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkTextCleaning.h
        ${CMAKE_CURRENT_LIST_DIR}/PageBody.cpp ${CMAKE_CURRENT_LIST_DIR}/PageBody.h
        ${CMAKE_CURRENT_LIST_DIR}/UserCharacters.cpp ${CMAKE_CURRENT_LIST_DIR}/UserCharacters.h
        ${CMAKE_CURRENT_LIST_DIR}/WebAddressDetector.cpp ${CMAKE_CURRENT_LIST_DIR}/WebAddressDetector.h
    DEPENDS Qt6::Core Qt6::Gui Qt6::Network QCoro6::Core QCoro6::Network)
