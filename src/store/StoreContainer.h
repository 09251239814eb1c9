// The application's one store: <data folder>/<bundle identifier>/default.store, opened read-write
// at start-up. A failure's message begins "Unable to set up " and the application stops with it.
#pragma once

#include "store/StoreContext.h"
#include "store/StoreError.h"

#include <QString>

#include <expected>
#include <memory>

class StoreContainer
{
public:
    // The user's data folder (XDG_DATA_HOME) and the bundle identifier this build was made with.
    static std::expected<std::unique_ptr<StoreContext>, StoreError> open();
    // Creates missing folders on the way; an empty bundle identifier is a missing folder.
    static std::expected<std::unique_ptr<StoreContext>, StoreError> open(const QString& dataFolder,
        const QString& bundleIdentifier);
    static QString fileName(const QString& dataFolder, const QString& bundleIdentifier);
};
