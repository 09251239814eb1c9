// One worker's outgoing events. Services post what they changed while their transaction runs; a
// posted event counts only once that transaction commits (a rolled-back change emits nothing), and
// at the end of the request the committed events go, merged, to this process's streams. On
// PostgreSQL each event is also a row of event_outbox written in the same transaction, which the
// other server processes read once it committed (PostgresEventRelay).
#pragma once

#include "ServiceEvent.h"

#include <QList>
#include <QString>
#include <QStringList>

class Database;
class EventHub;

class EventOutbox
{
public:
    // The channel on which the server processes of one database wake each other to read event_outbox.
    static constexpr const char* channel = "plenko_events";

    // Without a hub (operator commands, tests of the services) nothing is sent.
    EventOutbox(Database& db, EventHub* hub);

    void setHub(EventHub* hub) { m_hub = hub; }
    // The session whose request is being carried out; its tag goes on every event it causes.
    void setActingSession(const QString& sessionId);
    // Forgets the acting session and anything left from the previous request.
    void beginRequest();
    // Delivers the committed events to this process's streams.
    void flush();

    void boardChanged(const QString& boardId, qint64 checkpoint);
    // The board's members are told; so are the extra accounts (a member removed, a deleted board's).
    void boardsChanged(const QString& boardId, const QStringList& extraAccounts = {});
    void notificationFor(const QString& accountId);
    // Every session of the account when sessionId is empty.
    void sessionEnded(const QString& accountId, const QString& sessionId);

    // Who receives the event on this process: the board's members at this moment and the listed
    // accounts, each once.
    static QStringList recipients(Database& db, const ServiceEvent& event);

private:
    void post(ServiceEvent event);

    Database& m_db;
    EventHub* m_hub;
    QString m_actingTag;
    QList<ServiceEvent> m_committed;
    // Rows for the other processes were committed in this request.
    bool m_shared = false;
};
