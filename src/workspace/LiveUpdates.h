// Passes what the change channel hears to the parts that catch up: a board's change becomes a quiet
// sync of that board (this session's own, only when its checkpoint is not held yet) and the board
// list's a quiet refresh (AutoSync coalesces them); a connected
// channel retires the shown board's minute timer and catches every cloud board up; a notification
// and the end of the session go to the hooks the application gives. Holds no state of its own.
#pragma once

#include <QObject>
#include <functional>

class AutoSync;
class ChangeChannel;

class LiveUpdates : public QObject
{
    Q_OBJECT

public:
    struct Hooks
    {
        std::function<void()> notificationArrived;
        std::function<void()> sessionRevoked;
    };

    LiveUpdates(ChangeChannel& channel, AutoSync& autoSync, Hooks hooks, QObject* parent = nullptr);
};
