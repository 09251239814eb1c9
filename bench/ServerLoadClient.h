// One simulated person's application against plenko-server, for the load benchmark: a closed loop of
// one request at a time on its own kept-alive connection, a fixed mix of incremental syncs (some carrying a
// pending item), item writes through the item routes and notification polls. It writes only its own
// items, so no answer is a conflict, and keeps what the consistency check needs: every acknowledged
// write, what its incremental syncs reported, and any answer that broke the contract's order.
#pragma once

#include "LoadConnection.h"
#include "ServerLoadStats.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QRandomGenerator>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

class ServerLoadClient
{
public:
    struct Ack
    {
        QString itemId;
        qint64 revision = 0;
        QString content;
    };

    ServerLoadClient(
        int number, quint16 port, QString token, QString userId, QString board, ServerLoadStats& stats);

    // Makes this many requests, one after another, or fewer when the deadline passes first.
    void run(int requests, const QElapsedTimer& clock, qint64 deadlineMs);
    // One more incremental sync, to catch up with the others' writes.
    void catchUp();
    bool done() const { return m_done; }

    const QString boardId;
    QList<Ack> acks;
    // Items whose last write got no answer: it may or may not have been stored.
    QSet<QString> uncertain;
    // Writes that got no answer at all; each may have taken a revision.
    int unansweredWrites = 0;
    // What the incremental syncs told: item -> revision.
    QHash<QString, qint64> seen;
    // Answers that broke the order of revisions or checkpoints, or lost the client's own write.
    QStringList violations;

private:
    void next();
    void pendingItemSync();
    void itemWrite();
    // An incremental sync from the client's checkpoint carrying the pending item (a JSON object, or
    // empty for none) with this id; then() gets the answer, or null for a request that was not
    // answered 200.
    void sync(ServerLoadStats::Kind kind, const QByteArray& item, const QString& itemId,
        const std::function<void(const QJsonObject*)>& then);
    // Sends one request and times it; then() gets the body of a 200 answer, otherwise() the status
    // of any other (0: no answer).
    void send(ServerLoadStats::Kind kind, const char* method, const QByteArray& path, const QByteArray& body,
        const std::function<void(const QByteArray&)>& then, const std::function<void(int status)>& otherwise);
    void acknowledge(const QString& itemId, qint64 revision, const QString& content);
    // A write that got no answer: the item is left alone from now on.
    void lostTrack(const QString& itemId);
    QString newContent();
    void violated(const QString& what);

    const int m_number;
    // The request headers every request carries, from Host to the token, each ending in CRLF.
    const QByteArray m_headers;
    const QByteArray m_userId;
    ServerLoadStats& m_stats;
    LoadConnection m_connection;
    QRandomGenerator m_random;
    const QElapsedTimer* m_clock = nullptr;
    qint64 m_deadlineMs = 0;
    int m_remaining = 0;
    int m_written = 0;
    qint64 m_checkpoint = 0;
    // The client's own items and the revision its last acknowledged write gave each.
    QHash<QString, qint64> m_own;
    QStringList m_ownIds;
    bool m_done = true;
};
