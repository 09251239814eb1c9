#include "DemoService.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>

DemoService::~DemoService()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool DemoService::start(const QString& program)
{
    m_process.setProgram(program);
    m_process.setArguments({QStringLiteral("--port"), QStringLiteral("0")});
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString());
        return false;
    }
    static const QRegularExpression listening(QStringLiteral("listening on (http://127\\.0\\.0\\.1:\\d+)"));
    QByteArray output;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(200);
        output += m_process.readAll();
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(output));
        if (match.hasMatch()) {
            m_baseUrl = match.captured(1);
            // Its request log is of no interest here; keep the pipe from filling up.
            QObject::connect(&m_process, &QProcess::readyRead, &m_process, [this] { m_process.readAll(); });
            return true;
        }
    }
    m_error = QStringLiteral("%1 did not report its address: %2").arg(program, QString::fromUtf8(output));
    return false;
}

std::optional<DemoService::Account> DemoService::account(const QString& email, const QString& displayName)
{
    const std::optional<QJsonObject> answer = request("POST", QStringLiteral("/__admin/accounts"),
        {{QStringLiteral("email"), email}, {QStringLiteral("displayName"), displayName}});
    if (!answer)
        return std::nullopt;
    return Account {answer->value(QStringLiteral("userId")).toString(),
        answer->value(QStringLiteral("accessToken")).toString(),
        answer->value(QStringLiteral("refreshToken")).toString()};
}

std::optional<QJsonObject> DemoService::request(
    const QByteArray& method, const QString& path, const QJsonObject& body, const QString& accessToken)
{
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(m_baseUrl + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    if (!accessToken.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + accessToken.toUtf8());
    const QByteArray payload = body.isEmpty() ? QByteArray() : QJsonDocument(body).toJson(QJsonDocument::Compact);
    QNetworkReply* reply = network.sendCustomRequest(request, method, payload);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray answer = reply->isFinished() ? reply->readAll() : QByteArray();
    reply->deleteLater();
    if (status < 200 || status > 299) {
        m_error = QStringLiteral("%1 %2 answered %3: %4")
                      .arg(QString::fromLatin1(method), path, QString::number(status), QString::fromUtf8(answer));
        return std::nullopt;
    }
    return QJsonDocument::fromJson(answer).object();
}
