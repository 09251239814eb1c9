#include "EventStreamClient.h"

#include <QJsonDocument>
#include <algorithm>

bool EventStreamClient::open(quint16 port, const QString& accessToken, int waitMs)
{
    if (m_readLimit > 0) {
        m_socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, int(m_readLimit));
        m_socket.setReadBufferSize(m_readLimit);
    }
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    if (!m_socket.waitForConnected(waitMs))
        return false;
    // Set again on the connected socket: before connecting, Qt has no socket to set it on.
    if (m_readLimit > 0)
        m_socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, int(m_readLimit));
    m_opened.start();
    const QByteArray forwarded
        = m_forwardedFor.isEmpty() ? QByteArray() : "X-Forwarded-For: " + m_forwardedFor + "\r\n";
    m_socket.write("GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: text/event-stream\r\n" + forwarded
        + "Authorization: Bearer " + accessToken.toUtf8() + "\r\n\r\n");
    QElapsedTimer waited;
    waited.start();
    while (m_head.isEmpty() && waited.elapsed() < waitMs) {
        pump(50);
        if (isClosed() && m_socket.bytesAvailable() == 0)
            break;
    }
    return !m_head.isEmpty();
}

QString EventStreamClient::session() const
{
    for (const Event& event : m_events) {
        if (event.name == "hello")
            return event.data.value(QStringLiteral("session")).toString();
    }
    return {};
}

void EventStreamClient::pump(int waitMs)
{
    if (m_socket.bytesAvailable() == 0 && m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.waitForReadyRead(waitMs);
    const QByteArray arrived = m_socket.readAll();
    m_bytesRead += arrived.size();
    m_buffer += arrived;
    parse();
}

void EventStreamClient::parse()
{
    if (m_head.isEmpty()) {
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        m_head = m_buffer.left(end + 4);
        m_buffer.remove(0, end + 4);
        if (m_head.startsWith("HTTP/1.1 "))
            m_status = m_head.mid(9, 3).toInt();
        if (m_status != 200)
            return;
    }
    if (m_status != 200)
        return;
    for (;;) {
        const qsizetype end = m_buffer.indexOf("\n\n");
        if (end < 0)
            return;
        const QByteArray frame = m_buffer.left(end);
        m_buffer.remove(0, end + 2);
        Event event;
        bool comment = false;
        for (const QByteArray& line : frame.split('\n')) {
            if (line.startsWith(':'))
                comment = true;
            else if (line.startsWith("event: "))
                event.name = line.mid(7);
            else if (line.startsWith("data: "))
                event.data = QJsonDocument::fromJson(line.mid(6)).object();
        }
        if (comment && event.name.isEmpty()) {
            ++m_heartbeats;
            continue;
        }
        event.atMs = m_opened.elapsed();
        m_events.append(event);
    }
}

const EventStreamClient::Event* EventStreamClient::waitFor(
    const QByteArray& name, int waitMs, const std::function<bool(const Event&)>& check)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        for (qsizetype i = m_searched; i < m_events.size(); ++i) {
            if (m_events.at(i).name == name && (!check || check(m_events.at(i)))) {
                m_searched = i + 1;
                return &m_events.at(i);
            }
        }
        if (waited.elapsed() >= waitMs || (isClosed() && m_socket.bytesAvailable() == 0))
            return nullptr;
        pump(int(std::min<qint64>(100, waitMs - waited.elapsed() + 1)));
    }
}

bool EventStreamClient::waitClosed(int waitMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!isClosed() && waited.elapsed() < waitMs)
        pump(100);
    pump(0);
    return isClosed();
}

int EventStreamClient::count(const QByteArray& name) const
{
    return int(
        std::count_if(m_events.cbegin(), m_events.cend(), [&](const Event& e) { return e.name == name; }));
}

void EventStreamClient::close()
{
    m_socket.abort();
}
