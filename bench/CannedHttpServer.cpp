#include "CannedHttpServer.h"

#include <QHostAddress>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>

namespace {
// Reads one request at a time from the socket (headers, then Content-Length bytes of body) and
// answers each complete one; keep-alive connections may send several.
void serve(QTcpSocket* socket, const QByteArray& response, const QByteArray& getResponse, QAtomicInt& served)
{
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, buffer, &response, &getResponse, &served] {
        buffer->append(socket->readAll());
        for (;;) {
            const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
            if (headerEnd < 0)
                return;
            qsizetype length = 0;
            const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
            for (const QByteArray& line : lines) {
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            }
            if (buffer->size() < headerEnd + 4 + length)
                return;
            const bool get = buffer->startsWith("GET ");
            buffer->remove(0, headerEnd + 4 + length);
            socket->write(get ? getResponse : response);
            served.fetchAndAddRelease(1);
        }
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}
}

namespace {
QByteArray okResponse(const QByteArray& body)
{
    return QByteArrayLiteral("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: ")
        + QByteArray::number(body.size()) + QByteArrayLiteral("\r\nConnection: keep-alive\r\n\r\n") + body;
}
}

CannedHttpServer::CannedHttpServer(const QByteArray& body, const QByteArray& getBody)
    : m_response(okResponse(body))
    , m_getResponse(getBody.isNull() ? m_response : okResponse(getBody))
{
    QSemaphore ready;
    m_thread.start();
    auto* server = new QTcpServer;
    m_server = server;
    server->moveToThread(&m_thread);
    QMetaObject::invokeMethod(server, [this, server, &ready] {
        if (server->listen(QHostAddress::LocalHost))
            m_port = server->serverPort();
        QObject::connect(server, &QTcpServer::newConnection, server, [this, server] {
            while (QTcpSocket* socket = server->nextPendingConnection())
                serve(socket, m_response, m_getResponse, m_served);
        });
        ready.release();
    });
    ready.acquire();
}

CannedHttpServer::~CannedHttpServer()
{
    // Deleted on its own thread, with the connections it still holds.
    QMetaObject::invokeMethod(m_server, [server = m_server] { delete server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}
