// A private PostgreSQL for tests: a cluster made by Debian's initdb in a temporary folder, listening
// on 127.0.0.1 (and a socket in that folder) on a free port, with trust authentication, stopped and
// removed when the object goes. Run as root (CI's chroot), initdb and postgres refuse to start, so
// they then run as the "postgres" user the package creates, which then owns the folder.
#pragma once

#include <QString>
#include <QTemporaryDir>

class PostgresCluster
{
public:
    PostgresCluster();
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    // Before start(): write to disk as a production cluster does (fsync on). Tests leave it off, as
    // their cluster need not survive a crash; a benchmark that compares with SQLite turns it on.
    void setDurable(bool durable) { m_durable = durable; }
    // Makes and starts the cluster; false with errorString() when it cannot.
    bool start();
    QString errorString() const { return m_error; }
    // Creates an empty database and returns its postgresql:// URI; empty on failure.
    QString createDatabase();
    quint16 port() const { return m_port; }
    // The first value of a query run on the cluster's "postgres" database (its statistics views);
    // empty on failure.
    QString queryValue(const QString& sql);
    // The cluster's main process (its postmaster.pid); 0 when it is not running.
    qint64 serverProcessId() const;

private:
    bool runTool(const QString& tool, const QStringList& arguments);
    QString dataDir() const;

    QTemporaryDir m_dir;
    QString m_error;
    quint16 m_port = 0;
    int m_databases = 0;
    bool m_running = false;
    bool m_durable = false;
};
