// The one gateway to the service's REST API: builds URLs, attaches the bearer token, logs every
// exchange, turns every failure into an ApiError, refreshes the tokens once on a 401 and repeats the
// request, decodes response bodies, and owns the two tokens in memory and in the token store.
//
// Everything runs on the UI thread: the token fields are only read and written there, between
// suspension points, so concurrent requests never see a half-written pair. The object must outlive
// the tasks it returns (the shared instance lives as long as the application).
#pragma once

#include "domain/ServiceDecoder.h"
#include "domain/WireRecords.h"
#include "net/ServiceRequest.h"
#include "net/TokenStore.h"

#include <QCoro/QCoroTask>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>

#include <chrono>
#include <expected>
#include <memory>
#include <optional>
#include <variant>

class NetworkService : public QObject
{
    Q_OBJECT

public:
    static inline const QString accessTokenAccount = QStringLiteral("auth-access-token");
    static inline const QString refreshTokenAccount = QStringLiteral("auth-refresh-token");
    static constexpr std::chrono::milliseconds defaultRequestTimeout { 60000 };

    // What the token store said when the tokens were last loaded.
    enum class TokenLoadState { notLoaded, loading, loaded, keyringFailed };

    // baseUrl: scheme and host (a trailing slash is dropped); every path is appended to it.
    NetworkService(QString baseUrl, std::shared_ptr<TokenStore> tokenStore, QObject* parent = nullptr);

    // The process-wide instance, made on first use, over the desktop keyring.
    static NetworkService& shared();
    // The bundle's service address, or PLENKO_API_URL when that is set.
    static QString configuredBaseUrl();

    QString baseUrl() const { return m_baseUrl; }
    // Where the next requests go; requests already sent finish where they were sent.
    void setBaseUrl(QString baseUrl);
    QString accessToken() const { return m_accessToken; }
    QString refreshToken() const { return m_refreshToken; }
    TokenLoadState tokenLoadState() const { return m_loadState; }
    // Why the last load failed, when it did.
    QString tokenLoadError() const { return m_loadError; }
    TokenStore& tokenStore() const { return *m_tokenStore; }

    // A file that says "signed out" when the token store refused to delete the tokens at sign-out:
    // while it exists, stored tokens are not used and their delete is tried again. Empty: none.
    void setSignOutMarker(QString path) { m_signOutMarker = std::move(path); }
    // Where the shared instance keeps that mark: the application's data folder.
    static QString defaultSignOutMarker();

    // Inactivity time-out of every request; tests shorten it.
    void setRequestTimeout(std::chrono::milliseconds timeout) { m_requestTimeout = timeout; }

    // Reads both tokens from the store once; callers that come while it runs wait for the same read.
    // After a keyring failure the next call reads again.
    QCoro::Task<void> loadTokens();

    // path begins with "/" and may carry its own query; non-empty query items replace that query.
    ApiResult<QUrl> makeUrl(const QString& path, const QList<QueryItem>& queryItems = {}) const;

    QCoro::Task<ApiResult<ServiceResponse>> send(ServiceRequest request);

    // Checks the status again, then decodes the body as T with the service decoder.
    template<typename T>
    ApiResult<T> decode(const ServiceResponse& response) const
    {
        if (auto valid = validateStatus(response); !valid)
            return std::unexpected(valid.error());
        auto decoded = decodeServiceResponse<T>(response.body);
        if (!decoded)
            return std::unexpected(decodingFailure(serviceRecordName<T>(), response, decoded.error()));
        return std::move(*decoded);
    }

    QCoro::Task<ApiResult<void>> refreshTokens();
    // Takes both tokens at once, in memory at once and in the token store before the task ends.
    QCoro::Task<void> setTokens(LoginTokens tokens);
    // Tells the service (when there is a refresh token), then forgets both tokens everywhere.
    QCoro::Task<void> logout();

Q_SIGNALS:
    void tokensLoaded();
    // The token store refused to keep the tokens: they live in memory for this run. Once per run.
    void tokensKeptInMemoryOnly(const QString& reason);
    // A sign-out could not delete the stored tokens; the reason names what the keyring said.
    void storedTokensNotDeleted(const QString& reason);
    // Ends one refresh; waiting requests read its outcome from m_sharedRefresh.
    void refreshFinished();
    // One exchange ended: false when no answer came, or a gateway in front said the service behind
    // it is down (502, 503, 504); true for any other answer, refusals included.
    void serviceReached(bool reached);

private:
    // The transport failure of a reply that brought no HTTP status.
    struct TransportFailure
    {
        QString description;
    };
    struct Exchange;

    QCoro::Task<Exchange> perform(ServiceRequest request);
    // The refresh itself; a transport failure is handed back for the caller to word.
    using RefreshOutcome = std::expected<void, std::variant<ApiError, TransportFailure>>;
    // One refresh at a time: a request that meets 401 while another refresh runs waits for that one,
    // because the service rotates refresh tokens and a second refresh with the same token would fail.
    QCoro::Task<RefreshOutcome> sharedRefresh();
    QCoro::Task<RefreshOutcome> performRefresh();
    // Writes the current pair to the store; false when any write or delete failed (reason in `problem`).
    QCoro::Task<bool> persistTokens(QString* problem);
    void tellInMemoryOnly(const QString& reason);
    bool signOutIsMarked() const;
    void markSignedOut(bool marked);

    ApiResult<void> validateStatus(const ServiceResponse& response) const;
    static ApiError decodingFailure(const QString& recordName, const ServiceResponse& response, const QString& reason);
    void authorize(ServiceRequest& request) const;

    QString m_baseUrl;
    std::shared_ptr<TokenStore> m_tokenStore;
    QNetworkAccessManager m_manager;
    std::chrono::milliseconds m_requestTimeout = defaultRequestTimeout;
    QString m_accessToken;
    QString m_refreshToken;
    TokenLoadState m_loadState = TokenLoadState::notLoaded;
    QString m_loadError;
    // Bumped whenever the tokens are set or cleared, so a late keyring read or a refresh that ends
    // after a sign-out never overwrites them.
    quint64 m_tokenGeneration = 0;
    bool m_refreshRunning = false;
    std::optional<RefreshOutcome> m_sharedRefresh;
    bool m_toldInMemoryOnly = false;
    QString m_signOutMarker;
};
