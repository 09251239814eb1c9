#include "ListeningProcess.h"

#include <QFileInfo>
#include <QTest>

ListeningProcess::ListeningProcess()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] {
        m_pending += m_process.readAllStandardOutput();
        qsizetype newline;
        while ((newline = m_pending.indexOf('\n')) >= 0) {
            m_output.append(QString::fromUtf8(m_pending.left(newline)));
            m_pending.remove(0, newline + 1);
        }
    });
}

ListeningProcess::~ListeningProcess()
{
    stop();
}

quint16 ListeningProcess::start(
    const QString& program, const QStringList& arguments, const QRegularExpression& ready)
{
    const qsizetype firstLine = m_output.size();
    m_process.start(program, arguments);
    quint16 port = 0;
    const bool settled = QTest::qWaitFor(
        [&] {
            for (qsizetype i = firstLine; i < m_output.size() && port == 0; ++i) {
                const QRegularExpressionMatch match = ready.match(m_output.at(i));
                if (match.hasMatch())
                    port = quint16(match.captured(1).toUInt());
            }
            return port != 0 || m_process.state() == QProcess::NotRunning;
        },
        15000);
    if (port != 0) {
        m_error.clear();
        return port;
    }
    const QString name = QFileInfo(program).fileName();
    if (!settled)
        m_error = QStringLiteral("%1 did not start within 15 seconds").arg(name);
    else if (m_process.error() == QProcess::FailedToStart)
        m_error = QStringLiteral("%1 did not start: %2").arg(name, m_process.errorString());
    else
        m_error = QStringLiteral("%1 exited with code %2").arg(name).arg(m_process.exitCode());
    stop();
    return 0;
}

void ListeningProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}
