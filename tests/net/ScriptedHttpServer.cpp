#include "ScriptedHttpServer.h"

#include <QTcpSocket>
#include <algorithm>

#include <utility>

QString RecordedRequest::path() const
{
    const int question = target.indexOf('?');
    return QString::fromUtf8(question < 0 ? target : target.left(question));
}

QString RecordedRequest::query() const
{
    const int question = target.indexOf('?');
    return question < 0 ? QString() : QString::fromUtf8(target.mid(question + 1));
}

ScriptedHttpServer::ScriptedHttpServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    });
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("The scripted server could not listen on 127.0.0.1: %s", qPrintable(m_server.errorString()));
}

QString ScriptedHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void ScriptedHttpServer::readFrom(QTcpSocket* socket)
{
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    {
        const int headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        RecordedRequest request;
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const int colon = line.indexOf(':');
            if (colon > 0)
                request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        m_buffers.remove(socket);
        if (!m_heldPath.isEmpty() && request.path() == m_heldPath) {
            m_held.append({ QPointer<QTcpSocket>(socket), request });
            return;
        }
        // One request per connection: every reply closes it.
        answer(socket, request);
    }
}

void ScriptedHttpServer::answer(QTcpSocket* socket, const RecordedRequest& request)
{
    const ScriptedReply reply = m_script.isEmpty() ? ScriptedReply::text(599, "nothing scripted") : m_script.constFirst();
    ++m_arrivals;
    const bool hangUp
        = reply.kind == ScriptedReply::Kind::hangUp || reply.kind == ScriptedReply::Kind::hangUpGently;
    // The HTTP client resends a request whose connection closed before any answer; such a resend is
    // the same request, so it is recorded once and meets the same hang-up.
    const bool resend = hangUp && m_lastWasHungUp && !m_requests.isEmpty()
        && m_requests.constLast().method == request.method && m_requests.constLast().target == request.target;
    if (!resend)
        m_requests.append(request);
    m_lastWasHungUp = hangUp;
    if (hangUp) {
        if (reply.kind == ScriptedReply::Kind::hangUp)
            socket->abort();
        else
            socket->disconnectFromHost();
        return;
    }
    if (!m_script.isEmpty())
        m_script.removeFirst();
    if (reply.kind == ScriptedReply::Kind::silence)
        return;
    if (reply.kind == ScriptedReply::Kind::stream) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
                      "Connection: close\r\n\r\n"
            + reply.body);
        m_streams.append(socket);
        return;
    }
    QByteArray response = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
    response += "Content-Type: " + reply.contentType + "\r\n";
    if (reply.chunked) {
        response += "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
        constexpr qsizetype chunk = 64 * 1024;
        for (qsizetype at = 0; at < reply.body.size(); at += chunk) {
            const QByteArray piece = reply.body.mid(at, chunk);
            response += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        }
        response += "0\r\n\r\n";
    } else {
        response += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        response += "Connection: close\r\n\r\n";
        response += reply.body;
    }
    socket->write(response);
    socket->disconnectFromHost();
}

void ScriptedHttpServer::releaseHeld()
{
    m_heldPath.clear();
    const auto held = std::exchange(m_held, {});
    for (const auto& [socket, request] : held) {
        if (socket)
            answer(socket, request);
    }
}

int ScriptedHttpServer::openStreams() const
{
    return int(std::count_if(m_streams.cbegin(), m_streams.cend(), [](const QPointer<QTcpSocket>& socket) {
        return socket && socket->state() == QAbstractSocket::ConnectedState;
    }));
}

bool ScriptedHttpServer::pushToStream(const QByteArray& bytes)
{
    for (auto it = m_streams.crbegin(); it != m_streams.crend(); ++it) {
        if (*it && (*it)->state() == QAbstractSocket::ConnectedState) {
            (*it)->write(bytes);
            (*it)->flush();
            return true;
        }
    }
    return false;
}

void ScriptedHttpServer::endStreams(bool reset)
{
    const QList<QPointer<QTcpSocket>> streams = std::exchange(m_streams, {});
    for (const QPointer<QTcpSocket>& socket : streams) {
        if (!socket)
            continue;
        if (reset)
            socket->abort();
        else
            socket->disconnectFromHost();
    }
}
