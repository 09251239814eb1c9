#include "ServerLoadClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

namespace {

// Requests are written as bytes: every string the client sends (ids, its own "client n write m"
// texts, this time) is plain ASCII without quotes or backslashes, so needs no JSON escaping.
const QByteArray timestamp = QByteArrayLiteral("\"2026-01-01T00:00:00Z\"");

QByteArray quoted(const QString& text)
{
    return '"' + text.toLatin1() + '"';
}

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

QJsonObject object(const QByteArray& body)
{
    return QJsonDocument::fromJson(body).object();
}

} // namespace

ServerLoadClient::ServerLoadClient(
    int number, quint16 port, QString token, QString userId, QString board, ServerLoadStats& stats)
    : boardId(std::move(board))
    , m_number(number)
    , m_headers("Host: 127.0.0.1:" + QByteArray::number(port) + "\r\nAuthorization: Bearer " + token.toUtf8()
          + "\r\n")
    , m_userId(userId.toLatin1())
    , m_stats(stats)
    // A request's longest wait, as the application's.
    , m_connection(port, 60000)
    , m_random(quint32(number) + 1)
{
}

void ServerLoadClient::run(int requests, const QElapsedTimer& clock, qint64 deadlineMs)
{
    m_clock = &clock;
    m_deadlineMs = deadlineMs;
    m_remaining = requests;
    m_done = false;
    next();
}

void ServerLoadClient::catchUp()
{
    m_done = false;
    sync(ServerLoadStats::Sync, {}, {}, [this](const QJsonObject*) { m_done = true; });
}

void ServerLoadClient::next()
{
    if (m_remaining == 0 || m_clock->elapsed() >= m_deadlineMs) {
        m_done = true;
        return;
    }
    --m_remaining;
    // The mix of a person who edits now and then while the application keeps the board and the
    // notifications current.
    const int roll = int(m_random.bounded(100));
    if (roll < 35)
        sync(ServerLoadStats::Sync, {}, {}, [this](const QJsonObject*) { next(); });
    else if (roll < 55)
        pendingItemSync();
    else if (roll < 85)
        itemWrite();
    else
        send(
            ServerLoadStats::Notifications, "GET", QByteArrayLiteral("/api/notifications?readOnly=true"), {},
            [this](const QByteArray&) { next(); }, [this](int) { next(); });
}

QString ServerLoadClient::newContent()
{
    return QStringLiteral("client %1 write %2").arg(m_number).arg(m_written++);
}

void ServerLoadClient::pendingItemSync()
{
    const bool creating = m_ownIds.isEmpty() || m_random.bounded(100) < 40;
    const QString itemId = creating ? QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
                                    : m_ownIds.at(qsizetype(m_random.bounded(quint32(m_ownIds.size()))));
    const QString content = newContent();
    const QByteArray item = "{\"id\":" + quoted(itemId) + ",\"content\":" + quoted(content)
        + ",\"status\":\"TODO\",\"boardId\":" + quoted(boardId) + ",\"createdBy\":\"" + m_userId
        + "\",\"order\":" + number(m_written) + ",\"createdAt\":" + timestamp + ",\"updatedAt\":" + timestamp
        + ",\"revision\":" + number(m_own.value(itemId, 0)) + '}';
    sync(ServerLoadStats::SyncWithItem, item, itemId, [this, itemId, content](const QJsonObject* answer) {
        if (answer) {
            bool returned = false;
            for (const QString& key : {QStringLiteral("newItems"), QStringLiteral("modifiedItems")}) {
                for (const QJsonValue& value : answer->value(key).toArray()) {
                    if (value[QStringLiteral("id")].toString() != itemId)
                        continue;
                    returned = true;
                    if (value[QStringLiteral("content")].toString() != content)
                        violated(QStringLiteral("a sync returned another text for its pending item"));
                    acknowledge(itemId, value[QStringLiteral("revision")].toInteger(), content);
                }
            }
            if (!returned)
                violated(QStringLiteral("a sync did not return its pending item"));
        }
        next();
    });
}

void ServerLoadClient::itemWrite()
{
    const bool creating = m_ownIds.isEmpty() || m_random.bounded(100) < 30;
    const QString itemId = creating ? QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
                                    : m_ownIds.at(qsizetype(m_random.bounded(quint32(m_ownIds.size()))));
    const QString content = newContent();
    const QByteArray body = creating
        ? "{\"content\":" + quoted(content) + ",\"status\":\"TODO\",\"order\":" + number(m_written)
            + ",\"createdAt\":" + timestamp + ",\"boardId\":" + quoted(boardId) + '}'
        : "{\"revision\":" + number(m_own.value(itemId)) + ",\"content\":" + quoted(content) + '}';
    send(
        creating ? ServerLoadStats::ItemCreate : ServerLoadStats::ItemEdit, creating ? "POST" : "PATCH",
        "/api/boards/" + boardId.toLatin1() + "/items/" + itemId.toLatin1(), body,
        [this, itemId, content](const QByteArray& reply) {
            const QJsonObject answer = object(reply);
            if (answer.value(QStringLiteral("id")).toString() != itemId)
                violated(QStringLiteral("an item write answered another item"));
            acknowledge(itemId, answer.value(QStringLiteral("revision")).toInteger(), content);
            next();
        },
        [this, itemId](int status) {
            if (status == 0)
                lostTrack(itemId);
            next();
        });
}

void ServerLoadClient::acknowledge(const QString& itemId, qint64 revision, const QString& content)
{
    // One request at a time: each acknowledged write must name a later revision than the one before.
    if (!acks.isEmpty() && revision <= acks.last().revision)
        violated(QStringLiteral("revision %1 after %2").arg(revision).arg(acks.last().revision));
    acks.append({itemId, revision, content});
    if (!m_own.contains(itemId))
        m_ownIds.append(itemId);
    m_own.insert(itemId, revision);
    uncertain.remove(itemId);
}

void ServerLoadClient::lostTrack(const QString& itemId)
{
    // Without an answer the write may have been stored or not, so its revision is unknown and a
    // later edit would be refused as a conflict.
    ++unansweredWrites;
    uncertain.insert(itemId);
    m_own.remove(itemId);
    m_ownIds.removeOne(itemId);
}

void ServerLoadClient::sync(ServerLoadStats::Kind kind, const QByteArray& item, const QString& itemId,
    const std::function<void(const QJsonObject*)>& then)
{
    const qint64 from = m_checkpoint;
    const QString pending = itemId;
    send(
        kind, "POST", "/api/boards/" + boardId.toLatin1() + "/sync",
        "{\"checkpoint\":" + number(from) + ",\"items\":[" + item + "]}",
        [this, from, then](const QByteArray& reply) {
            const QJsonObject answer = object(reply);
            const qint64 latest = answer.value(QStringLiteral("latestCheckpoint")).toInteger(-1);
            if (latest < from)
                violated(QStringLiteral("checkpoint went back from %1 to %2").arg(from).arg(latest));
            if (!answer.value(QStringLiteral("conflictedItems")).toArray().isEmpty())
                violated(QStringLiteral("its own item was refused as a conflict"));
            for (const QString& key : {QStringLiteral("newItems"), QStringLiteral("modifiedItems")}) {
                for (const QJsonValue& value : answer.value(key).toArray()) {
                    const qint64 revision = value[QStringLiteral("revision")].toInteger();
                    if (revision <= from || revision > latest)
                        violated(QStringLiteral("item revision %1 outside (%2, %3]")
                                     .arg(revision)
                                     .arg(from)
                                     .arg(latest));
                    seen.insert(value[QStringLiteral("id")].toString(), revision);
                }
            }
            m_checkpoint = std::max(m_checkpoint, latest);
            then(&answer);
        },
        [this, pending, then](int status) {
            if (status == 0 && !pending.isEmpty())
                lostTrack(pending);
            then(nullptr);
        });
}

void ServerLoadClient::send(ServerLoadStats::Kind kind, const char* method, const QByteArray& path,
    const QByteArray& body, const std::function<void(const QByteArray&)>& then,
    const std::function<void(int)>& otherwise)
{
    QByteArray request = method + (' ' + path) + " HTTP/1.1\r\n" + m_headers;
    if (qstrcmp(method, "GET") != 0)
        request += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size())
            + "\r\n\r\n" + body;
    else
        request += "\r\n";
    QElapsedTimer timer;
    timer.start();
    m_connection.send(
        std::move(request), [this, kind, timer, then, otherwise](int status, const QByteArray& reply) {
            m_stats.record(kind, status, double(timer.nsecsElapsed()) / 1e6);
            if (status == 200)
                then(reply);
            else
                otherwise(status);
        });
}

void ServerLoadClient::violated(const QString& what)
{
    violations.append(QStringLiteral("client %1: %2").arg(m_number).arg(what));
}
