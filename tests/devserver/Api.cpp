#include "Api.h"

#include <QJsonDocument>
#include <QUrl>
#include <QUuid>

QByteArray Api::bytes(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString Api::newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QStringList Api::ids(const QJsonArray& values)
{
    QStringList result;
    for (const QJsonValue& value : values)
        result.append(value.toString());
    return result;
}

QStringList Api::recordIds(const QJsonArray& records)
{
    QStringList result;
    for (const QJsonValue& value : records)
        result.append(value.toObject().value(QStringLiteral("id")).toString());
    return result;
}

QJsonObject Api::findRecord(const QJsonArray& records, const QString& id)
{
    for (const QJsonValue& value : records) {
        if (value.toObject().value(QStringLiteral("id")).toString() == id)
            return value.toObject();
    }
    return {};
}

QJsonObject Api::itemBody(const QString& boardId, const QString& content, const QString& status, qint64 order)
{
    return {{QStringLiteral("content"), content}, {QStringLiteral("status"), status},
        {QStringLiteral("order"), order},
        {QStringLiteral("createdAt"), QStringLiteral("2024-05-01T12:30:00Z")},
        {QStringLiteral("boardId"), boardId}};
}

QJsonObject Api::remoteItem(const QString& id, const QString& boardId, const QString& createdBy,
    const QString& content, qint64 revision)
{
    return {{QStringLiteral("id"), id}, {QStringLiteral("content"), content},
        {QStringLiteral("status"), QStringLiteral("TODO")}, {QStringLiteral("boardId"), boardId},
        {QStringLiteral("createdAt"), QStringLiteral("2024-05-01T12:30:00Z")},
        {QStringLiteral("createdBy"), createdBy}, {QStringLiteral("order"), 1},
        {QStringLiteral("updatedAt"), QStringLiteral("2024-05-02T08:00:00Z")},
        {QStringLiteral("revision"), revision}};
}

QString Api::createBoard(DevServer& server, const QString& token, const QString& name)
{
    return server
        .request("POST", QStringLiteral("/api/boards"), bytes({{QStringLiteral("name"), name}}), token)
        .object()
        .value(QStringLiteral("id"))
        .toString();
}

QJsonObject Api::addItem(DevServer& server, const QString& token, const QString& boardId,
    const QString& itemId, const QString& content)
{
    return server
        .request("POST", QStringLiteral("/api/boards/%1/items/%2").arg(boardId, itemId),
            bytes(itemBody(boardId, content)), token)
        .object();
}

QJsonObject Api::sync(DevServer& server, const QString& token, const QString& boardId, qint64 checkpoint,
    const QJsonArray& items)
{
    return server
        .request("POST", QStringLiteral("/api/boards/%1/sync").arg(boardId),
            bytes({{QStringLiteral("checkpoint"), checkpoint}, {QStringLiteral("items"), items}}), token)
        .object();
}

qint64 Api::boardRevision(DevServer& server, const QString& token, const QString& boardId)
{
    return server.request("GET", QStringLiteral("/api/boards/%1").arg(boardId), std::nullopt, token)
        .object()
        .value(QStringLiteral("board"))
        .toObject()
        .value(QStringLiteral("revision"))
        .toInteger(-1);
}

QString Api::invite(DevServer& server, const QString& token, const QString& boardId)
{
    return server
        .request("POST", QStringLiteral("/api/boards/%1/invitations").arg(boardId), std::nullopt, token)
        .object()
        .value(QStringLiteral("code"))
        .toString();
}

DevServer::Reply Api::join(DevServer& server, const QString& token, const QString& code)
{
    return server.request("PATCH",
        QStringLiteral("/api/boards/invitations?code=") + QString::fromLatin1(QUrl::toPercentEncoding(code)),
        std::nullopt, token);
}

Api::SharedBoard::SharedBoard()
{
    if (!server.isRunning())
        return;
    ann = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
    bob = server.createAccount(QStringLiteral("bob@example.com"), QStringLiteral("Bob"));
    eve = server.createAccount(QStringLiteral("eve@example.com"), QStringLiteral("Eve"));
    const QString created = createBoard(server, ann.accessToken, QStringLiteral("Plans"));
    if (join(server, bob.accessToken, invite(server, ann.accessToken, created)).status == 200)
        board = created;
}
