#include "ServerProcess.h"

#include <QFile>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QTest>

namespace {

QString program()
{
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("PLENKO_SERVER"));
}

} // namespace

QByteArray ServerProcess::Reply::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QJsonObject ServerProcess::Reply::json() const
{
    return QJsonDocument::fromJson(body).object();
}

QString ServerProcess::config(const QString& database, const QString& more, const QString& signUp)
{
    return QStringLiteral(
        "[server]\naddress=127.0.0.1\nport=0\n[database]\npath=%1\n[accounts]\nsignUp=%2\n%3")
        .arg(database, signUp, more);
}

ServerProcess::ServerProcess(const QString& configText)
{
    QFile file(configPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(configText.toUtf8()) < 0)
        m_error = QStringLiteral("cannot write %1").arg(configPath());
    file.close();
    m_process.setWorkingDirectory(m_dir.path());
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

ServerProcess::~ServerProcess()
{
    stop();
}

bool ServerProcess::start()
{
    if (program().isEmpty()) {
        m_error = QStringLiteral("PLENKO_SERVER is not set; run the test through ctest.");
        return false;
    }
    static const QRegularExpression ready(
        QStringLiteral("^plenko-server listening on https?://127\\.0\\.0\\.1:(\\d+)$"));
    m_port = m_process.start(program(), {QStringLiteral("--config"), configPath()}, ready);
    if (m_port == 0) {
        m_error = m_process.errorString();
        return false;
    }
    const QStringList lines = m_process.output().filter(QStringLiteral("plenko-server listening on "));
    m_scheme = lines.last().contains(QStringLiteral(" on https://")) ? QStringLiteral("https")
                                                                     : QStringLiteral("http");
    return true;
}

void ServerProcess::stop()
{
    m_port = 0;
    m_process.stop();
}

void ServerProcess::trustCertificate(const QSslCertificate& certificate)
{
    m_trusted = certificate;
    // Connections and TLS sessions of the earlier trust would be reused otherwise.
    m_network.clearConnectionCache();
}

ServerProcess::Outcome ServerProcess::run(const QStringList& arguments)
{
    QProcess process;
    process.start(program(), arguments);
    Outcome outcome;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(2000);
        outcome.err = QStringLiteral("did not finish");
        return outcome;
    }
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

ServerProcess::Reply ServerProcess::get(const QString& pathAndQuery)
{
    return send("GET", pathAndQuery);
}

ServerProcess::Reply ServerProcess::post(
    const QString& path, const QByteArray& body, const QByteArray& contentType, const QString& accessToken)
{
    return send("POST", path, body, contentType, accessToken);
}

ServerProcess::Reply ServerProcess::getWithToken(const QString& path, const QString& accessToken)
{
    return send("GET", path, {}, {}, accessToken);
}

ServerProcess::Reply ServerProcess::sendJson(
    const QByteArray& method, const QString& path, const QJsonObject& body, const QString& accessToken)
{
    return send(method, path, QJsonDocument(body).toJson(QJsonDocument::Compact),
        QByteArrayLiteral("application/json"), accessToken);
}

ServerProcess::Reply ServerProcess::send(const QByteArray& method, const QString& pathAndQuery,
    const QByteArray& body, const QByteArray& contentType, const QString& accessToken, const Headers& headers)
{
    QNetworkRequest request(
        QUrl(QStringLiteral("%1://127.0.0.1:%2").arg(m_scheme).arg(m_port) + pathAndQuery));
    request.setTransferTimeout(10000);
    if (!m_trusted.isNull()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates({m_trusted});
        request.setSslConfiguration(tls);
    }
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    if (!accessToken.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + accessToken.toUtf8());
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply* reply = m_network.sendCustomRequest(request, method, body);
    Reply result;
    if (QTest::qWaitFor([reply] { return reply->isFinished(); }, 11000)) {
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        result.headers = reply->rawHeaderPairs();
        if (reply->error() != QNetworkReply::NoError)
            result.error = reply->errorString();
    } else {
        reply->abort();
        result.error = QStringLiteral("no answer within 10 seconds");
    }
    reply->deleteLater();
    return result;
}
