// Every preference key the application uses, with its value type and default. Keys with a variable
// suffix are made from their fixed prefix here, so the prefix is written in one place.
#pragma once

#include "store/AppAppearance.h"
#include "store/LocalStoreKey.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>

struct PreferenceKeys
{
    // The three keys shared by several parts of the application.
    static const LocalStoreKey<std::optional<QUuid>>& selectedBoardId();
    static const LocalStoreKey<QSet<QUuid>>& highlightedBoards();
    static const LocalStoreKey<std::optional<QUuid>>& quickCaptureId();

    static LocalStoreKey<int> inviteButtonTapCount();
    static LocalStoreKey<bool> archivedCollapsed();
    static LocalStoreKey<AppAppearance> appearanceSelection();
    // The service address the user chose at sign-in; empty: the build's. Kept across sign-outs.
    static LocalStoreKey<QString> serviceAddress();

    // "checkpoint." + the board id in upper case; sign-out removes them all by this prefix.
    static QString checkpointPrefix();
    static LocalStoreKey<std::optional<qint64>> checkpoint(const QUuid& boardId);

    // An older board order, only read when a sidebar section has no layout of its own.
    static LocalStoreKey<QList<QUuid>> boardOrder(const QString& scope);

    // The sidebar stores its own entry records (with a JsonCodec of their own) per section scope.
    template<typename Entry>
    static LocalStoreKey<QList<Entry>> sidebarLayout(const QString& scope)
    {
        return { QStringLiteral("sidebar.layout.") + scope, {} };
    }
};
