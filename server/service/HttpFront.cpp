#include "HttpFront.h"

#include "EventStream.h"
#include "KeyStyle.h"
#include "RequestHook.h"
#include "Router.h"
#include "SecurityHeaders.h"
#include "WorkerPool.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <atomic>
#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <chrono>
#include <cstdio>
#include <limits>
#include <thread>
#include <vector>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;

namespace {

constexpr auto nothrow = asio::as_tuple(asio::use_awaitable);
using TlsStream = beast::ssl_stream<beast::tcp_stream>;
using Answer = http::response<http::string_body>;

// Forward secrecy only (ECDHE); TLS 1.3's own suites are all forward-secret already.
constexpr const char* tls12Ciphers = "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
                                     "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
                                     "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";

std::chrono::milliseconds ms(int value)
{
    return std::chrono::milliseconds(value);
}

QByteArray bytes(std::string_view text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::string_view pathPart(std::string_view target)
{
    return target.substr(0, target.find('?'));
}

// POST /api/boards/{id}/sync carries batches of items; it alone gets the larger body limit.
bool isSyncRoute(http::verb method, std::string_view target)
{
    constexpr std::string_view prefix = "/api/boards/";
    constexpr std::string_view suffix = "/sync";
    const std::string_view path = pathPart(target);
    if (method != http::verb::post || !path.starts_with(prefix) || !path.ends_with(suffix))
        return false;
    const std::string_view id = path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
    return !id.empty() && id.find('/') == std::string_view::npos;
}

bool isParseError(const beast::error_code& error)
{
    return error.category() == http::make_error_code(http::error::bad_target).category()
        && error != http::error::end_of_stream && error != http::error::partial_message;
}

// Turns a JSON answer into its bytes, in the key style asked for.
void serialize(ApiResponse& response, bool snakeCase)
{
    // A contract answer written as text is read back only when its keys must change.
    if (!response.json && snakeCase && response.contractKeys && !response.body.isEmpty())
        response.json = QJsonDocument::fromJson(response.body).object();
    if (!response.json)
        return;
    const QJsonValue value
        = snakeCase && response.contractKeys ? KeyStyle::toSnakeCase(*response.json) : *response.json;
    response.body = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                    : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    response.json.reset();
}

void fill(Answer& out, ApiResponse response, bool snakeCase, bool overTls, bool head)
{
    serialize(response, snakeCase);
    const QByteArray& body = response.body;
    out.result(unsigned(response.status));
    if (http::int_to_status(unsigned(response.status)) == http::status::unknown)
        out.reason("Status");
    if (!response.contentType.isEmpty())
        out.set(http::field::content_type, response.contentType.toStdString());
    for (const auto& [key, value] : response.headers)
        out.insert(key.toStdString(), value.toStdString());
    for (const auto& [key, value] : SecurityHeaders::forAnswer(response, overTls))
        out.insert(key.toStdString(), value.toStdString());
    if (response.status == 204 || response.status == 304 || response.status < 200)
        return;
    out.content_length(std::uint64_t(body.size()));
    if (!head)
        out.body().assign(body.constData(), std::size_t(body.size()));
}

// Holds one place under the connection cap for as long as a connection lives.
class ConnectionSlot
{
public:
    explicit ConnectionSlot(std::atomic<int>& count)
        : m_count(count)
    {
    }
    ~ConnectionSlot() { --m_count; }
    ConnectionSlot(const ConnectionSlot&) = delete;
    ConnectionSlot& operator=(const ConnectionSlot&) = delete;

private:
    std::atomic<int>& m_count;
};

} // namespace

struct HttpFront::Impl
{
    Impl(WorkerPool& workerPool, const Clock& serviceClock, bool snake, HttpLimits httpLimits)
        : workers(workerPool)
        , clock(serviceClock)
        , snakeCase(snake)
        , limits(httpLimits)
    {
    }

    asio::awaitable<void> acceptLoop();
    asio::awaitable<void> refuseConnection(tcp::socket socket);
    asio::awaitable<void> servePlain(tcp::socket socket);
    asio::awaitable<void> serveTls(tcp::socket socket);
    template<class Stream> asio::awaitable<void> serve(Stream& stream, tcp::endpoint peer, bool overTls);
    template<class Stream>
    asio::awaitable<bool> exchange(
        Stream& stream, const ApiRequest& request, bool keepAlive, unsigned version, bool overTls);
    template<class Stream>
    asio::awaitable<bool> write(Stream& stream, const ApiRequest& request, const ApiResponse& response,
        bool keepAlive, unsigned version, bool overTls);
    template<class Stream>
    asio::awaitable<void> refuse(Stream& stream, const ApiRequest& request, int status, const QString& code,
        const QString& message, bool overTls);
    template<class Stream>
    asio::awaitable<bool> answer(Stream& stream, const ApiRequest& request, const ApiResponse& response,
        bool keepAlive, unsigned version, bool overTls);
    template<class Stream>
    asio::awaitable<void> streamEvents(
        Stream& stream, const ApiRequest& request, const ApiResponse& response, bool overTls);
    asio::awaitable<ApiResponse> carryOut(const ApiRequest& request);
    asio::awaitable<void> sleep(int milliseconds);
    ApiRequest toApiRequest(const http::request_header<>& header, const tcp::endpoint& peer) const;
    void logLine(const ApiRequest& request, const QByteArray& outcome) const;

    WorkerPool& workers;
    const Clock& clock;
    bool snakeCase;
    HttpLimits limits;
    LogStyle logStyle = LogStyle::Short;
    TrustedProxies trustedProxies;
    RequestHook* hook = nullptr;
    EventHub* events = nullptr;
    // Declared before the io_context: the connections it holds use the TLS context to the end.
    std::optional<ssl::context> tls;
    asio::io_context ioc;
    std::optional<tcp::acceptor> acceptor;
    std::vector<std::thread> threads;
    std::atomic<int> connections {0};
    quint16 port = 0;
};

asio::awaitable<void> HttpFront::Impl::acceptLoop()
{
    for (;;) {
        const asio::any_io_executor strand = asio::make_strand(ioc);
        auto [error, socket] = co_await acceptor->async_accept(strand, nothrow);
        if (error) {
            if (error == asio::error::operation_aborted || !acceptor->is_open())
                co_return;
            // Out of file descriptors, or a peer gone before it was taken: pause instead of spinning
            // on an accept that fails at once.
            co_await sleep(50);
            continue;
        }
        const asio::any_io_executor executor = socket.get_executor();
        if (connections.load() >= limits.maxConnections) {
            asio::co_spawn(executor, refuseConnection(std::move(socket)), asio::detached);
            continue;
        }
        ++connections;
        // Each connection runs on its own: a slow handshake or a silent client holds only itself.
        if (tls)
            asio::co_spawn(executor, serveTls(std::move(socket)), asio::detached);
        else
            asio::co_spawn(executor, servePlain(std::move(socket)), asio::detached);
    }
}

asio::awaitable<void> HttpFront::Impl::refuseConnection(tcp::socket socket)
{
    beast::tcp_stream stream(std::move(socket));
    // A TLS client cannot read a plain answer; for it the refusal is the close.
    if (!tls) {
        Answer out;
        ApiResponse response = Router::errorResponse(clock, 503, QStringLiteral("SERVER_BUSY"),
            QStringLiteral("The service has too many open connections; try again shortly."), QString());
        response.headers.append({QByteArrayLiteral("Retry-After"), QByteArrayLiteral("1")});
        fill(out, response, snakeCase, false, false);
        out.keep_alive(false);
        stream.expires_after(std::chrono::seconds(1));
        co_await http::async_write(stream, out, nothrow);
    }
    beast::error_code ignored;
    stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream.socket().close(ignored);
}

asio::awaitable<void> HttpFront::Impl::servePlain(tcp::socket socket)
{
    ConnectionSlot slot(connections);
    beast::error_code error;
    const tcp::endpoint peer = socket.remote_endpoint(error);
    if (error)
        co_return;
    beast::tcp_stream stream(std::move(socket));
    co_await serve(stream, peer, false);
    stream.socket().shutdown(tcp::socket::shutdown_both, error);
    stream.socket().close(error);
}

asio::awaitable<void> HttpFront::Impl::serveTls(tcp::socket socket)
{
    ConnectionSlot slot(connections);
    beast::error_code error;
    const tcp::endpoint peer = socket.remote_endpoint(error);
    if (error)
        co_return;
    TlsStream stream(std::move(socket), *tls);
    beast::get_lowest_layer(stream).expires_after(ms(limits.tlsHandshakeTimeoutMs));
    auto [handshakeError] = co_await stream.async_handshake(ssl::stream_base::server, nothrow);
    if (!handshakeError)
        co_await serve(stream, peer, true);
    beast::get_lowest_layer(stream).socket().close(error);
}

template<class Stream>
asio::awaitable<void> HttpFront::Impl::serve(Stream& stream, tcp::endpoint peer, bool overTls)
{
    auto& lowest = beast::get_lowest_layer(stream);
    beast::flat_buffer buffer;
    bool first = true;
    for (;;) {
        // Waiting for a request to begin: a new connection gets the read timeout, a kept-alive one
        // the idle timeout.
        if (buffer.size() == 0) {
            lowest.expires_after(ms(first ? limits.readTimeoutMs : limits.idleTimeoutMs));
            auto [error, count] = co_await stream.async_read_some(buffer.prepare(4096), nothrow);
            if (error)
                co_return;
            buffer.commit(count);
        }
        first = false;
        // From here the whole request must arrive within the read timeout.
        lowest.expires_after(ms(limits.readTimeoutMs));
        http::request_parser<http::empty_body> head;
        head.header_limit(std::uint32_t(limits.headerBytes));
        // The body's limit depends on the route, so it is judged below, once the target is known.
        head.body_limit(std::numeric_limits<std::uint64_t>::max());
        auto [headError, headCount] = co_await http::async_read_header(stream, buffer, head, nothrow);
        // GCC 12 may destroy temporaries of a co_await expression twice: every argument of an
        // awaited call in this file is a named local.
        const ApiRequest unread {"-", QStringLiteral("-"), {}, {}, {}, {}, {}};
        if (headError == http::error::header_limit) {
            const QString code = QStringLiteral("HEADERS_TOO_LARGE");
            const QString message
                = QStringLiteral("The request's headers are larger than %1 bytes.").arg(limits.headerBytes);
            co_await refuse(stream, unread, 431, code, message, overTls);
            co_return;
        }
        const QString badRequest = QStringLiteral("BAD_REQUEST");
        const QString notHttp = QStringLiteral("The request is not valid HTTP.");
        if (headError) {
            if (isParseError(headError))
                co_await refuse(stream, unread, 400, badRequest, notHttp, overTls);
            co_return;
        }
        const ApiRequest headOnly = toApiRequest(head.get(), peer);
        const std::size_t bodyLimit = isSyncRoute(head.get().method(), head.get().target())
            ? limits.syncBodyBytes
            : limits.jsonBodyBytes;
        const QString tooLarge = QStringLiteral("PAYLOAD_TOO_LARGE");
        const QString tooLargeMessage
            = QStringLiteral("The request body is larger than %1 bytes.").arg(bodyLimit);
        // Refused on its declared length alone, so not a byte of an oversized body is read.
        if (head.content_length() && *head.content_length() > bodyLimit) {
            co_await refuse(stream, headOnly, 413, tooLarge, tooLargeMessage, overTls);
            co_return;
        }
        if (beast::iequals(head.get()[http::field::expect], "100-continue")) {
            static constexpr std::string_view goOn = "HTTP/1.1 100 Continue\r\n\r\n";
            auto [continueError, continueCount]
                = co_await asio::async_write(stream, asio::buffer(goOn), nothrow);
            if (continueError)
                co_return;
        }
        http::request_parser<http::string_body> parser(std::move(head));
        parser.body_limit(bodyLimit);
        auto [bodyError, bodyCount] = co_await http::async_read(stream, buffer, parser, nothrow);
        if (bodyError == http::error::body_limit) {
            co_await refuse(stream, headOnly, 413, tooLarge, tooLargeMessage, overTls);
            co_return;
        }
        if (bodyError) {
            if (isParseError(bodyError))
                co_await refuse(stream, headOnly, 400, badRequest, notHttp, overTls);
            co_return;
        }
        lowest.expires_never();
        ApiRequest request = headOnly;
        const auto& body = parser.get().body();
        request.body = QByteArray(body.data(), qsizetype(body.size()));
        // An Upgrade request is answered like any other, once; nothing here switches protocols.
        const bool keepAlive = parser.get().keep_alive();
        const bool open = co_await exchange(stream, request, keepAlive, parser.get().version(), overTls);
        if (!open || !keepAlive)
            co_return;
    }
}

template<class Stream>
asio::awaitable<bool> HttpFront::Impl::exchange(
    Stream& stream, const ApiRequest& request, bool keepAlive, unsigned version, bool overTls)
{
    const std::optional<Takeover> plan = hook ? hook->takeOver(request) : std::nullopt;
    if (!plan) {
        const ApiResponse response = co_await carryOut(request);
        co_return co_await answer(stream, request, response, keepAlive, version, overTls);
    }
    if (plan->delayMs > 0)
        co_await sleep(plan->delayMs);
    ApiResponse response = plan->response;
    if (plan->dispatch)
        response = co_await carryOut(request);
    auto& socket = beast::get_lowest_layer(stream).socket();
    beast::error_code ignored;
    switch (plan->end) {
    case Takeover::End::Answer:
        if (plan->answerDelayMs > 0)
            co_await sleep(plan->answerDelayMs);
        co_return co_await answer(stream, request, response, keepAlive, version, overTls);
    case Takeover::End::DropAnswer:
        logLine(request, QByteArray::number(response.status) + " applied, answer dropped (injected)");
        // A reset, not a close: the client sees the connection fail, not an empty answer.
        socket.set_option(tcp::socket::linger(true, 0), ignored);
        socket.close(ignored);
        co_return false;
    case Takeover::End::RawThenClose:
        logLine(request, "connection closed (injected)");
        co_await asio::async_write(
            stream, asio::buffer(plan->rawBytes.constData(), std::size_t(plan->rawBytes.size())), nothrow);
        socket.shutdown(tcp::socket::shutdown_both, ignored);
        socket.close(ignored);
        co_return false;
    }
    co_return false;
}

template<class Stream>
asio::awaitable<bool> HttpFront::Impl::answer(Stream& stream, const ApiRequest& request,
    const ApiResponse& response, bool keepAlive, unsigned version, bool overTls)
{
    if (!response.eventStream)
        co_return co_await write(stream, request, response, keepAlive, version, overTls);
    if (!events) {
        const ApiResponse missing = Router::errorResponse(
            clock, 404, QStringLiteral("NOT_FOUND"), QStringLiteral("No such endpoint."), request.path);
        co_return co_await write(stream, request, missing, keepAlive, version, overTls);
    }
    co_await streamEvents(stream, request, response, overTls);
    co_return false;
}

template<class Stream>
asio::awaitable<void> HttpFront::Impl::streamEvents(
    Stream& stream, const ApiRequest& request, const ApiResponse& response, bool overTls)
{
    const EventStreamGrant& grant = *response.eventStream;
    auto subscribed = events->subscribe(grant.accountId, grant.sessionId, request.remoteAddress);
    if (!subscribed) {
        const EventHub::Refusal why = subscribed.error();
        ApiResponse refusal = why == EventHub::Refusal::AccountFull
            ? Router::errorResponse(clock, 429, QStringLiteral("TOO_MANY_STREAMS"),
                QStringLiteral("This account has too many open event streams."), request.path)
            : why == EventHub::Refusal::AddressFull
            ? Router::errorResponse(clock, 429, QStringLiteral("TOO_MANY_STREAMS_FROM_ADDRESS"),
                QStringLiteral("Too many event streams are open from this address."), request.path)
            : Router::errorResponse(clock, 503, QStringLiteral("SERVER_BUSY"),
                QStringLiteral("The service holds too many event streams; try again shortly."), request.path);
        refusal.headers.append({QByteArrayLiteral("Retry-After"), why == EventHub::Refusal::ServerFull ? "5" : "30"});
        co_await write(stream, request, refusal, false, 11, overTls);
        co_return;
    }
    const std::shared_ptr<EventSubscriber> subscriber = *subscribed;
    // A stream leaves the ordinary connections' cap for the streams' own, for as long as it lasts.
    --connections;
    struct Leave
    {
        std::atomic<int>& connections;
        EventHub& hub;
        std::shared_ptr<EventSubscriber> subscriber;
        ~Leave()
        {
            hub.unsubscribe(subscriber);
            ++connections;
        }
    } leave {connections, *events, subscriber};

    const EventStreamLimits& bounds = limits.events;
    beast::error_code ignored;
    beast::get_lowest_layer(stream).socket().set_option(
        asio::socket_base::send_buffer_size(bounds.sendBufferBytes), ignored);
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
                      "X-Accel-Buffering: no\r\nConnection: close\r\n";
    ApiResponse shape;
    shape.contentType = "text/event-stream";
    for (const auto& [key, value] : SecurityHeaders::forAnswer(shape, overTls)) {
        if (key.compare("Cache-Control", Qt::CaseInsensitive) != 0)
            head += key + ": " + value + "\r\n";
    }
    QJsonObject hello {{QStringLiteral("session"), ServiceEvent::sessionTag(grant.sessionId)},
        {QStringLiteral("heartbeatSeconds"), bounds.heartbeatSeconds}};
    if (snakeCase)
        hello = KeyStyle::toSnakeCase(hello).toObject();
    head += "\r\nevent: hello\ndata: " + QJsonDocument(hello).toJson(QJsonDocument::Compact) + "\n\n";
    logLine(request, "200 event stream");
    const EventStream::Plan plan {subscriber, head, std::chrono::seconds(bounds.heartbeatSeconds), &clock,
        grant.tokenExpiresAt, ms(bounds.writeTimeoutMs)};
    co_await EventStream::serve(stream, plan);
}

template<class Stream>
asio::awaitable<bool> HttpFront::Impl::write(Stream& stream, const ApiRequest& request,
    const ApiResponse& response, bool keepAlive, unsigned version, bool overTls)
{
    Answer out;
    out.version(version);
    fill(out, response, snakeCase, overTls, request.method == "HEAD");
    out.keep_alive(keepAlive);
    // Logged before the first byte leaves, so whoever reads the log after the answer finds the line.
    logLine(request, QByteArray::number(response.status));
    // A client too slow to take its answer is cut off like one too slow to send its request.
    beast::get_lowest_layer(stream).expires_after(ms(limits.readTimeoutMs));
    auto [error, count] = co_await http::async_write(stream, out, nothrow);
    beast::get_lowest_layer(stream).expires_never();
    co_return !error;
}

template<class Stream>
asio::awaitable<void> HttpFront::Impl::refuse(Stream& stream, const ApiRequest& request, int status,
    const QString& code, const QString& message, bool overTls)
{
    const bool known = request.path != QLatin1String("-");
    const ApiResponse refusal
        = Router::errorResponse(clock, status, code, message, known ? request.path : QString());
    co_await write(stream, request, refusal, false, 11, overTls);
    // The client may still be sending what was refused. Stop answering, then take (and drop) what
    // arrives for a moment, so closing does not reset the connection before it reads the refusal.
    auto& lowest = beast::get_lowest_layer(stream);
    beast::error_code ignored;
    lowest.socket().shutdown(tcp::socket::shutdown_send, ignored);
    lowest.expires_after(std::chrono::seconds(1));
    std::array<char, 16 * 1024> sink {};
    for (std::size_t drained = 0; drained < 256 * 1024;) {
        auto [error, count] = co_await lowest.async_read_some(asio::buffer(sink), nothrow);
        if (error)
            break;
        drained += count;
    }
}

// Not a coroutine itself: the operation it starts keeps its own copy of the request.
asio::awaitable<ApiResponse> HttpFront::Impl::carryOut(const ApiRequest& request)
{
    return asio::async_initiate<decltype(asio::use_awaitable), void(ApiResponse)>(
        [this](auto handler, ApiRequest job) {
            const asio::any_io_executor executor = asio::get_associated_executor(handler);
            workers.submit(
                std::move(job), [this, executor, handler = std::move(handler)](ApiResponse response) mutable {
                    // Still on the worker: a large answer is serialised here, not on a network thread.
                    serialize(response, snakeCase);
                    // Back to the connection's own strand for the writing.
                    asio::post(
                        executor, [handler = std::move(handler), response = std::move(response)]() mutable {
                            std::move(handler)(std::move(response));
                        });
                });
        },
        asio::use_awaitable, request);
}

asio::awaitable<void> HttpFront::Impl::sleep(int milliseconds)
{
    const asio::any_io_executor executor = co_await asio::this_coro::executor;
    asio::steady_timer timer(executor, ms(milliseconds));
    co_await timer.async_wait(nothrow);
}

ApiRequest HttpFront::Impl::toApiRequest(
    const http::request_header<>& header, const tcp::endpoint& peer) const
{
    const QUrl url = QUrl::fromEncoded(bytes(header.target()), QUrl::TolerantMode);
    asio::ip::address address = peer.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    const QHostAddress peerAddress(QString::fromStdString(address.to_string()));
    ApiRequest api {
        bytes(header.method_string()), url.path(), QUrlQuery(url), {}, {}, peerAddress.toString(), {}};
    api.received.start();
    for (const auto& field : header)
        api.headers.append({bytes(field.name_string()), bytes(field.value())});
    if (!trustedProxies.isEmpty()) {
        QList<QByteArray> forwardedFor;
        for (const auto& [name, value] : api.headers) {
            if (name.compare("X-Forwarded-For", Qt::CaseInsensitive) == 0)
                forwardedFor.append(value);
        }
        api.remoteAddress = trustedProxies.clientOf(peerAddress, forwardedFor).toString();
    }
    return api;
}

void HttpFront::Impl::logLine(const ApiRequest& request, const QByteArray& outcome) const
{
    if (logStyle == LogStyle::Short) {
        std::fprintf(stdout, "%s %s -> %s\n", request.method.constData(), request.path.toUtf8().constData(),
            outcome.constData());
    } else {
        // Percent-encoded, so a path cannot break the line or forge another.
        std::fprintf(stdout, "%s %s %s %s %s %lldms\n",
            qPrintable(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)),
            qPrintable(request.remoteAddress), request.method.constData(),
            QUrl::toPercentEncoding(request.path, "/").constData(), outcome.constData(),
            request.received.isValid() ? request.received.elapsed() : 0LL);
    }
    std::fflush(stdout);
}

HttpFront::HttpFront(WorkerPool& workers, const Clock& clock, bool snakeCase, HttpLimits limits)
    : d(std::make_unique<Impl>(workers, clock, snakeCase, limits))
{
}

HttpFront::~HttpFront()
{
    stop();
}

void HttpFront::setLogStyle(LogStyle style)
{
    d->logStyle = style;
}

void HttpFront::setEventHub(EventHub* hub)
{
    d->events = hub;
}

void HttpFront::setTrustedProxies(TrustedProxies proxies)
{
    d->trustedProxies = std::move(proxies);
}

void HttpFront::setHook(RequestHook* hook)
{
    d->hook = hook;
}

std::optional<QString> HttpFront::useTls(const QString& certificatePath, const QString& keyPath)
{
    ssl::context context(ssl::context::tls_server);
    SSL_CTX* native = context.native_handle();
    SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
    context.set_options(
        ssl::context::default_workarounds | ssl::context::no_compression | ssl::context::single_dh_use);
    SSL_CTX_set_options(native, SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
    if (SSL_CTX_set_cipher_list(native, tls12Ciphers) != 1)
        return QStringLiteral("OpenSSL offers none of the TLS 1.2 ciphers wanted.");
    beast::error_code error;
    context.use_certificate_chain_file(certificatePath.toStdString(), error);
    if (error)
        return QStringLiteral("cannot use the TLS certificate %1: %2")
            .arg(certificatePath, QString::fromStdString(error.message()));
    context.use_private_key_file(keyPath.toStdString(), ssl::context::pem, error);
    if (error || SSL_CTX_check_private_key(native) != 1)
        return QStringLiteral("cannot use the TLS private key %1 with the certificate.").arg(keyPath);
    d->tls.emplace(std::move(context));
    return std::nullopt;
}

std::optional<QString> HttpFront::listen(const QHostAddress& address, quint16 port)
{
    beast::error_code error;
    const asio::ip::address bindAddress = asio::ip::make_address(address.toString().toStdString(), error);
    if (error)
        return QStringLiteral("%1 is not an address to listen on.").arg(address.toString());
    const tcp::endpoint endpoint(bindAddress, port);
    tcp::acceptor& acceptor = d->acceptor.emplace(d->ioc);
    acceptor.open(endpoint.protocol(), error);
    if (!error)
        acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error)
        acceptor.bind(endpoint, error);
    if (!error)
        acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
        d->acceptor.reset();
        return QStringLiteral("cannot listen on %1 port %2: %3")
            .arg(address.toString())
            .arg(port)
            .arg(QString::fromStdString(error.message()));
    }
    d->port = acceptor.local_endpoint().port();
    asio::co_spawn(d->ioc, d->acceptLoop(), asio::detached);
    for (int i = 0; i < std::max(1, d->limits.networkThreads); ++i)
        d->threads.emplace_back([this] { d->ioc.run(); });
    return std::nullopt;
}

quint16 HttpFront::port() const
{
    return d->port;
}

void HttpFront::stop()
{
    if (d->threads.empty())
        return;
    d->ioc.stop();
    for (std::thread& thread : d->threads)
        thread.join();
    d->threads.clear();
}
