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

std::optional<ItemStatus> itemStatusFromText(const QString& text)
{
    for (ItemStatus status : allItemStatuses) {
        if (itemStatusText(status) == text)
            return status;
    }
    return std::nullopt;
}
