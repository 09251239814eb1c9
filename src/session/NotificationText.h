// What a notification row says: its headline, its sentence (with the names to emphasise marked) and
// the content of the item concerned, built from the notification and the board known locally.
#pragma once

#include "domain/Board.h"
#include "domain/Notification.h"

#include <QList>
#include <QString>
#include <optional>

struct NotificationTextRun
{
    QString text;
    bool emphasised = false;

    friend bool operator==(const NotificationTextRun&, const NotificationTextRun&) = default;
};

struct NotificationText
{
    static inline const QString contentUnavailable = QStringLiteral("Content unavailable");

    QString headline;
    QList<NotificationTextRun> sentence;
    // The item's text, or "Content unavailable" when the item is not known here.
    QString content;
    bool isContentAvailable = false;

    QString sentenceText() const;

    // board: the local board of the notification's boardId, when there is one.
    static NotificationText make(const NotificationItem& notification, const std::optional<Board>& board);
    // The undeleted item of the notification on that board.
    static std::optional<Item> findItem(
        const NotificationItem& notification, const std::optional<Board>& board);
};
