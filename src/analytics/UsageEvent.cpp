#include "analytics/UsageEvent.h"

QString usageEventName(UsageEvent event)
{
    switch (event) {
    case UsageEvent::appOpened:
        return QStringLiteral("app_opened");
    case UsageEvent::signInStarted:
        return QStringLiteral("sign_in_started");
    case UsageEvent::signInCompleted:
        return QStringLiteral("sign_in_completed");
    case UsageEvent::signInFailed:
        return QStringLiteral("sign_in_failed");
    case UsageEvent::logout:
        return QStringLiteral("logout");
    case UsageEvent::boardCreated:
        return QStringLiteral("board_created");
    case UsageEvent::boardSelected:
        return QStringLiteral("board_selected");
    case UsageEvent::boardJoined:
        return QStringLiteral("board_joined");
    case UsageEvent::boardArchived:
        return QStringLiteral("board_archived");
    case UsageEvent::boardDeleted:
        return QStringLiteral("board_deleted");
    case UsageEvent::boardRefreshCompleted:
        return QStringLiteral("board_refresh_completed");
    case UsageEvent::itemAdded:
        return QStringLiteral("item_added");
    case UsageEvent::itemUpdated:
        return QStringLiteral("item_updated");
    case UsageEvent::itemDeleted:
        return QStringLiteral("item_deleted");
    case UsageEvent::itemArchived:
        return QStringLiteral("item_archived");
    case UsageEvent::itemUnarchived:
        return QStringLiteral("item_unarchived");
    case UsageEvent::itemMerged:
        return QStringLiteral("item_merged");
    case UsageEvent::itemMoved:
        return QStringLiteral("item_moved");
    case UsageEvent::itemStatusChanged:
        return QStringLiteral("item_status_changed");
    case UsageEvent::boardRefreshRequested:
        return QStringLiteral("board_refresh_requested");
    }
    return {};
}
