#include "domain/ConflictCopy.h"

QString conflictReasonText(ConflictReason reason)
{
    switch (reason) {
    case ConflictReason::replaced:
        return QStringLiteral("replaced");
    case ConflictReason::refused:
        return QStringLiteral("refused");
    case ConflictReason::boardRevoked:
        return QStringLiteral("boardRevoked");
    }
    return QStringLiteral("replaced");
}

ConflictReason conflictReasonFromText(const QString& text)
{
    if (text == QLatin1String("refused"))
        return ConflictReason::refused;
    if (text == QLatin1String("boardRevoked"))
        return ConflictReason::boardRevoked;
    return ConflictReason::replaced;
}

QString conflictReasonDescription(ConflictReason reason)
{
    switch (reason) {
    case ConflictReason::replaced:
        return QStringLiteral("The service kept another version of this item.");
    case ConflictReason::refused:
        return QStringLiteral("The service did not accept this item.");
    case ConflictReason::boardRevoked:
        return QStringLiteral("The board was removed before this change reached the service.");
    }
    return {};
}

ConflictCopy ConflictCopy::of(const Item& item, ConflictReason reason, const QString& boardName)
{
    ConflictCopy copy;
    copy.id = QUuid::createUuid();
    copy.itemId = item.id;
    copy.boardId = item.boardId;
    copy.boardName = boardName;
    copy.content = item.content;
    copy.status = item.status;
    copy.assignee = item.assignee;
    copy.createdBy = item.createdBy;
    copy.order = item.order;
    copy.savedAt = QDateTime::currentDateTimeUtc();
    copy.reason = reason;
    return copy;
}
