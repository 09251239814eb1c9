#include "PostgresCluster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <libpq-fe.h>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString binDir = QStringLiteral("/usr/lib/postgresql/15/bin/");

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool runAsPostgres()
{
    return geteuid() == 0;
}

} // namespace

PostgresCluster::PostgresCluster() = default;

PostgresCluster::~PostgresCluster()
{
    if (m_running)
        runTool(QStringLiteral("pg_ctl"),
            {QStringLiteral("stop"), QStringLiteral("-D"), dataDir(), QStringLiteral("-m"),
                QStringLiteral("immediate"), QStringLiteral("-s")});
    // QTemporaryDir removes the folder, whoever owns the files in it (the test runs as root then).
}

QString PostgresCluster::dataDir() const
{
    return m_dir.filePath(QStringLiteral("data"));
}

bool PostgresCluster::runTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The postgres user may not enter the test's own working folder.
    process.setWorkingDirectory(m_dir.path());
    if (runAsPostgres())
        process.start(QStringLiteral("runuser"),
            QStringList {
                QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), binDir + tool}
                + arguments);
    else
        process.start(binDir + tool, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        m_error = QStringLiteral("%1 failed: %2").arg(tool, QString::fromUtf8(process.readAll()).trimmed());
        return false;
    }
    return true;
}

bool PostgresCluster::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("cannot make a temporary folder");
        return false;
    }
    if (!QFileInfo::exists(binDir + QStringLiteral("initdb"))) {
        m_error = QStringLiteral("%1initdb is missing (Debian's postgresql package)").arg(binDir);
        return false;
    }
    if (runAsPostgres()) {
        const passwd* user = getpwnam("postgres");
        if (!user || chown(m_dir.path().toLocal8Bit().constData(), user->pw_uid, user->pw_gid) != 0) {
            m_error = QStringLiteral("cannot hand %1 to the postgres user").arg(m_dir.path());
            return false;
        }
    }
    if (!runTool(QStringLiteral("initdb"),
            {QStringLiteral("-D"), dataDir(), QStringLiteral("-U"), QStringLiteral("postgres"),
                QStringLiteral("--auth=trust"), QStringLiteral("--encoding=UTF8"),
                QStringLiteral("--locale=C"), QStringLiteral("--no-sync")}))
        return false;
    m_port = freePort();
    // fsync off unless asked: the cluster lives as long as the test; nothing needs to survive a crash.
    const QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -k %2 -c fsync=%3"
                                           " -c max_connections=50")
                                .arg(m_port)
                                .arg(m_dir.path(), m_durable ? QStringLiteral("on") : QStringLiteral("off"));
    if (!runTool(QStringLiteral("pg_ctl"),
            {QStringLiteral("start"), QStringLiteral("-D"), dataDir(), QStringLiteral("-w"),
                QStringLiteral("-s"), QStringLiteral("-l"), m_dir.filePath(QStringLiteral("postgres.log")),
                QStringLiteral("-o"), options}))
        return false;
    m_running = true;
    return true;
}

qint64 PostgresCluster::serverProcessId() const
{
    QFile file(QDir(dataDir()).filePath(QStringLiteral("postmaster.pid")));
    if (!m_running || !file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine().trimmed().toLongLong();
}

QString PostgresCluster::queryValue(const QString& sql)
{
    const QByteArray admin
        = QStringLiteral("postgresql://postgres@127.0.0.1:%1/postgres").arg(m_port).toUtf8();
    PGconn* connection = PQconnectdb(admin.constData());
    QString value;
    if (PQstatus(connection) == CONNECTION_OK) {
        PGresult* result = PQexec(connection, sql.toUtf8().constData());
        if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0)
            value = QString::fromUtf8(PQgetvalue(result, 0, 0));
        else
            m_error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        PQclear(result);
    } else {
        m_error = QString::fromUtf8(PQerrorMessage(connection)).trimmed();
    }
    PQfinish(connection);
    return value;
}

QString PostgresCluster::createDatabase()
{
    const QString name = QStringLiteral("plenko_%1").arg(++m_databases);
    const QByteArray admin
        = QStringLiteral("postgresql://postgres@127.0.0.1:%1/postgres").arg(m_port).toUtf8();
    PGconn* connection = PQconnectdb(admin.constData());
    bool created = false;
    if (PQstatus(connection) == CONNECTION_OK) {
        PGresult* result
            = PQexec(connection, QStringLiteral("CREATE DATABASE %1").arg(name).toUtf8().constData());
        created = PQresultStatus(result) == PGRES_COMMAND_OK;
        if (!created)
            m_error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        PQclear(result);
    } else {
        m_error = QString::fromUtf8(PQerrorMessage(connection)).trimmed();
    }
    PQfinish(connection);
    if (!created)
        return {};
    return QStringLiteral("postgresql://postgres@127.0.0.1:%1/%2").arg(m_port).arg(name);
}
