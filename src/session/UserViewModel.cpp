#include "session/UserViewModel.h"

#include "session/AuthState.h"

#include <QPointer>

UserViewModel::UserViewModel(NetworkService& api, QObject* parent)
    : QObject(parent)
    , m_userRepo(&api)
{
}

void UserViewModel::follow(const AuthState& auth)
{
    connect(&auth, &AuthState::currentUserRefreshStarted, this, [this] {
        setLoading(true);
        setFailed(false);
    });
    connect(&auth, &AuthState::currentUserRefreshFinished, this, [this, &auth](bool succeeded) {
        if (succeeded)
            setUser(auth.currentUser());
        setFailed(!succeeded);
        setLoading(false);
    });
    if (auth.isRefreshingCurrentUser())
        setLoading(true);
    else if (auth.currentUser())
        setUser(auth.currentUser());
}

QCoro::Task<void> UserViewModel::loadProfile()
{
    if (m_isLoadingProfile)
        co_return;
    QPointer<UserViewModel> self(this);
    const quint64 generation = m_generation;
    setLoading(true);
    setFailed(false);
    ApiResult<CurrentUserResponse> response = co_await m_userRepo.fetchCurrentUser();
    if (!self || generation != m_generation)
        co_return;
    if (response) {
        setUser(std::move(response->user));
        setFailed(false);
    } else {
        setFailed(true);
    }
    setLoading(false);
}

void UserViewModel::clearProfile()
{
    ++m_generation;
    setUser(std::nullopt);
    setLoading(false);
    setFailed(false);
}

void UserViewModel::setUser(std::optional<User> user)
{
    if (!user && !m_user)
        return;
    m_user = std::move(user);
    Q_EMIT userChanged();
}

void UserViewModel::setLoading(bool loading)
{
    if (m_isLoadingProfile == loading)
        return;
    m_isLoadingProfile = loading;
    Q_EMIT isLoadingProfileChanged(loading);
}

void UserViewModel::setFailed(bool failed)
{
    if (m_didFailLoadingProfile == failed)
        return;
    m_didFailLoadingProfile = failed;
    Q_EMIT didFailLoadingProfileChanged(failed);
}
