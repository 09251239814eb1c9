// Small helpers for the devserver tests: raw JSON requests for the common steps (create a board,
// add an item, sync, invite and join), so each test reads as the rule it checks.
#pragma once

#include "support/DevServer.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace Api {

QByteArray bytes(const QJsonObject& object);
QString newId();
QStringList ids(const QJsonArray& values);
// The ids of the records in an array of objects.
QStringList recordIds(const QJsonArray& records);
QJsonObject findRecord(const QJsonArray& records, const QString& id);

QJsonObject itemBody(const QString& boardId, const QString& content,
    const QString& status = QStringLiteral("TODO"), qint64 order = 1);
// A RemoteItem as the client sends it in a sync.
QJsonObject remoteItem(const QString& id, const QString& boardId, const QString& createdBy,
    const QString& content, qint64 revision);

QString createBoard(DevServer& server, const QString& token, const QString& name);
// Returns the ItemResponse.
QJsonObject addItem(DevServer& server, const QString& token, const QString& boardId, const QString& itemId,
    const QString& content);
QJsonObject sync(DevServer& server, const QString& token, const QString& boardId, qint64 checkpoint,
    const QJsonArray& items = {});
qint64 boardRevision(DevServer& server, const QString& token, const QString& boardId);
QString invite(DevServer& server, const QString& token, const QString& boardId);
DevServer::Reply join(DevServer& server, const QString& token, const QString& code);

// A fresh service where Ann owns the board "Plans", Bob joined it as an editor and Eve is an
// outsider.
struct SharedBoard
{
    SharedBoard();
    bool isReady() const { return !board.isEmpty() && bob.isValid() && eve.isValid(); }

    DevServer server;
    DevServer::Account ann;
    DevServer::Account bob;
    DevServer::Account eve;
    QString board;
};

} // namespace Api
