#include "ServerProcess.h"

#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcessEnvironment>
#include <QRegularExpression>
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

ServerProcess::ServerProcess(const QString& configText)
{
    QFile file(configPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(configText.toUtf8()) < 0)
        m_error = QStringLiteral("cannot write %1").arg(configPath());
    file.close();
    m_process.setWorkingDirectory(m_dir.path());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] {
        m_pending += m_process.readAllStandardOutput();
        qsizetype newline;
        while ((newline = m_pending.indexOf('\n')) >= 0) {
            m_output.append(QString::fromUtf8(m_pending.left(newline)));
            m_pending.remove(0, newline + 1);
        }
    });
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
    const qsizetype firstLine = m_output.size();
    m_process.start(program(), {QStringLiteral("--config"), configPath()});
    static const QRegularExpression ready(
        QStringLiteral("^plenko-server listening on http://127\\.0\\.0\\.1:(\\d+)$"));
    const bool settled = QTest::qWaitFor(
        [&] {
            for (qsizetype i = firstLine; i < m_output.size(); ++i) {
                const QRegularExpressionMatch match = ready.match(m_output.at(i));
                if (match.hasMatch())
                    m_port = quint16(match.captured(1).toUInt());
            }
            return m_port != 0 || m_process.state() == QProcess::NotRunning;
        },
        15000);
    if (m_port == 0) {
        m_error = settled ? QStringLiteral("plenko-server exited with code %1").arg(m_process.exitCode())
                          : QStringLiteral("plenko-server did not start within 15 seconds");
        stop();
        return false;
    }
    return true;
}

void ServerProcess::stop()
{
    m_port = 0;
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
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
    return send("GET", pathAndQuery, {}, {}, {});
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

ServerProcess::Reply ServerProcess::send(const QByteArray& method, const QString& pathAndQuery,
    const QByteArray& body, const QByteArray& contentType, const QString& accessToken)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port) + pathAndQuery));
    request.setTransferTimeout(10000);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    if (!accessToken.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + accessToken.toUtf8());
    QNetworkReply* reply = m_network.sendCustomRequest(request, method, body);
    Reply result;
    if (QTest::qWaitFor([reply] { return reply->isFinished(); }, 11000)) {
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        result.headers = reply->rawHeaderPairs();
    } else {
        reply->abort();
    }
    reply->deleteLater();
    return result;
}
