#include "ServerLoadClient.h"

#include <QJsonDocument>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <QUuid>

namespace {

const QString timestamp = QStringLiteral("2026-01-01T00:00:00Z");

} // namespace

ServerLoadClient::ServerLoadClient(
    int number, quint16 port, QString token, QString userId, QString board, ServerLoadStats& stats)
    : boardId(std::move(board))
    , m_number(number)
    , m_port(port)
    , m_token(std::move(token))
    , m_userId(std::move(userId))
    , m_stats(stats)
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
    sync(ServerLoadStats::Sync, {}, [this](const QJsonObject*) { m_done = true; });
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
        sync(ServerLoadStats::Sync, {}, [this](const QJsonObject*) { next(); });
    else if (roll < 55)
        pendingItemSync();
    else if (roll < 85)
        itemWrite();
    else
        send(
            ServerLoadStats::Notifications, "GET", QStringLiteral("/api/notifications?readOnly=true"), {},
            [this](const QJsonObject&) { next(); }, [this](int) { next(); });
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
    const QJsonObject item {{QStringLiteral("id"), itemId}, {QStringLiteral("content"), content},
        {QStringLiteral("status"), QStringLiteral("TODO")}, {QStringLiteral("boardId"), boardId},
        {QStringLiteral("createdBy"), m_userId}, {QStringLiteral("order"), m_written},
        {QStringLiteral("createdAt"), timestamp}, {QStringLiteral("updatedAt"), timestamp},
        {QStringLiteral("revision"), m_own.value(itemId, 0)}};
    sync(
        ServerLoadStats::SyncWithItem, QJsonArray {item}, [this, itemId, content](const QJsonObject* answer) {
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
    const QJsonObject body = creating
        ? QJsonObject {{QStringLiteral("content"), content},
            {QStringLiteral("status"), QStringLiteral("TODO")}, {QStringLiteral("order"), m_written},
            {QStringLiteral("createdAt"), timestamp}, {QStringLiteral("boardId"), boardId}}
        : QJsonObject {
            {QStringLiteral("revision"), m_own.value(itemId)}, {QStringLiteral("content"), content}};
    send(
        creating ? ServerLoadStats::ItemCreate : ServerLoadStats::ItemEdit, creating ? "POST" : "PATCH",
        QStringLiteral("/api/boards/%1/items/%2").arg(boardId, itemId), body,
        [this, itemId, content](const QJsonObject& answer) {
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

void ServerLoadClient::sync(
    ServerLoadStats::Kind kind, const QJsonArray& items, const std::function<void(const QJsonObject*)>& then)
{
    const qint64 from = m_checkpoint;
    const QString pending = items.isEmpty() ? QString() : items.first()[QStringLiteral("id")].toString();
    send(
        kind, "POST", QStringLiteral("/api/boards/%1/sync").arg(boardId),
        QJsonObject {{QStringLiteral("checkpoint"), from}, {QStringLiteral("items"), items}},
        [this, from, then](const QJsonObject& answer) {
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

void ServerLoadClient::send(ServerLoadStats::Kind kind, const QByteArray& method, const QString& path,
    const QJsonObject& body, const std::function<void(const QJsonObject&)>& then,
    const std::function<void(int)>& otherwise)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port) + path));
    request.setRawHeader("Authorization", "Bearer " + m_token.toUtf8());
    request.setTransferTimeout(60000);
    QByteArray payload;
    if (method != "GET") {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        payload = QJsonDocument(body).toJson(QJsonDocument::Compact);
    }
    QElapsedTimer timer;
    timer.start();
    QNetworkReply* reply = m_network.sendCustomRequest(request, method, payload);
    QObject::connect(
        reply, &QNetworkReply::finished, &m_network, [this, reply, kind, timer, then, otherwise] {
            reply->deleteLater();
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            m_stats.record(kind, status, ms);
            if (status == 200)
                then(QJsonDocument::fromJson(reply->readAll()).object());
            else
                otherwise(status);
        });
}

void ServerLoadClient::violated(const QString& what)
{
    violations.append(QStringLiteral("client %1: %2").arg(m_number).arg(what));
}
