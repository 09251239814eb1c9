// One change the service tells connected clients about, as it travels from the transaction that made
// it to the streams of the accounts it concerns (within a process, or between processes through the
// database). Recipients are the members of `boardId` (when set) and the listed accounts.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

struct ServiceEvent
{
    enum class Kind {
        BoardChanged, // a board's items changed; checkpoint: the board's revision after the change
        BoardsChanged, // the board list, a board's name or settings, or its members changed
        Notification, // a notification for the listed accounts was created
        SessionEnded, // endedSession (or, when empty, every session of the listed accounts) ended
    };

    Kind kind = Kind::BoardChanged;
    QString boardId;
    qint64 checkpoint = 0;
    // The opaque tag of the session that made the change; empty when none did (expiry, an operator).
    QString actingSession;
    QStringList accounts;
    QString endedSession;

    bool operator==(const ServiceEvent&) const = default;

    // The stream's event name, "board-changed" and so on.
    QByteArray streamName() const;
    // One frame of the event stream, its data keys in the chosen key style.
    QByteArray frame(bool snakeCase) const;

    // A compact text for carrying the event between processes, marked with the sending process.
    QByteArray toWire(const QByteArray& origin) const;
    // Nothing when the text is not an event; origin receives the sending process's mark.
    static std::optional<ServiceEvent> fromWire(const QByteArray& text, QByteArray* origin);

    // The non-secret tag of a session: clients learn theirs and skip the echoes of their own changes.
    static QString sessionTag(const QString& sessionId);
};
