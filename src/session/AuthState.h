// The application's sign-in state: whether a user is signed in, who it is, and the browser sign-in
// with a device nonce. Lives on the UI thread for the whole run; views observe isLoggedIn and
// currentUser and call the operations. The tokens themselves belong to the transport.
#pragma once

#include "analytics/UsageAnalytics.h"
#include "domain/User.h"
#include "net/AuthRepository.h"
#include "net/NetworkService.h"
#include "net/UserRepository.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class ToastManager;

class AuthState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY isLoggedInChanged)

public:
    // Opens an address in the user's browser; false when that was not possible.
    using UrlOpener = std::function<bool(const QUrl&)>;

    // The default browser, through the desktop.
    static bool openInBrowser(const QUrl& url);

    // Signed in at once when the transport holds a stored access token (waiting for the token read
    // if it has not finished); a keyring that could not be read never counts as signed out.
    AuthState(NetworkService& api, UsageAnalytics& analytics, ToastManager& toasts,
        UrlOpener openUrl = &AuthState::openInBrowser, QObject* parent = nullptr);

    // The transport the sign-in talks through (its address is the service's).
    NetworkService& api() const { return m_api; }
    bool isLoggedIn() const { return m_isLoggedIn; }
    const std::optional<User>& currentUser() const { return m_currentUser; }
    const std::optional<QString>& pendingDeviceNonce() const { return m_pendingDeviceNonce; }

    // 32 hexadecimal characters: a fresh upper-case UUID without its hyphens.
    static QString makeDeviceNonce();

    QCoro::Task<void> startSignIn();
    // Completes a sign-in when the address is plenko://auth/callback?ott=…, exactly as written (no
    // other case, no escapes in scheme, host or path), and this instance started one; anything else
    // is dropped silently.
    void handleCallback(const QString& address);
    QCoro::Task<void> completeSignIn(QString deviceNonce, QString ott);
    // The one profile request of every start and sign-in; the profile view model takes its answer.
    QCoro::Task<void> refreshCurrentUser();
    bool isRefreshingCurrentUser() const { return m_refreshingUser > 0; }
    QCoro::Task<void> signOut();

Q_SIGNALS:
    void isLoggedInChanged(bool isLoggedIn);
    void currentUserChanged();
    void currentUserRefreshStarted();
    // Not emitted for an answer that arrives after a sign-out: it no longer belongs to anyone.
    void currentUserRefreshFinished(bool succeeded);

private:
    QCoro::Task<void> restoreFromTokenStore();
    void adoptStoredSignIn();
    void setLoggedIn(bool loggedIn);
    void setCurrentUser(std::optional<User> user);
    void trackSignIn(UsageEvent event, const QString& stage = {});
    void showError(const QString& text);

    NetworkService& m_api;
    UsageAnalytics& m_analytics;
    ToastManager& m_toasts;
    UrlOpener m_openUrl;
    UserRepository m_userRepo;
    AuthRepository m_authRepo;

    bool m_isLoggedIn = false;
    std::optional<User> m_currentUser;
    std::optional<QString> m_pendingDeviceNonce;
    // Set by any sign-in or sign-out, so a late token read never overrides what the user just did.
    bool m_stateDecided = false;
    int m_refreshingUser = 0;
    // Bumped at sign-out, so a profile answer for the signed-out user is dropped.
    quint64 m_signInGeneration = 0;
};
