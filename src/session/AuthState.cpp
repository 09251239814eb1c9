#include "session/AuthState.h"

#include "domain/Ids.h"
#include "workspace/ToastManager.h"

#include <QDesktopServices>
#include <QPointer>
#include <QUrlQuery>

namespace {
const QString method = QStringLiteral("google");
}

bool AuthState::openInBrowser(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

AuthState::AuthState(NetworkService& api, UsageAnalytics& analytics, ToastManager& toasts, UrlOpener openUrl,
    QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_analytics(analytics)
    , m_toasts(toasts)
    , m_openUrl(std::move(openUrl))
    , m_userRepo(&api)
    , m_authRepo(&api)
{
    connect(&m_api, &NetworkService::tokensKeptInMemoryOnly, this, [this](const QString& reason) {
        showError(QStringLiteral("The keyring did not keep your sign-in (%1). You stay signed in until Plenko "
                                 "quits.")
                      .arg(reason));
    });
    connect(&m_api, &NetworkService::storedTokensNotDeleted, this, [this](const QString& reason) {
        showError(QStringLiteral("Signed out, but the keyring could not delete the stored sign-in (%1). "
                                 "Plenko will still start signed out.")
                      .arg(reason));
    });
    switch (m_api.tokenLoadState()) {
    case NetworkService::TokenLoadState::loaded:
    case NetworkService::TokenLoadState::keyringFailed:
        adoptStoredSignIn();
        break;
    case NetworkService::TokenLoadState::notLoaded:
    case NetworkService::TokenLoadState::loading:
        restoreFromTokenStore();
        break;
    }
}

QCoro::Task<void> AuthState::restoreFromTokenStore()
{
    QPointer<AuthState> self(this);
    co_await m_api.loadTokens();
    if (!self || m_stateDecided)
        co_return;
    adoptStoredSignIn();
}

void AuthState::adoptStoredSignIn()
{
    // A keyring that could not answer may still hold a sign-in: stay signed in and let the first
    // request say what is wrong, rather than signing the user out and clearing their cloud boards.
    const bool stored = m_api.tokenLoadState() == NetworkService::TokenLoadState::keyringFailed
        || !m_api.accessToken().isEmpty();
    if (!stored)
        return;
    setLoggedIn(true);
    refreshCurrentUser();
}

QString AuthState::makeDeviceNonce()
{
    return uuidText(QUuid::createUuid()).remove(QLatin1Char('-'));
}

QCoro::Task<void> AuthState::startSignIn()
{
    QPointer<AuthState> self(this);
    const QString nonce = makeDeviceNonce();
    m_pendingDeviceNonce = nonce;

    const ApiResult<StartLoginResponse> started = co_await m_authRepo.startLogin(nonce);
    if (!self)
        co_return;
    if (!started) {
        trackSignIn(UsageEvent::signInFailed, QStringLiteral("start"));
        showError(QStringLiteral("Failed to start sign-in ") + started.error().description());
        co_return;
    }
    trackSignIn(UsageEvent::signInStarted);
    const QUrl loginUrl(started->loginUrl);
    if (!loginUrl.isValid() || !m_openUrl(loginUrl))
        showError(QStringLiteral("Failed to open URL in default browser: ") + started->loginUrl);
}

void AuthState::handleCallback(const QString& address)
{
    // Compared as received: QUrl would lower-case the scheme and host and decode the path first.
    static const QString callback = QStringLiteral("plenko://auth/callback?");
    if (!address.startsWith(callback))
        return;
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return;
    const QUrlQuery query(url);
    if (!query.hasQueryItem(QStringLiteral("ott")))
        return;
    // The first item named ott, decoded.
    const QString ott = query.allQueryItemValues(QStringLiteral("ott"), QUrl::FullyDecoded).constFirst();
    if (ott.isEmpty() || !m_pendingDeviceNonce)
        return;
    completeSignIn(*m_pendingDeviceNonce, ott);
}

QCoro::Task<void> AuthState::completeSignIn(QString deviceNonce, QString ott)
{
    QPointer<AuthState> self(this);
    const ApiResult<LoginTokens> tokens = co_await m_authRepo.completeLogin(deviceNonce, ott);
    if (!self)
        co_return;
    if (!tokens) {
        trackSignIn(UsageEvent::signInFailed, QStringLiteral("complete"));
        showError(QStringLiteral("Failed to complete sign-in: ") + tokens.error().description());
        co_return;
    }
    co_await m_api.setTokens(*tokens);
    if (!self)
        co_return;
    m_stateDecided = true;
    setLoggedIn(true);
    trackSignIn(UsageEvent::signInCompleted);
    refreshCurrentUser();
    m_pendingDeviceNonce.reset();
}

QCoro::Task<void> AuthState::refreshCurrentUser()
{
    if (!m_isLoggedIn)
        co_return;
    QPointer<AuthState> self(this);
    const quint64 generation = m_signInGeneration;
    ++m_refreshingUser;
    Q_EMIT currentUserRefreshStarted();
    const ApiResult<CurrentUserResponse> response = co_await m_userRepo.fetchCurrentUser();
    if (!self)
        co_return;
    --m_refreshingUser;
    if (generation != m_signInGeneration)
        co_return;
    if (!response) {
        showError(QStringLiteral("Failed to refresh current user: ") + response.error().description());
        Q_EMIT currentUserRefreshFinished(false);
        co_return;
    }
    setCurrentUser(response->user);
    Q_EMIT currentUserRefreshFinished(true);
}

QCoro::Task<void> AuthState::signOut()
{
    QPointer<AuthState> self(this);
    m_stateDecided = true;
    ++m_signInGeneration;
    setLoggedIn(false);
    setCurrentUser(std::nullopt);
    m_pendingDeviceNonce.reset();
    m_analytics.track(UsageEvent::logout);
    co_await m_api.logout();
    if (!self)
        co_return;
    m_analytics.reset();
}

void AuthState::setLoggedIn(bool loggedIn)
{
    if (m_isLoggedIn == loggedIn)
        return;
    m_isLoggedIn = loggedIn;
    Q_EMIT isLoggedInChanged(loggedIn);
}

void AuthState::setCurrentUser(std::optional<User> user)
{
    if (!user && !m_currentUser)
        return;
    m_currentUser = std::move(user);
    Q_EMIT currentUserChanged();
}

void AuthState::trackSignIn(UsageEvent event, const QString& stage)
{
    QJsonObject properties { { QStringLiteral("method"), method } };
    if (!stage.isEmpty())
        properties.insert(QStringLiteral("stage"), stage);
    m_analytics.track(event, properties);
}

void AuthState::showError(const QString& text)
{
    m_toasts.showToast(ToastType::error, text, ToastManager::errorSeconds);
}
