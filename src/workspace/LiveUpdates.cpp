#include "workspace/LiveUpdates.h"

#include "net/ChangeChannel.h"
#include "workspace/AutoSync.h"

LiveUpdates::LiveUpdates(ChangeChannel& channel, AutoSync& autoSync, Hooks hooks, QObject* parent)
    : QObject(parent)
{
    connect(&channel, &ChangeChannel::connectedChanged, &autoSync, &AutoSync::setChannelConnected);
    connect(&channel, &ChangeChannel::boardChanged, &autoSync,
        [&autoSync](const QUuid& boardId, qint64 checkpoint, bool own) {
            if (own && checkpoint >= 0)
                autoSync.ownBoardChange(boardId, checkpoint);
            else
                autoSync.boardChanged(boardId);
        });
    connect(&channel, &ChangeChannel::boardListChanged, &autoSync, &AutoSync::boardListChanged);
    if (hooks.notificationArrived)
        connect(&channel, &ChangeChannel::notificationArrived, this, std::move(hooks.notificationArrived));
    if (hooks.sessionRevoked)
        connect(&channel, &ChangeChannel::sessionRevoked, this, std::move(hooks.sessionRevoked));
    autoSync.setChannelConnected(channel.isConnected());
}
