#include "net/NetworkService.h"

#include "domain/Log.h"
#include "domain/WireEncoder.h"
#include "net/KeyringTokenStore.h"
#include "net/OneShotBody.h"
#include "net/ReplyBodyCollector.h"
#include "net/RequestLog.h"
#include "net/ServiceAddress.h"

#include <QCoreApplication>
#include <QCoro/QCoroNetworkReply>
#include <QCoro/QCoroSignal>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>

namespace {
const QString refreshPath = QStringLiteral("/auth/refresh");
const QString logoutPath = QStringLiteral("/auth/logout");

QString utf8OrNull(QByteArrayView bytes, const QString& fallback)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return decoder.hasError() ? fallback : text;
}

// At most this much of a body goes to the log: an answer may be tens of megabytes, and the
// redaction below reads all of what it is given.
constexpr qsizetype loggedBodyBytes = 4096;

// The body as the log may show it: its beginning, with the value of every key that names a token
// hidden, in JSON that parses and in JSON that does not (a value cut short is hidden too).
QString redactedBody(const QByteArray& body)
{
    static const QRegularExpression tokenValue(
        QStringLiteral(R"re(("[A-Za-z_]*[Tt]oken"\s*:\s*")(?:[^"\\]|\\.)*("?))re"));
    qsizetype shown = body.size();
    if (shown > loggedBodyBytes) {
        shown = loggedBodyBytes;
        // Cut before a character, not inside one.
        while (shown > 0 && (uchar(body.at(shown)) & 0xC0) == 0x80)
            --shown;
    }
    QString text = utf8OrNull(QByteArrayView(body).first(shown), QStringLiteral("<non-utf8>"));
    text.replace(tokenValue, QStringLiteral("\\1***redacted***\\2"));
    if (shown < body.size())
        text += QStringLiteral("… (%1 bytes in all)").arg(body.size());
    return text;
}

QString statusLogLine(int status, const QString& message)
{
    if (status == 403)
        return QStringLiteral("403 Forbidden: ") + message;
    if (status == 401)
        return QStringLiteral("401 Unauthorized: ") + message;
    return QString::number(status) + QStringLiteral(" Error: ") + message;
}

// Network-layer failures (connection, time-out, TLS, proxy) are numbered below 200; the codes above
// only echo an HTTP status, which is judged by its number instead.
bool isTransportError(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

// The service may have carried out a POST or PATCH whose answer never came; sending it again would
// apply it twice (two boards of one name), so only the caller may decide to repeat one.
bool mayRepeat(const QByteArray& method)
{
    return method == "GET" || method == "HEAD" || method == "PUT" || method == "DELETE"
        || method == "OPTIONS";
}

const QString connectionLost = QStringLiteral("The network connection was lost.");
}

struct NetworkService::Exchange
{
    std::optional<ServiceResponse> response; // an HTTP response came back
    std::optional<QString> transportError;   // the request never got one
    // Neither: something answered that was not HTTP.
};

NetworkService::NetworkService(QString baseUrl, std::shared_ptr<TokenStore> tokenStore, QObject* parent)
    : QObject(parent)
    , m_tokenStore(std::move(tokenStore))
{
    setBaseUrl(std::move(baseUrl));
}

NetworkService& NetworkService::shared()
{
    // Parented to the application so it goes before the network stack does.
    static NetworkService* instance = [] {
        auto* made = new NetworkService(
            configuredBaseUrl(), std::make_shared<KeyringTokenStore>(), QCoreApplication::instance());
        made->setSignOutMarker(defaultSignOutMarker());
        return made;
    }();
    return *instance;
}

QString NetworkService::defaultSignOutMarker()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/signed-out");
}

bool NetworkService::signOutIsMarked() const
{
    return !m_signOutMarker.isEmpty() && QFileInfo::exists(m_signOutMarker);
}

void NetworkService::markSignedOut(bool marked)
{
    if (m_signOutMarker.isEmpty())
        return;
    if (!marked) {
        QFile::remove(m_signOutMarker);
        return;
    }
    QDir().mkpath(QFileInfo(m_signOutMarker).absolutePath());
    QFile marker(m_signOutMarker);
    if (!marker.open(QIODevice::WriteOnly))
        logLine(QStringLiteral("🔑 Couldn't note the sign-out in %1: %2").arg(m_signOutMarker, marker.errorString()));
}

QString NetworkService::configuredBaseUrl()
{
    return ServiceAddress::effective(QString());
}

void NetworkService::setBaseUrl(QString baseUrl)
{
    while (baseUrl.endsWith(QLatin1Char('/')))
        baseUrl.chop(1);
    m_baseUrl = std::move(baseUrl);
}

QCoro::Task<void> NetworkService::loadTokens()
{
    if (m_loadState == TokenLoadState::loading) {
        co_await qCoro(this, &NetworkService::tokensLoaded);
        co_return;
    }
    if (m_loadState == TokenLoadState::loaded)
        co_return;

    m_loadState = TokenLoadState::loading;
    const quint64 generation = m_tokenGeneration;
    if (signOutIsMarked()) {
        // The last sign-out could not delete the stored tokens: they are not used, and deleted now.
        QString problem;
        const bool deleted = co_await persistTokens(&problem);
        if (generation == m_tokenGeneration) {
            if (deleted)
                markSignedOut(false);
            m_loadState = TokenLoadState::loaded;
            Q_EMIT tokensLoaded();
            co_return;
        }
    }
    const TokenReadResult access = co_await m_tokenStore->read(accessTokenAccount);
    const TokenReadResult refresh = co_await m_tokenStore->read(refreshTokenAccount);

    if (generation != m_tokenGeneration) {
        // Tokens were set or cleared while the store was being read: those are newer.
        m_loadState = TokenLoadState::loaded;
    } else if (!access || !refresh) {
        m_loadState = TokenLoadState::keyringFailed;
        m_loadError = !access ? access.error() : refresh.error();
        logLine(QStringLiteral("🔑 Couldn't read the sign-in from the keyring: ") + m_loadError);
    } else {
        m_accessToken = access->value_or(QString());
        m_refreshToken = refresh->value_or(QString());
        m_loadState = TokenLoadState::loaded;
        m_loadError.clear();
    }
    Q_EMIT tokensLoaded();
}

ApiResult<QUrl> NetworkService::makeUrl(const QString& path, const QList<QueryItem>& queryItems) const
{
    QUrl url(m_baseUrl + path, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return std::unexpected(ApiError::make(std::nullopt, QStringLiteral("Invalid URL"),
            QStringLiteral("Invalid URL provided."), path));
    if (!queryItems.isEmpty()) {
        QByteArrayList pairs;
        for (const QueryItem& item : queryItems)
            pairs.append(QUrl::toPercentEncoding(item.name) + '=' + QUrl::toPercentEncoding(item.value));
        url.setQuery(QString::fromLatin1(pairs.join('&')), QUrl::StrictMode);
    }
    return url;
}

void NetworkService::authorize(ServiceRequest& request) const
{
    if (m_accessToken.isEmpty())
        request.headers.remove(QStringLiteral("Authorization"));
    else
        request.headers.insert(QStringLiteral("Authorization"), QStringLiteral("Bearer ") + m_accessToken);
}

QCoro::Task<NetworkService::Exchange> NetworkService::perform(ServiceRequest request)
{
    QNetworkRequest networkRequest(request.url);
    networkRequest.setTransferTimeout(static_cast<int>(m_requestTimeout.count()));
    for (auto it = request.headers.constBegin(); it != request.headers.constEnd(); ++it)
        networkRequest.setRawHeader(it.key().toUtf8(), it.value().toUtf8());

    QNetworkReply* started = nullptr;
    if (!mayRepeat(request.method)) {
        // Qt has no switch for its silent re-send; a body it cannot rewind makes the re-send fail
        // instead (ContentReSendError). Unbuffered sequential bodies need their length up front.
        const QByteArray bytes = request.body.value_or(QByteArray());
        networkRequest.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
        networkRequest.setHeader(QNetworkRequest::ContentLengthHeader, bytes.size());
        auto* body = new OneShotBody(bytes);
        started = m_manager.sendCustomRequest(networkRequest, request.method, body);
        body->setParent(started);
    } else if (request.body) {
        started = m_manager.sendCustomRequest(networkRequest, request.method, *request.body);
    } else if (request.method == "GET") {
        started = m_manager.get(networkRequest);
    } else {
        started = m_manager.sendCustomRequest(networkRequest, request.method);
    }
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        started, [](QNetworkReply* finished) { finished->deleteLater(); });
    auto* collected = new ReplyBodyCollector(started);
    co_await reply.get();

    Exchange exchange;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply->error() == QNetworkReply::RemoteHostClosedError
        || reply->error() == QNetworkReply::ContentReSendError) {
        exchange.transportError = connectionLost;
    } else if (isTransportError(reply->error())) {
        // Transfer time-outs arrive as a cancellation; nothing else here ever cancels a reply.
        exchange.transportError = reply->error() == QNetworkReply::OperationCanceledError
            ? QStringLiteral("The request timed out.")
            : reply->errorString();
    } else if (status.isValid()) {
        QPointer<QNetworkReply> alive(reply.get());
        QByteArray body = co_await collected->takeAll();
        if (!alive) {
            // The manager went away (the service shuts down) while the body was being taken in.
            reply.release();
            exchange.transportError = connectionLost;
            co_return exchange;
        }
        exchange.response = ServiceResponse { status.toInt(), reply->url(), std::move(body) };
    } else if (reply->error() != QNetworkReply::NoError) {
        exchange.transportError = reply->errorString();
    }
    const int answered = exchange.response ? exchange.response->status : 0;
    Q_EMIT serviceReached(exchange.response && answered != 502 && answered != 503 && answered != 504);
    co_return exchange;
}

QCoro::Task<ApiResult<ServiceResponse>> NetworkService::send(ServiceRequest request)
{
    if (m_loadState != TokenLoadState::loaded)
        co_await loadTokens();

    const QString path = request.url.path();
    bool repeated = false;
    authorize(request);
    QString sentWith = m_accessToken;
    logLine(requestLogLine(request));

    for (;;) {
        const Exchange exchange = co_await perform(request);
        if (exchange.transportError) {
            logLine(QStringLiteral("🌐 [Net] ✖︎ request failed: ") + *exchange.transportError);
            co_return std::unexpected(
                ApiError::make(std::nullopt, QStringLiteral("Request Failed"), *exchange.transportError, path));
        }

        ApiError error;
        if (!exchange.response) {
            error = ApiError::make(std::nullopt, QStringLiteral("Invalid Response"),
                QStringLiteral("Server returned an invalid response."), path);
        } else {
            const ServiceResponse& response = *exchange.response;
            logLine(QStringLiteral("%1%2 %3 (%4B)")
                        .arg(repeated ? QStringLiteral("🌐 [Net] ↻ retry ← ") : QStringLiteral("🌐 [Net] ← "),
                            QString::number(response.status), response.path(),
                            QString::number(response.body.size())));
            const ApiResult<void> valid = validateStatus(response);
            if (valid)
                co_return response;
            error = valid.error();
        }

        if (error.status != 401 || repeated) {
            logLine(QStringLiteral("🌐 [Net] ✖︎ request failed: ") + error.message);
            co_return std::unexpected(error);
        }

        logLine(QStringLiteral("🌐 [Net] ⚠️ 401 for %1 → attempting refresh (%2)").arg(path, error.message));
        // Another request's refresh may already have replaced the token this one was sent with.
        const bool alreadyRenewed = !m_accessToken.isEmpty() && m_accessToken != sentWith;
        // Plain statements: GCC 12 destroys the result of a co_await inside ?: twice.
        RefreshOutcome refreshed;
        if (!alreadyRenewed)
            refreshed = co_await sharedRefresh();
        if (!refreshed) {
            if (const ApiError* refreshError = std::get_if<ApiError>(&refreshed.error())) {
                logLine(QStringLiteral("🌐 [Net] ✖︎ token refresh failed: ") + refreshError->message);
                co_return std::unexpected(*refreshError);
            }
            const QString description = std::get<TransportFailure>(refreshed.error()).description;
            logLine(QStringLiteral("🌐 [Net] ✖︎ token refresh failed: ") + description);
            co_return std::unexpected(
                ApiError::make(std::nullopt, QStringLiteral("Token Refresh Failed"), description, path));
        }
        repeated = true;
        authorize(request);
        sentWith = m_accessToken;
        logLine(requestLogLine(request));
    }
}

ApiResult<void> NetworkService::validateStatus(const ServiceResponse& response) const
{
    if (response.status >= 200 && response.status <= 299)
        return {};
    const ApiError error = ApiError::fromHttpFailure(response.status, response.body, response.path());
    logLine(statusLogLine(response.status, error.message));
    return std::unexpected(error);
}

ApiError NetworkService::decodingFailure(const QString& recordName, const ServiceResponse& response, const QString& reason)
{
    logLine(QStringLiteral("Decoding failed for %1. Body: %2").arg(recordName, redactedBody(response.body)));
    return ApiError::make(response.status, QStringLiteral("Decoding Failed"), reason, response.path());
}

QCoro::Task<ApiResult<void>> NetworkService::refreshTokens()
{
    if (m_loadState != TokenLoadState::loaded)
        co_await loadTokens();
    const RefreshOutcome refreshed = co_await sharedRefresh();
    if (refreshed)
        co_return ApiResult<void>();
    if (const ApiError* error = std::get_if<ApiError>(&refreshed.error()))
        co_return std::unexpected(*error);
    co_return std::unexpected(ApiError::make(std::nullopt, QStringLiteral("Token Refresh Failed"),
        std::get<TransportFailure>(refreshed.error()).description, refreshPath));
}

QCoro::Task<NetworkService::RefreshOutcome> NetworkService::sharedRefresh()
{
    if (m_refreshRunning) {
        co_await qCoro(this, &NetworkService::refreshFinished);
        co_return m_sharedRefresh.value_or(RefreshOutcome());
    }
    m_refreshRunning = true;
    const RefreshOutcome outcome = co_await performRefresh();
    m_sharedRefresh = outcome;
    m_refreshRunning = false;
    Q_EMIT refreshFinished();
    co_return outcome;
}

QCoro::Task<NetworkService::RefreshOutcome> NetworkService::performRefresh()
{
    using Failure = std::variant<ApiError, TransportFailure>;
    if (m_refreshToken.isEmpty()) {
        // After a keyring failure the token may well exist; say so rather than "missing".
        const QString message = m_loadState == TokenLoadState::keyringFailed
            ? QStringLiteral("Couldn't read the sign-in from the keyring: ") + m_loadError
            : QStringLiteral("Missing refresh token.");
        co_return std::unexpected(Failure(ApiError::make(401, QStringLiteral("Unauthorized"), message, refreshPath)));
    }
    const ApiResult<QUrl> url = makeUrl(refreshPath);
    if (!url)
        co_return std::unexpected(Failure(url.error()));

    ServiceRequest request { QByteArrayLiteral("POST"), *url, {}, encodeBody(RefreshRequest { m_refreshToken }) };
    request.setJsonContentType();
    logLine(QStringLiteral("🌐 [Net] → POST ") + refreshPath);
    const quint64 generation = m_tokenGeneration;
    const Exchange exchange = co_await perform(request);
    if (generation != m_tokenGeneration) {
        // Signed out (or in again) while the refresh ran: its tokens belong to a session that is over.
        logLine(QStringLiteral("🌐 [Net] ⚪︎ refresh discarded: the sign-in changed while it ran"));
        co_return std::unexpected(Failure(ApiError::make(401, QStringLiteral("Unauthorized"),
            QStringLiteral("Signed out while the sign-in was being renewed."), refreshPath)));
    }
    if (exchange.transportError)
        co_return std::unexpected(Failure(TransportFailure { *exchange.transportError }));
    if (!exchange.response)
        co_return std::unexpected(Failure(ApiError::make(std::nullopt, QStringLiteral("Invalid Response"),
            QStringLiteral("Server returned an invalid response."), url->path())));

    const ServiceResponse& response = *exchange.response;
    logLine(QStringLiteral("🌐 [Net] ← %1 %2").arg(QString::number(response.status), response.path()));
    ApiResult<LoginTokens> tokens = decode<LoginTokens>(response);
    if (!tokens)
        co_return std::unexpected(Failure(tokens.error()));

    m_accessToken = tokens->accessToken;
    m_refreshToken = tokens->refreshToken;
    m_loadState = TokenLoadState::loaded;
    ++m_tokenGeneration;
    QString problem;
    if (!co_await persistTokens(&problem))
        tellInMemoryOnly(problem);
    logLine(QStringLiteral("🌐 [Net] 🔑 tokens updated"));
    co_return std::expected<void, Failure>();
}

QCoro::Task<void> NetworkService::setTokens(LoginTokens tokens)
{
    m_accessToken = tokens.accessToken;
    m_refreshToken = tokens.refreshToken;
    m_loadState = TokenLoadState::loaded;
    ++m_tokenGeneration;
    QString problem;
    if (co_await persistTokens(&problem))
        markSignedOut(false); // the store holds this sign-in now, nothing older
    else
        tellInMemoryOnly(problem);
}

void NetworkService::tellInMemoryOnly(const QString& reason)
{
    if (m_toldInMemoryOnly)
        return;
    m_toldInMemoryOnly = true;
    Q_EMIT tokensKeptInMemoryOnly(reason);
}

QCoro::Task<bool> NetworkService::persistTokens(QString* problem)
{
    // Each save reads the fields when it is issued, so the store always receives the newest pair last.
    const QList<QString> accounts { accessTokenAccount, refreshTokenAccount };
    bool kept = true;
    for (const QString& account : accounts) {
        const QString token = account == accessTokenAccount ? m_accessToken : m_refreshToken;
        // Plain statements: GCC 12 destroys the result of a co_await inside ?: twice.
        TokenWriteResult saved;
        if (token.isEmpty())
            saved = co_await m_tokenStore->remove(account);
        else
            saved = co_await m_tokenStore->save(account, token);
        if (saved)
            continue;
        logLine(QStringLiteral("🔑 Couldn't update %1 in the keyring: %2").arg(account, saved.error()));
        if (kept)
            *problem = saved.error();
        kept = false;
    }
    co_return kept;
}

QCoro::Task<void> NetworkService::logout()
{
    if (m_loadState != TokenLoadState::loaded)
        co_await loadTokens();
    if (m_refreshToken.isEmpty()) {
        logLine(QStringLiteral("🌐 [Net] ⚪︎ Skip /auth/logout – no refresh token available"));
    } else if (const ApiResult<QUrl> url = makeUrl(logoutPath); !url) {
        logLine(QStringLiteral("🌐 [Net] ✖︎ logout failed: ") + url.error().message);
    } else {
        ServiceRequest request { QByteArrayLiteral("POST"), *url, {}, encodeBody(LogoutRequest { m_refreshToken }) };
        request.setJsonContentType();
        const ApiResult<ServiceResponse> sent = co_await send(request);
        if (!sent)
            logLine(QStringLiteral("🌐 [Net] ✖︎ logout failed: ") + sent.error().message);
    }
    m_accessToken.clear();
    m_refreshToken.clear();
    m_loadState = TokenLoadState::loaded;
    ++m_tokenGeneration;
    QString problem;
    if (!co_await persistTokens(&problem)) {
        markSignedOut(true);
        Q_EMIT storedTokensNotDeleted(problem);
    }
}
