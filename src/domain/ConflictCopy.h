// A version of an item that the user wrote and the service never accepted, kept on this computer
// after the service's copy took its place (or after the board left this account). The item itself
// always shows the service's copy; this record is what makes sure the user's text is never lost.
#pragma once

#include "domain/Item.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

// Why the copy was kept. Stored by its text value.
enum class ConflictReason {
    replaced, // the service answered with another version of the item
    refused, // the service refused the item outright (a new item it would not take)
    boardRevoked, // the board was removed from this account while it held the change
};

QString conflictReasonText(ConflictReason reason);
// Unknown text reads as `replaced`, the most general reason.
ConflictReason conflictReasonFromText(const QString& text);
// One short sentence for the user.
QString conflictReasonDescription(ConflictReason reason);

struct ConflictCopy
{
    QUuid id;
    QUuid itemId;
    QUuid boardId;
    // Kept because the board may be gone when the copy is looked at.
    QString boardName;
    QString content;
    ItemStatus status = ItemStatus::todo;
    std::optional<QUuid> assignee;
    QUuid createdBy;
    qint64 order = 0;
    QDateTime savedAt;
    ConflictReason reason = ConflictReason::replaced;

    // The user's version of the item, under a new copy id, saved now.
    static ConflictCopy of(const Item& item, ConflictReason reason, const QString& boardName = {});
};
