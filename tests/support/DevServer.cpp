#include "DevServer.h"

#include "PostgresCluster.h"
#include "domain/Ids.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkRequest>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <expected>

namespace {

PostgresCluster* sharedCluster = nullptr;

// With PLENKO_TEST_SERVICE_DATABASE=postgresql, a devserver started without a data file keeps its
// data in a new, empty PostgreSQL database (so it starts empty, as it does in memory), in one private
// cluster per test process, removed when the application ends. Empty: keep the data in memory.
std::expected<QString, QString> serviceDatabase()
{
    if (QProcessEnvironment::systemEnvironment().value(QStringLiteral("PLENKO_TEST_SERVICE_DATABASE"))
        != QLatin1String("postgresql"))
        return QString();
    if (!sharedCluster) {
        sharedCluster = new PostgresCluster;
        qAddPostRoutine([] {
            delete sharedCluster;
            sharedCluster = nullptr;
        });
        if (!sharedCluster->start())
            return std::unexpected(sharedCluster->errorString());
    }
    const QString uri = sharedCluster->createDatabase();
    if (uri.isEmpty())
        return std::unexpected(sharedCluster->errorString());
    return uri;
}

} // namespace

QJsonValue DevServer::Reply::json() const
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (document.isArray())
        return document.array();
    if (document.isObject())
        return document.object();
    return {};
}

QJsonObject DevServer::Reply::object() const
{
    return QJsonDocument::fromJson(body).object();
}

QByteArray DevServer::Reply::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

DevServer::DevServer()
    : DevServer(Options {})
{
}

DevServer::DevServer(Options options)
    : m_options(std::move(options))
{
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    start();
}

DevServer::~DevServer()
{
    stop();
}

QUrl DevServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}

bool DevServer::start()
{
    m_port = 0;
    const QString program
        = QProcessEnvironment::systemEnvironment().value(QStringLiteral("PLENKO_DEVSERVER"));
    if (program.isEmpty()) {
        m_error = QStringLiteral("PLENKO_DEVSERVER is not set; run the test through ctest.");
        return false;
    }
    QStringList arguments {QStringLiteral("--port"), QStringLiteral("0")};
    if (m_options.snakeCase)
        arguments << QStringLiteral("--snake-case");
    if (!m_options.dataFile.isEmpty()) {
        arguments << QStringLiteral("--data") << m_options.dataFile;
    } else {
        // A restart keeps its database, as a restarted service keeps its data.
        if (!m_database) {
            const std::expected<QString, QString> database = serviceDatabase();
            if (!database) {
                m_error = QStringLiteral("no PostgreSQL database for plenko-devserver: %1").arg(database.error());
                return false;
            }
            m_database = *database;
        }
        if (!m_database->isEmpty())
            arguments << QStringLiteral("--data") << *m_database;
    }
    if (m_options.accessTtlSeconds)
        arguments << QStringLiteral("--access-ttl") << QString::number(*m_options.accessTtlSeconds);
    if (!m_options.latestVersion.isEmpty())
        arguments << QStringLiteral("--latest-version") << m_options.latestVersion;

    static const QRegularExpression ready(
        QStringLiteral("^plenko-devserver listening on http://127\\.0\\.0\\.1:(\\d+)$"));
    m_port = m_process.start(program, arguments, ready);
    if (m_port == 0) {
        m_error = m_process.errorString();
        return false;
    }
    m_error.clear();
    return true;
}

void DevServer::stop()
{
    m_process.stop();
    m_port = 0;
}

bool DevServer::restart()
{
    stop();
    return start();
}

int DevServer::answered(const QByteArray& method, const QString& path)
{
    const auto count = [this](const QString& prefix) {
        const QStringList lines = m_process.output();
        return std::count_if(
            lines.cbegin(), lines.cend(), [&prefix](const QString& line) { return line.startsWith(prefix); });
    };
    const QString marker = QStringLiteral("GET /__admin/feedback -> ");
    const auto before = count(marker);
    if (request("GET", QStringLiteral("/__admin/feedback")).status != 200
        || !QTest::qWaitFor([&] { return count(marker) > before; }, 5000))
        return -1;
    return int(count(QString::fromLatin1(method) + QLatin1Char(' ') + path + QStringLiteral(" -> ")));
}

DevServer::Reply DevServer::request(const QByteArray& method, const QString& pathAndQuery,
    const std::optional<QByteArray>& body, const QString& accessToken, int timeoutMs)
{
    QNetworkRequest request(QUrl(baseUrl().toString() + pathAndQuery));
    request.setTransferTimeout(timeoutMs);
    if (body)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    if (!accessToken.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + accessToken.toUtf8());
    QNetworkReply* reply = m_network.sendCustomRequest(request, method, body.value_or(QByteArray()));
    Reply result;
    if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, timeoutMs + 1000)) {
        reply->abort();
        result.error = QNetworkReply::TimeoutError;
    } else {
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        result.error = reply->error();
        result.headers = reply->rawHeaderPairs();
    }
    reply->deleteLater();
    return result;
}

bool DevServer::expectNoContent(const Reply& reply, const QString& what)
{
    if (reply.status == 204)
        return true;
    m_error
        = QStringLiteral("%1 answered %2: %3").arg(what).arg(reply.status).arg(QString::fromUtf8(reply.body));
    return false;
}

DevServer::Account DevServer::createAccount(const QString& email, const QString& displayName)
{
    const Reply reply = request("POST", QStringLiteral("/__admin/accounts"),
        QJsonDocument(
            QJsonObject {{QStringLiteral("email"), email}, {QStringLiteral("displayName"), displayName}})
            .toJson(QJsonDocument::Compact));
    if (reply.status != 200) {
        m_error = QStringLiteral("creating %1 answered %2: %3")
                      .arg(email)
                      .arg(reply.status)
                      .arg(QString::fromUtf8(reply.body));
        return {};
    }
    const QJsonObject json = reply.object();
    return {json.value(QStringLiteral("userId")).toString(),
        json.value(QStringLiteral("accessToken")).toString(),
        json.value(QStringLiteral("refreshToken")).toString()};
}

bool DevServer::reset()
{
    return expectNoContent(
        request("POST", QStringLiteral("/__admin/reset"), QByteArray()), QStringLiteral("reset"));
}

bool DevServer::advanceClock(qint64 seconds)
{
    const Reply reply = request("POST", QStringLiteral("/__admin/clock"),
        QJsonDocument(QJsonObject {{QStringLiteral("advanceSeconds"), seconds}})
            .toJson(QJsonDocument::Compact));
    if (reply.status == 200)
        return true;
    m_error = QStringLiteral("clock answered %1: %2").arg(reply.status).arg(QString::fromUtf8(reply.body));
    return false;
}

bool DevServer::expireAccessTokens(const std::optional<QString>& accessToken)
{
    QJsonObject body;
    if (accessToken)
        body.insert(QStringLiteral("accessToken"), *accessToken);
    return expectNoContent(request("POST", QStringLiteral("/__admin/tokens/expire"),
                               QJsonDocument(body).toJson(QJsonDocument::Compact)),
        QStringLiteral("token expiry"));
}

bool DevServer::injectFault(const QJsonObject& fault)
{
    return expectNoContent(request("POST", QStringLiteral("/__admin/faults"),
                               QJsonDocument(fault).toJson(QJsonDocument::Compact)),
        QStringLiteral("fault injection"));
}

bool DevServer::failNext(
    int count, int status, const QString& pathPrefix, const std::optional<QByteArray>& body)
{
    QJsonObject fault {{QStringLiteral("kind"), QStringLiteral("status")}, {QStringLiteral("count"), count},
        {QStringLiteral("status"), status}, {QStringLiteral("pathPrefix"), pathPrefix}};
    if (body)
        fault.insert(QStringLiteral("body"), QString::fromUtf8(*body));
    return injectFault(fault);
}

bool DevServer::closeNext(int count, const QString& pathPrefix)
{
    return injectFault({{QStringLiteral("kind"), QStringLiteral("close")}, {QStringLiteral("count"), count},
        {QStringLiteral("pathPrefix"), pathPrefix}});
}

bool DevServer::delayNext(int count, int delayMs, const QString& pathPrefix)
{
    return injectFault({{QStringLiteral("kind"), QStringLiteral("delay")}, {QStringLiteral("count"), count},
        {QStringLiteral("delayMs"), delayMs}, {QStringLiteral("pathPrefix"), pathPrefix}});
}

bool DevServer::malformedNext(int count, const QString& pathPrefix)
{
    return injectFault({{QStringLiteral("kind"), QStringLiteral("malformed")},
        {QStringLiteral("count"), count}, {QStringLiteral("pathPrefix"), pathPrefix}});
}

bool DevServer::dropAnswerNext(int count, const QString& pathPrefix)
{
    return injectFault({{QStringLiteral("kind"), QStringLiteral("dropAnswer")},
        {QStringLiteral("count"), count}, {QStringLiteral("pathPrefix"), pathPrefix}});
}

bool DevServer::delayAnswerNext(int count, int delayMs, const QString& pathPrefix)
{
    return injectFault(
        {{QStringLiteral("kind"), QStringLiteral("delayAnswer")}, {QStringLiteral("count"), count},
            {QStringLiteral("delayMs"), delayMs}, {QStringLiteral("pathPrefix"), pathPrefix}});
}

bool DevServer::clearFaults()
{
    return expectNoContent(
        request("DELETE", QStringLiteral("/__admin/faults")), QStringLiteral("clearing faults"));
}

DevServer::BoardContents DevServer::boardContents(const QUuid& boardId, const QString& accessToken)
{
    const Reply reply = request("POST",
        QStringLiteral("/api/boards/%1/sync").arg(uuidText(boardId)),
        QByteArray(R"({"checkpoint":0,"items":[]})"), accessToken);
    BoardContents board;
    if (reply.status != 200)
        return board;
    const QJsonObject answer = reply.object();
    for (const QJsonValue& item : answer.value(QStringLiteral("newItems")).toArray())
        board.live.insert(QUuid::fromString(item[QStringLiteral("id")].toString()), item.toObject());
    for (const QJsonValue& id : answer.value(QStringLiteral("deletedItems")).toArray())
        board.deleted.insert(QUuid::fromString(id.toString()));
    board.checkpoint = answer.value(QStringLiteral("latestCheckpoint")).toInteger(-1);
    return board;
}
