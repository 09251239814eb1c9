#include "ServerTestCase.h"

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
