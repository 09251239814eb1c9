// The profile behind the account button and the account details: the signed-in user as the service
// knows them, whether it is loading, and whether the last load failed (the offline notice).
#pragma once

#include "domain/User.h"
#include "net/UserRepository.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <optional>

class AuthState;
class NetworkService;

class UserViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoadingProfile READ isLoadingProfile NOTIFY isLoadingProfileChanged)
    Q_PROPERTY(bool didFailLoadingProfile READ didFailLoadingProfile NOTIFY didFailLoadingProfileChanged)

public:
    explicit UserViewModel(NetworkService& api, QObject* parent = nullptr);

    const std::optional<User>& user() const { return m_user; }
    bool isLoadingProfile() const { return m_isLoadingProfile; }
    bool didFailLoadingProfile() const { return m_didFailLoadingProfile; }

    // Takes the profile that the sign-in state loads at start and at every sign-in, instead of
    // asking the service a second time; its load counts as this one's while it runs.
    void follow(const AuthState& auth);

    // Does nothing while a load runs. A failure keeps the profile shown so far.
    QCoro::Task<void> loadProfile();
    void clearProfile();

Q_SIGNALS:
    void userChanged();
    void isLoadingProfileChanged(bool loading);
    void didFailLoadingProfileChanged(bool failed);

private:
    void setUser(std::optional<User> user);
    void setLoading(bool loading);
    void setFailed(bool failed);

    UserRepository m_userRepo;
    std::optional<User> m_user;
    bool m_isLoadingProfile = false;
    bool m_didFailLoadingProfile = false;
    // Bumped by clearProfile, so a load that was running when the user signed out is dropped.
    quint64 m_generation = 0;
};
