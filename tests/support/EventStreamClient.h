// A raw client of GET /api/events on 127.0.0.1, for tests and benchmarks: opens the stream with a
// token, parses the frames that arrive (name and JSON data; heartbeat comments counted), and tells
// when the server ends the stream. Every wait is bounded.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QTcpSocket>
#include <functional>

class EventStreamClient
{
public:
    struct Event
    {
        QByteArray name;
        QJsonObject data;
        // Milliseconds since open() when the frame was parsed.
        qint64 atMs = 0;
    };

    // Set before open(): a client that takes at most this many bytes into its buffers (0: no limit),
    // as one that has stopped reading.
    void setReadLimit(qint64 bytes) { m_readLimit = bytes; }
    // Set before open(): the client a trusted proxy says it forwards for (X-Forwarded-For).
    void setForwardedFor(const QByteArray& address) { m_forwardedFor = address; }
    // Sends the request and waits for the answer's head; false when no head came.
    bool open(quint16 port, const QString& accessToken, int waitMs = 5000);
    int status() const { return m_status; }
    const QByteArray& head() const { return m_head; }
    // What followed the head of an answer other than 200 (its error body), as far as it has arrived.
    const QByteArray& refusalBody() const { return m_buffer; }
    // The hello frame's session tag.
    QString session() const;

    // Reads what has arrived, waiting at most waitMs for more.
    void pump(int waitMs);
    // Waits for a frame with this name that the check accepts; the frames before it stay in events().
    const Event* waitFor(
        const QByteArray& name, int waitMs, const std::function<bool(const Event&)>& check = {});
    // Waits until the server has closed the stream.
    bool waitClosed(int waitMs);
    bool isClosed() const { return m_socket.state() != QAbstractSocket::ConnectedState; }
    const QList<Event>& events() const { return m_events; }
    int count(const QByteArray& name) const;
    int heartbeats() const { return m_heartbeats; }
    qint64 bytesRead() const { return m_bytesRead; }
    void close();

private:
    void parse();

    QTcpSocket m_socket;
    QElapsedTimer m_opened;
    QByteArray m_buffer;
    QByteArray m_head;
    QList<Event> m_events;
    int m_status = 0;
    int m_heartbeats = 0;
    qint64 m_bytesRead = 0;
    qint64 m_readLimit = 0;
    QByteArray m_forwardedFor;
    qsizetype m_searched = 0;
};
