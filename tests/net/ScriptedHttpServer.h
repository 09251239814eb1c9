// A real HTTP server on 127.0.0.1 for transport tests: it records every raw request exactly as it
// arrived and answers from a script, one scripted reply per request, in order.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

struct RecordedRequest
{
    QByteArray method;
    QByteArray target; // path and query as sent on the request line
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;

    QString path() const;
    QString query() const; // still percent-encoded
    bool hasHeader(const QByteArray& name) const { return headers.contains(name.toLower()); }
    QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
};

struct ScriptedReply
{
    enum class Kind {
        http,         // a normal HTTP response
        hangUp,       // close the connection without answering; stays in force for the resends this provokes
        hangUpGently, // as hangUp, with an orderly close (FIN) instead of a reset
        silence,      // never answer (for time-outs)
        stream,       // a 200 event stream: the body first, then whatever pushToStream sends; never ends by itself
    };

    Kind kind = Kind::http;
    int status = 200;
    QByteArray body;
    QByteArray contentType = QByteArrayLiteral("application/json");
    // Sent in chunks of 64 KiB without a Content-Length, as a streaming server answers.
    bool chunked = false;

    static ScriptedReply json(int status, QByteArray body) { return make(Kind::http, status, std::move(body)); }
    static ScriptedReply text(int status, QByteArray body)
    {
        ScriptedReply reply = make(Kind::http, status, std::move(body));
        reply.contentType = QByteArrayLiteral("text/plain; charset=utf-8");
        return reply;
    }
    static ScriptedReply hangUp() { return make(Kind::hangUp, 0, {}); }
    static ScriptedReply hangUpGently() { return make(Kind::hangUpGently, 0, {}); }
    static ScriptedReply silence() { return make(Kind::silence, 0, {}); }
    static ScriptedReply stream(QByteArray first = {})
    {
        ScriptedReply reply = make(Kind::stream, 200, std::move(first));
        reply.contentType = QByteArrayLiteral("text/event-stream");
        return reply;
    }

private:
    static ScriptedReply make(Kind kind, int status, QByteArray body)
    {
        ScriptedReply reply;
        reply.kind = kind;
        reply.status = status;
        reply.body = std::move(body);
        return reply;
    }
};

Q_DECLARE_METATYPE(ScriptedReply)

class ScriptedHttpServer : public QObject
{
    Q_OBJECT

public:
    explicit ScriptedHttpServer(QObject* parent = nullptr);

    // http://127.0.0.1:<port>, no trailing slash.
    QString baseUrl() const;

    // Replies are used in order; a request with nothing left in the script gets a 599.
    void script(QList<ScriptedReply> replies) { m_script = std::move(replies); }
    void enqueue(ScriptedReply reply) { m_script.append(std::move(reply)); }

    // Requests to this path wait, unanswered and unrecorded, until releaseHeld(); the script's replies
    // go to requests in the order they are answered.
    void holdRepliesTo(const QString& path) { m_heldPath = path; }
    int heldCount() const { return static_cast<int>(m_held.size()); }
    // Answers every held request in arrival order and holds nothing more.
    void releaseHeld();

    // The open event streams (Kind::stream answers whose connection still stands).
    int openStreams() const;
    // Sends bytes on the newest open stream; false when there is none.
    bool pushToStream(const QByteArray& bytes);
    // Closes every open stream, in order (FIN) or with a reset.
    void endStreams(bool reset = false);

    const QList<RecordedRequest>& requests() const { return m_requests; }
    // Every request that arrived, the HTTP client's own re-sends included.
    int arrivals() const { return m_arrivals; }
    int remainingReplies() const { return static_cast<int>(m_script.size()); }

private:
    void readFrom(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const RecordedRequest& request);

    QList<ScriptedReply> m_script;
    QList<RecordedRequest> m_requests;
    QMap<QTcpSocket*, QByteArray> m_buffers;
    QString m_heldPath;
    QList<QPair<QPointer<QTcpSocket>, RecordedRequest>> m_held;
    QList<QPointer<QTcpSocket>> m_streams;
    bool m_lastWasHungUp = false;
    int m_arrivals = 0;
    // Last, so it goes first: its sockets report their disconnection while the members above still exist.
    QTcpServer m_server;
};
