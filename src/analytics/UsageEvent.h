// The usage events the application records, each with its fixed event name.
#pragma once

#include <QString>

#include <array>

enum class UsageEvent {
    appOpened,
    signInStarted,
    signInCompleted,
    signInFailed,
    logout,
    boardCreated,
    boardSelected,
    boardJoined,
    boardArchived,
    boardDeleted,
    boardRefreshCompleted,
    itemAdded,
    itemUpdated,
    itemDeleted,
    itemArchived,
    itemUnarchived,
    itemMerged,
    itemMoved,
    itemStatusChanged,
    boardRefreshRequested,
};

inline constexpr std::array<UsageEvent, 20> allUsageEvents { UsageEvent::appOpened, UsageEvent::signInStarted,
    UsageEvent::signInCompleted, UsageEvent::signInFailed, UsageEvent::logout, UsageEvent::boardCreated,
    UsageEvent::boardSelected, UsageEvent::boardJoined, UsageEvent::boardArchived, UsageEvent::boardDeleted,
    UsageEvent::boardRefreshCompleted, UsageEvent::itemAdded, UsageEvent::itemUpdated, UsageEvent::itemDeleted,
    UsageEvent::itemArchived, UsageEvent::itemUnarchived, UsageEvent::itemMerged, UsageEvent::itemMoved,
    UsageEvent::itemStatusChanged, UsageEvent::boardRefreshRequested };

QString usageEventName(UsageEvent event);
