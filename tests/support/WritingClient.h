// A client that writes one after another on one board, either through the item routes or as pending
// items of syncs, and follows the board with incremental syncs; the first failure is kept, with the
// checkpoints going back or its own items refused as conflicts among them. Even writes create an
// item, odd ones change the item just created.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QUuid>
#include <functional>

class WritingClient
{
public:
    struct Ack
    {
        QString itemId;
        qint64 revision = 0;
        QString content;
        // From sending the write to its whole answer.
        qint64 latencyMs = 0;
    };

    WritingClient(int number, quint16 port, QString token, QString userId, QString board, bool throughSync)
        : boardId(std::move(board))
        , m_number(number)
        , m_port(port)
        , m_token(std::move(token))
        , m_userId(std::move(userId))
        , m_throughSync(throughSync)
    {
    }

    void write(int count)
    {
        m_remaining = count;
        m_done = false;
        next();
    }
    // One more incremental sync, to catch up with the others' writes.
    void catchUp()
    {
        m_done = false;
        sync({}, [this](const QJsonObject&) { m_done = true; });
    }
    bool done() const { return m_done || !failure.isEmpty(); }

    const QString boardId;
    QString failure;
    QList<Ack> acks;
    // What the incremental syncs told: item -> revision.
    QHash<QString, qint64> seen;

private:
    void fail(const QString& what)
    {
        if (failure.isEmpty())
            failure = QStringLiteral("client %1: %2").arg(m_number).arg(what);
    }

    void next()
    {
        if (m_remaining == 0 || !failure.isEmpty()) {
            m_done = true;
            return;
        }
        --m_remaining;
        const bool creating = m_written % 2 == 0;
        if (creating)
            m_itemId = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        const QString content = QStringLiteral("client %1 write %2").arg(m_number).arg(m_written);
        const qint64 known = creating ? 0 : acks.last().revision;
        ++m_written;
        m_sent.start();
        auto acknowledged = [this, content](qint64 revision) {
            acks.append({m_itemId, revision, content, m_sent.elapsed()});
            // Now and then an incremental sync, so checkpoints are taken while others write.
            if (!m_throughSync && m_written % 5 == 0)
                sync({}, [this](const QJsonObject&) { next(); });
            else
                next();
        };
        if (m_throughSync) {
            const QJsonObject item {{QStringLiteral("id"), m_itemId}, {QStringLiteral("content"), content},
                {QStringLiteral("status"), QStringLiteral("TODO")}, {QStringLiteral("boardId"), boardId},
                {QStringLiteral("createdBy"), m_userId}, {QStringLiteral("order"), m_written},
                {QStringLiteral("createdAt"), QStringLiteral("2026-01-01T00:00:00Z")},
                {QStringLiteral("updatedAt"), QStringLiteral("2026-01-01T00:00:00Z")},
                {QStringLiteral("revision"), known}};
            sync(QJsonArray {item}, [this, content, acknowledged](const QJsonObject& answer) {
                for (const QString& key : {QStringLiteral("newItems"), QStringLiteral("modifiedItems")}) {
                    for (const QJsonValue& value : answer.value(key).toArray()) {
                        const QJsonObject returned = value.toObject();
                        if (returned.value(QStringLiteral("id")).toString() == m_itemId) {
                            if (returned.value(QStringLiteral("content")).toString() != content)
                                return fail(QStringLiteral("the sync returned another text for its item"));
                            return acknowledged(returned.value(QStringLiteral("revision")).toInteger());
                        }
                    }
                }
                fail(QStringLiteral("the sync did not return its own item"));
            });
            return;
        }
        const QString path = QStringLiteral("/api/boards/%1/items/%2").arg(boardId, m_itemId);
        const QJsonObject body = creating
            ? QJsonObject {{QStringLiteral("content"), content},
                {QStringLiteral("status"), QStringLiteral("TODO")}, {QStringLiteral("order"), m_written},
                {QStringLiteral("createdAt"), QStringLiteral("2026-01-01T00:00:00Z")},
                {QStringLiteral("boardId"), boardId}}
            : QJsonObject {{QStringLiteral("revision"), known}, {QStringLiteral("content"), content}};
        send(creating ? "POST" : "PATCH", path, body, [this, acknowledged](const QJsonObject& answer) {
            acknowledged(answer.value(QStringLiteral("revision")).toInteger());
        });
    }

    void sync(const QJsonArray& items, const std::function<void(const QJsonObject&)>& then)
    {
        const qint64 from = m_checkpoint;
        send("POST", QStringLiteral("/api/boards/%1/sync").arg(boardId),
            QJsonObject {{QStringLiteral("checkpoint"), from}, {QStringLiteral("items"), items}},
            [this, from, then](const QJsonObject& answer) {
                const qint64 latest = answer.value(QStringLiteral("latestCheckpoint")).toInteger(-1);
                if (latest < from)
                    return fail(QStringLiteral("checkpoint went back from %1 to %2").arg(from).arg(latest));
                if (!answer.value(QStringLiteral("conflictedItems")).toArray().isEmpty())
                    return fail(QStringLiteral("its own item was refused as a conflict"));
                for (const QString& key : {QStringLiteral("newItems"), QStringLiteral("modifiedItems")}) {
                    for (const QJsonValue& value : answer.value(key).toArray()) {
                        const qint64 revision = value[QStringLiteral("revision")].toInteger();
                        if (revision <= from || revision > latest)
                            return fail(QStringLiteral("item revision %1 outside (%2, %3]")
                                            .arg(revision)
                                            .arg(from)
                                            .arg(latest));
                        seen.insert(value[QStringLiteral("id")].toString(), revision);
                    }
                }
                m_checkpoint = latest;
                then(answer);
            });
    }

    void send(const QByteArray& method, const QString& path, const QJsonObject& body,
        const std::function<void(const QJsonObject&)>& then)
    {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port) + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        request.setRawHeader("Authorization", "Bearer " + m_token.toUtf8());
        request.setTransferTimeout(60000);
        QNetworkReply* reply = m_network.sendCustomRequest(
            request, method, QJsonDocument(body).toJson(QJsonDocument::Compact));
        QObject::connect(reply, &QNetworkReply::finished, &m_network, [this, reply, method, path, then] {
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const QByteArray answer = reply->readAll();
            if (status != 200)
                return fail(QStringLiteral("%1 %2 answered %3: %4")
                                .arg(QString::fromLatin1(method), path)
                                .arg(status)
                                .arg(QString::fromUtf8(answer)));
            then(QJsonDocument::fromJson(answer).object());
        });
    }

    const int m_number;
    const quint16 m_port;
    const QString m_token;
    const QString m_userId;
    const bool m_throughSync;
    QNetworkAccessManager m_network;
    int m_remaining = 0;
    int m_written = 0;
    qint64 m_checkpoint = 0;
    QString m_itemId;
    QElapsedTimer m_sent;
    bool m_done = true;
};
