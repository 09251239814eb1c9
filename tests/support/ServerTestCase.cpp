#include "ServerTestCase.h"

#include <QJsonArray>
#include <QProcessEnvironment>
#include <QTest>

QString ServerTestCase::newDatabase()
{
    if (!s_cluster)
        return QStringLiteral("data.sqlite");
    const QString uri = s_cluster->createDatabase();
    if (uri.isEmpty())
        qFatal("cannot create a PostgreSQL database: %s", qPrintable(s_cluster->errorString()));
    return uri;
}

QString ServerTestCase::location(const ServerProcess& server, const QString& database)
{
    return s_cluster ? database : server.databasePath();
}

QString ServerTestCase::config(const QString& more, const QString& database, const QString& signUp)
{
    return ServerProcess::config(database, more, signUp);
}

ServerProcess::Reply ServerTestCase::fullSync(
    ServerProcess& server, const QString& boardId, const QString& accessToken)
{
    return server.sendJson("POST", QStringLiteral("/api/boards/%1/sync").arg(boardId),
        {{QStringLiteral("checkpoint"), 0}, {QStringLiteral("items"), QJsonArray()}}, accessToken);
}

QSet<QString> ServerTestCase::newItemIds(const ServerProcess::Reply& sync)
{
    QSet<QString> ids;
    for (const QJsonValue& item : sync.json().value(QStringLiteral("newItems")).toArray())
        ids.insert(item[QStringLiteral("id")].toString());
    return ids;
}

void ServerTestCase::initTestCase()
{
    if (QProcessEnvironment::systemEnvironment().value(QStringLiteral("PLENKO_TEST_DATABASE"))
        != QLatin1String("postgresql"))
        return;
    s_cluster = std::make_unique<PostgresCluster>();
    QVERIFY2(s_cluster->start(), qPrintable(s_cluster->errorString()));
}

void ServerTestCase::cleanupTestCase()
{
    s_cluster.reset();
}
