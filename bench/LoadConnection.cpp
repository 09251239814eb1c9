#include "LoadConnection.h"

#include <QHostAddress>
#include <boost/beast/core/buffers_prefix.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

namespace http = boost::beast::http;

struct LoadConnection::Parser
{
    http::response_parser<http::string_body> parser;
};

LoadConnection::LoadConnection(quint16 port, int timeoutMs)
    : m_port(port)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(timeoutMs);
    QObject::connect(&m_timeout, &QTimer::timeout, &m_socket, [this] {
        m_socket.abort();
        finish(0, {});
    });
    QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { readAnswer(); });
    // A close before the whole answer (or an error on connecting) is no answer; a close the server
    // announced after an answer only means the next request opens a new connection.
    QObject::connect(&m_socket, &QTcpSocket::disconnected, &m_socket, [this] { finish(0, {}); });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &m_socket, [this](QAbstractSocket::SocketError) {
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            finish(0, {});
    });
}

LoadConnection::~LoadConnection()
{
    m_answer = nullptr;
    m_socket.abort();
}

void LoadConnection::send(QByteArray request, Answer answer)
{
    m_answer = std::move(answer);
    m_parser = std::make_unique<Parser>();
    // Sync answers to a client far behind list many items; the default cap would cut them off.
    m_parser->parser.body_limit(64 * 1024 * 1024);
    m_unread.clear();
    m_timeout.start();
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        m_socket.abort();
        m_socket.connectToHost(QHostAddress::LocalHost, m_port);
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    }
    // Written once connected when the connection is still being made.
    m_socket.write(request);
}

void LoadConnection::readAnswer()
{
    if (!m_answer) {
        m_socket.readAll();
        return;
    }
    m_unread += m_socket.readAll();
    auto& parser = m_parser->parser;
    while (!m_unread.isEmpty() && !parser.is_done()) {
        boost::system::error_code error;
        const std::size_t used = parser.put(
            boost::asio::const_buffer(m_unread.constData(), std::size_t(m_unread.size())), error);
        m_unread.remove(0, qsizetype(used));
        if (error == http::error::need_more)
            break;
        if (error) {
            m_socket.abort();
            finish(0, {});
            return;
        }
    }
    if (!parser.is_done())
        return;
    const bool keepAlive = parser.keep_alive();
    const int status = int(parser.get().result_int());
    const std::string& body = parser.get().body();
    const QByteArray bytes(body.data(), qsizetype(body.size()));
    m_timeout.stop();
    // Taken out before the close, which would otherwise report no answer.
    Answer answer = std::exchange(m_answer, nullptr);
    if (!keepAlive)
        m_socket.disconnectFromHost();
    answer(status, bytes);
}

void LoadConnection::finish(int status, const QByteArray& body)
{
    m_timeout.stop();
    // Taken out first: the answer may send the next request on this connection.
    Answer answer = std::exchange(m_answer, nullptr);
    if (answer)
        answer(status, body);
}
