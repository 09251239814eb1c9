// One GET /api/events stream on a connection the HTTP front has handed over. It writes the answer's
// head and hello frame, then the subscriber's queued frames as they come, a heartbeat comment when
// quiet, and ends: when the session ends (after its frame), when the access token expires (after a
// "reauthenticate" frame), when the client falls behind its queue or stops taking bytes, or when it
// closes. Reading and writing run side by side on the connection's strand; only the HTTP front
// includes this.
#pragma once

#include "Clock.h"
#include "EventHub.h"

#include <QByteArray>
#include <array>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <chrono>
#include <memory>

namespace EventStream {

namespace asio = boost::asio;
namespace beast = boost::beast;
using Clock = std::chrono::steady_clock;
inline constexpr auto nothrow = asio::as_tuple(asio::use_awaitable);

struct Plan
{
    std::shared_ptr<EventSubscriber> subscriber;
    // The answer's head and the hello frame.
    QByteArray opening;
    std::chrono::seconds heartbeat;
    // The access token's expiry, on the service's clock (which a test service may move forward).
    const ::Clock* serviceClock;
    qint64 tokenExpiresAt;
    std::chrono::milliseconds writeTimeout;
};

struct Reader
{
    bool done = false;
};

inline const QByteArray heartbeatFrame = QByteArrayLiteral(": ping\n\n");
inline const QByteArray reauthenticateFrame = QByteArrayLiteral("event: reauthenticate\ndata: {}\n\n");

template<class Stream>
asio::awaitable<bool> writeAll(Stream& stream, const QByteArray& bytes, std::chrono::milliseconds timeout)
{
    auto& lowest = beast::get_lowest_layer(stream);
    lowest.expires_after(timeout);
    const asio::const_buffer buffer(bytes.constData(), std::size_t(bytes.size()));
    auto [error, count] = co_await asio::async_write(stream, buffer, nothrow);
    lowest.expires_never();
    co_return !error;
}

// The client sends nothing after its request; what it sends is dropped, and its close ends the stream.
template<class Stream>
asio::awaitable<void> readUntilClosed(
    Stream& stream, std::shared_ptr<Reader> reader, std::shared_ptr<asio::steady_timer> wake)
{
    std::array<char, 512> sink {};
    for (;;) {
        const asio::mutable_buffer buffer(sink.data(), sink.size());
        auto [error, count] = co_await stream.async_read_some(buffer, nothrow);
        if (error)
            break;
    }
    reader->done = true;
    wake->cancel();
}

template<class Stream> asio::awaitable<void> serve(Stream& stream, const Plan& plan)
{
    const asio::any_io_executor executor = co_await asio::this_coro::executor;
    auto wake = std::make_shared<asio::steady_timer>(executor);
    // Delivery happens on a worker; the wake runs on this connection's strand, after this coroutine
    // has started waiting, so none is lost.
    plan.subscriber->setWake([executor, wake] { asio::post(executor, [wake] { wake->cancel(); }); });
    auto reader = std::make_shared<Reader>();
    asio::co_spawn(executor, readUntilClosed(stream, reader, wake), asio::detached);

    bool open = co_await writeAll(stream, plan.opening, plan.writeTimeout);
    auto nextBeat = Clock::now() + plan.heartbeat;
    while (open && !reader->done) {
        const EventSubscriber::Taken taken = plan.subscriber->take();
        if (taken.overflowed)
            break;
        if (!taken.frames.isEmpty()) {
            open = co_await writeAll(stream, taken.frames, plan.writeTimeout);
            if (taken.ended)
                break;
            continue;
        }
        const auto now = Clock::now();
        const qint64 tokenLeft = plan.tokenExpiresAt - plan.serviceClock->epochSeconds();
        if (tokenLeft <= 0) {
            co_await writeAll(stream, reauthenticateFrame, plan.writeTimeout);
            break;
        }
        if (now >= nextBeat) {
            open = co_await writeAll(stream, heartbeatFrame, plan.writeTimeout);
            nextBeat = now + plan.heartbeat;
            continue;
        }
        const auto until = std::min(nextBeat, now + std::chrono::seconds(tokenLeft));
        wake->expires_at(until);
        co_await wake->async_wait(nothrow);
    }
    plan.subscriber->setWake({});
    // The reader holds the stream: it must be gone before the connection is.
    auto& socket = beast::get_lowest_layer(stream).socket();
    beast::error_code ignored;
    socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket.cancel(ignored);
    while (!reader->done) {
        wake->expires_after(std::chrono::seconds(1));
        co_await wake->async_wait(nothrow);
    }
}

} // namespace EventStream
