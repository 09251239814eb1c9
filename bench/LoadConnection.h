// One load client's connection to the server: a single kept-alive HTTP/1.1 connection that carries
// one request at a time, its answer read by Boost.Beast's parser. Costs the bench far less processor
// time per request than a QNetworkAccessManager, so the server's share of the machine is what the
// bench measures.
#pragma once

#include <QByteArray>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <memory>

class LoadConnection
{
public:
    // status is 0 when no whole answer came: the connection closed or failed, or the timeout passed.
    using Answer = std::function<void(int status, const QByteArray& body)>;

    LoadConnection(quint16 port, int timeoutMs);
    ~LoadConnection();
    LoadConnection(const LoadConnection&) = delete;
    LoadConnection& operator=(const LoadConnection&) = delete;

    // Sends the whole request (request line, headers and body as they go on the wire); answer() runs
    // once, from the event loop. One request at a time.
    void send(QByteArray request, Answer answer);

private:
    struct Parser;

    void readAnswer();
    void finish(int status, const QByteArray& body);

    const quint16 m_port;
    QTcpSocket m_socket;
    QTimer m_timeout;
    std::unique_ptr<Parser> m_parser;
    QByteArray m_unread;
    Answer m_answer;
};
