// The base of a test class that runs plenko-server processes. With PLENKO_TEST_DATABASE=postgresql
// (a second ctest entry) it starts a private PostgreSQL cluster for the whole run and every new
// database is made in it; otherwise each server keeps a SQLite file in its own folder. A derived
// class that needs more set-up defines its own initTestCase() and calls this one.
#pragma once

#include "support/PostgresCluster.h"
#include "support/ServerProcess.h"

#include <QObject>
#include <QSet>
#include <memory>

class ServerTestCase : public QObject
{
    Q_OBJECT

public:
    // The running cluster, or null on SQLite.
    static PostgresCluster* cluster() { return s_cluster.get(); }
    // The [database] path of a fresh, empty database: "data.sqlite" in the server's folder, or the
    // URI of a new database in the cluster.
    static QString newDatabase();
    // Where the test itself, or another server process, opens the database this server was given.
    static QString location(const ServerProcess& server, const QString& database);
    // ServerProcess::config() on a fresh database by default.
    static QString config(const QString& more = {}, const QString& database = newDatabase(),
        const QString& signUp = QStringLiteral("open"));

    // The whole board as a sync from checkpoint 0 without pending items shows it.
    static ServerProcess::Reply fullSync(
        ServerProcess& server, const QString& boardId, const QString& accessToken);
    // The ids of the items a sync answer names as new.
    static QSet<QString> newItemIds(const ServerProcess::Reply& sync);

protected Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

private:
    static inline std::unique_ptr<PostgresCluster> s_cluster;
};
