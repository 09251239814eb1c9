#include "ServerLoadCheck.h"

#include "ServerLoadClient.h"

#include <QHash>
#include <QJsonArray>
#include <QPair>
#include <QSet>

BoardCheck checkBoard(const QJsonObject& fullSync, const std::vector<const ServerLoadClient*>& clients)
{
    BoardCheck check;
    check.latestCheckpoint = fullSync.value(QStringLiteral("latestCheckpoint")).toInteger(-1);
    QHash<QString, QPair<qint64, QString>> stored;
    for (const QJsonValue& value : fullSync.value(QStringLiteral("newItems")).toArray()) {
        const QString id = value[QStringLiteral("id")].toString();
        if (stored.contains(id))
            check.problems.append(QStringLiteral("item %1 came twice in the full sync").arg(id));
        stored.insert(
            id, {value[QStringLiteral("revision")].toInteger(), value[QStringLiteral("content")].toString()});
    }
    check.items = int(stored.size());
    if (!fullSync.value(QStringLiteral("modifiedItems")).toArray().isEmpty())
        check.problems.append(QStringLiteral("a sync from checkpoint 0 listed modified items"));

    QSet<qint64> revisions;
    QHash<QString, ServerLoadClient::Ack> lastAck;
    QSet<QString> uncertain;
    int unanswered = 0;
    for (const ServerLoadClient* client : clients) {
        for (const ServerLoadClient::Ack& ack : client->acks) {
            if (revisions.contains(ack.revision))
                check.problems.append(QStringLiteral("revision %1 was acknowledged twice").arg(ack.revision));
            if (ack.revision < 1 || ack.revision > check.latestCheckpoint)
                check.problems.append(QStringLiteral("revision %1 outside 1..%2")
                                          .arg(ack.revision)
                                          .arg(check.latestCheckpoint));
            revisions.insert(ack.revision);
            lastAck.insert(ack.itemId, ack);
            ++check.acknowledgedWrites;
        }
        uncertain.unite(client->uncertain);
        unanswered += client->unansweredWrites;
    }
    // Every write took exactly one revision: with all writes answered the revisions are 1..n; a write
    // without an answer may have taken one more.
    const qint64 taken = check.latestCheckpoint - qint64(revisions.size());
    if (taken < 0 || taken > unanswered)
        check.problems.append(
            QStringLiteral("%1 distinct acknowledged revisions but the board's checkpoint is %2 "
                           "(%3 writes without an answer)")
                .arg(revisions.size())
                .arg(check.latestCheckpoint)
                .arg(unanswered));

    for (auto it = lastAck.cbegin(); it != lastAck.cend(); ++it) {
        if (uncertain.contains(it.key()))
            continue;
        if (!stored.contains(it.key()))
            check.problems.append(QStringLiteral("acknowledged item %1 is missing").arg(it.key()));
        else if (stored.value(it.key()) != qMakePair(it.value().revision, it.value().content))
            check.problems.append(
                QStringLiteral("item %1 is not as its last acknowledged write left it").arg(it.key()));
    }
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        if (!lastAck.contains(it.key()) && !uncertain.contains(it.key()))
            check.problems.append(QStringLiteral("item %1 was never written by a client").arg(it.key()));
    }

    for (const ServerLoadClient* client : clients) {
        if (client->seen.size() != stored.size())
            check.problems.append(
                QStringLiteral("a client's incremental syncs saw %1 items, the board has %2")
                    .arg(client->seen.size())
                    .arg(stored.size()));
        for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
            if (client->seen.value(it.key()) != it.value().first) {
                check.problems.append(
                    QStringLiteral("a client's incremental syncs missed revision %1 of item %2")
                        .arg(it.value().first)
                        .arg(it.key()));
                break;
            }
        }
        check.problems += client->violations;
    }
    return check;
}
