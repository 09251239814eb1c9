// Where a board lives. The text values double as the "storage" property of usage events.
#pragma once

#include <QString>

#include <optional>

enum class StorageOption { local, cloud };

inline QString storageOptionText(StorageOption option)
{
    return option == StorageOption::cloud ? QStringLiteral("cloud") : QStringLiteral("local");
}

inline std::optional<StorageOption> storageOptionFromText(const QString& text)
{
    if (text == QLatin1String("local"))
        return StorageOption::local;
    if (text == QLatin1String("cloud"))
        return StorageOption::cloud;
    return std::nullopt;
}

inline StorageOption storageOf(bool syncWithServer)
{
    return syncWithServer ? StorageOption::cloud : StorageOption::local;
}
