#include "net/ChangeChannel.h"

#include "domain/Ids.h"
#include "domain/Log.h"
#include "net/NetworkService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <algorithm>

namespace {
// Anything a frame may carry is far smaller; an answer that is not the stream is not read at all.
constexpr qint64 readBufferBytes = 64 * 1024;
constexpr qsizetype longestSessionTag = 200;
constexpr qint64 longestHeartbeatSeconds = 3600;

// The frame's data as a JSON object, or an empty one when it is not one.
QJsonObject objectOf(const QByteArray& data)
{
    const QJsonDocument document = QJsonDocument::fromJson(data);
    return document.isObject() ? document.object() : QJsonObject();
}

// A key in the service's key style: camel case, or snake case from a service set up for it.
QJsonValue field(const QJsonObject& object, const QString& camel, const QString& snake)
{
    const QJsonValue value = object.value(camel);
    return value.isUndefined() ? object.value(snake) : value;
}

QString sessionOf(const QJsonObject& object)
{
    const QString session = object.value(QStringLiteral("session")).toString();
    return session.size() <= longestSessionTag ? session : QString();
}
}

ChangeChannel::ChangeChannel(NetworkService& api, QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_random([] { return QRandomGenerator::global()->generateDouble(); })
    , m_retryDelay(m_timing.firstRetry)
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &ChangeChannel::open);
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        logLine(QStringLiteral("🌐 [Net] ✖︎ change channel silent too long: reconnecting"));
        lost(Drop::retryLater);
    });
    connect(&m_api, &NetworkService::serviceReached, this, &ChangeChannel::serviceReached);
}

ChangeChannel::~ChangeChannel()
{
    closeReply();
}

void ChangeChannel::start()
{
    if (m_state == State::connecting || m_state == State::connected || m_state == State::waiting)
        return;
    m_retryDelay = m_timing.firstRetry;
    m_renewedSinceHello = false;
    open();
}

void ChangeChannel::stop()
{
    ++m_generation;
    m_retryTimer.stop();
    m_watchdog.stop();
    closeReply();
    m_session.clear();
    setState(State::stopped);
}

void ChangeChannel::setState(State state)
{
    if (m_state == state)
        return;
    const bool wasConnected = m_state == State::connected;
    m_state = state;
    if (wasConnected != (state == State::connected))
        Q_EMIT connectedChanged(state == State::connected);
}

void ChangeChannel::closeReply()
{
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void ChangeChannel::open()
{
    ++m_generation;
    m_retryTimer.stop();
    closeReply();
    if (m_api.accessToken().isEmpty()) {
        setState(State::stopped);
        return;
    }
    const ApiResult<QUrl> url = m_api.makeUrl(path);
    if (!url) {
        lost(Drop::retryLater);
        return;
    }
    QNetworkRequest request(*url);
    request.setRawHeader("Authorization", "Bearer " + m_api.accessToken().toUtf8());
    request.setRawHeader("Accept", "text/event-stream");
    request.setRawHeader("Cache-Control", "no-cache");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // The stream has no end; the watchdog judges whether it is alive.
    request.setTransferTimeout(0);
    m_parser.reset();
    m_watchdogInterval = std::chrono::milliseconds(m_timing.heartbeat * 5 / 2);
    setState(State::connecting);
    logLine(QStringLiteral("🌐 [Net] → GET ") + path);
    m_reply = m_manager.get(request);
    m_reply->setReadBufferSize(readBufferBytes);
    connect(m_reply, &QNetworkReply::readyRead, this, &ChangeChannel::readStream);
    connect(m_reply, &QNetworkReply::finished, this, &ChangeChannel::streamFinished);
    armWatchdog();
}

void ChangeChannel::armWatchdog()
{
    m_watchdog.start(m_watchdogInterval);
}

void ChangeChannel::readStream()
{
    if (!m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200) {
        // A refusal's body says nothing the status does not; it is dropped unread.
        m_reply->skip(m_reply->bytesAvailable());
        return;
    }
    armWatchdog();
    m_unreachable = false;
    const quint64 generation = m_generation;
    QPointer<ChangeChannel> self(this);
    while (m_reply && m_reply->bytesAvailable() > 0) {
        const QByteArray bytes = m_reply->read(readBufferBytes);
        for (const EventStreamParser::Event& event : m_parser.feed(bytes)) {
            handle(event);
            // A listener may have stopped the channel, or an event ended this stream.
            if (!self || generation != m_generation)
                return;
        }
    }
}

void ChangeChannel::streamFinished()
{
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() == 200)
        readStream();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    m_watchdog.stop();
    m_unreachable = !status.isValid();
    switch (status.toInt()) {
    case 401:
        logLine(QStringLiteral("🌐 [Net] ⚠️ 401 for %1 → attempting refresh").arg(path));
        lost(Drop::renewTokenFirst);
        return;
    case 404:
        logLine(QStringLiteral("🌐 [Net] ⚪︎ no change channel on this service: syncs stay on their timers"));
        ++m_generation;
        setState(State::unsupported);
        Q_EMIT unsupported();
        return;
    default:
        logLine(status.isValid()
                ? QStringLiteral("🌐 [Net] ✖︎ change channel ended (%1)").arg(status.toInt())
                : QStringLiteral("🌐 [Net] ✖︎ change channel failed: ") + reply->errorString());
        lost(Drop::retryLater);
    }
}

void ChangeChannel::handle(const EventStreamParser::Event& event)
{
    const QJsonObject object = objectOf(event.data);
    if (event.type == "hello") {
        handleHello(event.data);
    } else if (event.type == "board-changed") {
        const QUuid boardId = QUuid::fromString(field(object, QStringLiteral("boardId"), QStringLiteral("board_id")).toString());
        // Not skipped when this session made it: a change whose answer was lost on the way here is
        // known to this client only through its echo. The listener tells whether it holds it already.
        if (boardId.isNull())
            return;
        const QJsonValue checkpoint = object.value(QStringLiteral("checkpoint"));
        const bool own = !m_session.isEmpty() && sessionOf(object) == m_session;
        Q_EMIT boardChanged(boardId, checkpoint.isDouble() ? qint64(checkpoint.toDouble()) : -1, own);
    } else if (event.type == "boards-changed") {
        if (m_session.isEmpty() || sessionOf(object) != m_session)
            Q_EMIT boardListChanged();
    } else if (event.type == "notification") {
        Q_EMIT notificationArrived();
    } else if (event.type == "session-revoked") {
        logLine(QStringLiteral("🌐 [Net] 🔑 the service ended this session"));
        stop();
        Q_EMIT sessionRevoked();
    } else if (event.type == "reauthenticate") {
        lost(Drop::renewTokenFirst);
    }
}

void ChangeChannel::handleHello(const QByteArray& data)
{
    const QJsonObject object = objectOf(data);
    m_session = sessionOf(object);
    const qint64 heartbeat = field(object, QStringLiteral("heartbeatSeconds"), QStringLiteral("heartbeat_seconds")).toInteger(0);
    if (heartbeat > 0 && heartbeat <= longestHeartbeatSeconds) {
        m_watchdogInterval = std::chrono::milliseconds(heartbeat * 2500);
        armWatchdog();
    }
    m_retryDelay = m_timing.firstRetry;
    m_renewedSinceHello = false;
    logLine(QStringLiteral("🌐 [Net] ← change channel open"));
    setState(State::connected);
}

void ChangeChannel::lost(Drop how)
{
    ++m_generation;
    m_watchdog.stop();
    closeReply();
    if (how == Drop::renewTokenFirst && !m_renewedSinceHello) {
        m_renewedSinceHello = true;
        setState(State::connecting);
        renewTokenAndOpen();
        return;
    }
    scheduleRetry();
}

void ChangeChannel::scheduleRetry()
{
    setState(State::waiting);
    const double spread = 0.8 + 0.4 * m_random();
    m_retryTimer.start(std::chrono::milliseconds(qRound64(double(m_retryDelay.count()) * spread)));
    m_retryDelay = std::min(m_retryDelay * 2, m_timing.longestRetry);
}

QCoro::Task<void> ChangeChannel::renewTokenAndOpen()
{
    const quint64 generation = m_generation;
    QPointer<ChangeChannel> self(this);
    const ApiResult<void> renewed = co_await m_api.refreshTokens();
    if (!self || generation != m_generation)
        co_return;
    if (renewed)
        open();
    else
        scheduleRetry();
}

void ChangeChannel::serviceReached(bool reached)
{
    // The service answers the application again: the channel need not sit out the rest of its wait.
    if (reached && m_state == State::waiting && m_unreachable) {
        m_unreachable = false;
        open();
    }
}
