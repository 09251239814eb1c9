#include "store/PreferenceKeys.h"

#include "domain/Ids.h"

const LocalStoreKey<std::optional<QUuid>>& PreferenceKeys::selectedBoardId()
{
    static const LocalStoreKey<std::optional<QUuid>> key { QStringLiteral("selectedBoardId"), std::nullopt };
    return key;
}

const LocalStoreKey<QSet<QUuid>>& PreferenceKeys::highlightedBoards()
{
    static const LocalStoreKey<QSet<QUuid>> key { QStringLiteral("highlightedBoards"), {} };
    return key;
}

const LocalStoreKey<std::optional<QUuid>>& PreferenceKeys::quickCaptureId()
{
    static const LocalStoreKey<std::optional<QUuid>> key { QStringLiteral("board.quickCaptureId"), std::nullopt };
    return key;
}

LocalStoreKey<int> PreferenceKeys::inviteButtonTapCount()
{
    return { QStringLiteral("board.inviteButtonTapCount"), 0 };
}

LocalStoreKey<bool> PreferenceKeys::archivedCollapsed()
{
    return { QStringLiteral("sidebar.archivedCollapsed"), true };
}

LocalStoreKey<AppAppearance> PreferenceKeys::appearanceSelection()
{
    return { QStringLiteral("appearance.selection"), AppAppearance::dark };
}

LocalStoreKey<QString> PreferenceKeys::serviceAddress()
{
    return {QStringLiteral("service.address"), QString()};
}

QString PreferenceKeys::checkpointPrefix()
{
    return QStringLiteral("checkpoint.");
}

LocalStoreKey<std::optional<qint64>> PreferenceKeys::checkpoint(const QUuid& boardId)
{
    return { checkpointPrefix() + uuidText(boardId), std::nullopt };
}

LocalStoreKey<QList<QUuid>> PreferenceKeys::boardOrder(const QString& scope)
{
    return { QStringLiteral("board.order.") + scope, {} };
}
