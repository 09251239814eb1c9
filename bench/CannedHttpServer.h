// A minimal HTTP/1.1 server on 127.0.0.1 that answers requests with responses prepared in advance. It runs on its own thread, so encoding and serving the body stay out of the client's
// measured time: the client pays only for the transfer over the loopback and what it does itself.
#pragma once

#include <QByteArray>
#include <QAtomicInt>
#include <QThread>

class QTcpServer;

class CannedHttpServer
{
public:
    // body: the JSON document every request gets, with status 200; GET requests get getBody instead
    // when one is given (a board's details, while the sync is a POST).
    explicit CannedHttpServer(const QByteArray& body, const QByteArray& getBody = {});
    ~CannedHttpServer();

    // http://127.0.0.1:<port>, or empty when the server could not listen.
    QString baseUrl() const { return m_port ? QStringLiteral("http://127.0.0.1:%1").arg(m_port) : QString(); }
    // Requests answered so far.
    int served() const { return m_served.loadAcquire(); }

private:
    QThread m_thread;
    QTcpServer* m_server = nullptr;
    QByteArray m_response;
    QByteArray m_getResponse;
    quint16 m_port = 0;
    QAtomicInt m_served;
};
