#include "domain/ItemStatus.h"

QString itemStatusText(ItemStatus status)
{
    switch (status) {
    case ItemStatus::todo:
        return QStringLiteral("TODO");
    case ItemStatus::inProgress:
        return QStringLiteral("IN_PROGRESS");
    case ItemStatus::done:
        return QStringLiteral("DONE");
    }
    return QStringLiteral("TODO");
}

QString itemStatusTitle(ItemStatus status)
{
    switch (status) {
    case ItemStatus::todo:
        return QStringLiteral("Todo");
    case ItemStatus::inProgress:
        return QStringLiteral("In Progress");
    case ItemStatus::done:
        return QStringLiteral("Done");
    }
    return QStringLiteral("Todo");
}

std::optional<ItemStatus> itemStatusFromText(const QString& text)
{
    for (ItemStatus status : allItemStatuses) {
        if (itemStatusText(status) == text)
            return status;
    }
    return std::nullopt;
}
