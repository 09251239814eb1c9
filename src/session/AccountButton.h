// The rail's account control: "Account" with the person symbol (filled while signed in) and, while
// the profile could not be loaded, the offline notice with "Retry". It forgets the profile when the
// user signs out.
#pragma once

#include <QWidget>
#include <functional>

class AuthState;
class QLabel;
class QPushButton;
class QToolButton;
class UserViewModel;

class AccountButton : public QWidget
{
    Q_OBJECT

public:
    static inline const QString offlineText
        = QStringLiteral("You're offline, but you can keep working locally. When the app reconnects, your "
                         "changes sync automatically.");

    // onPressed: what pressing the button does (the owner opens the account details).
    AccountButton(
        UserViewModel& profile, AuthState& auth, std::function<void()> onPressed, QWidget* parent = nullptr);

    bool isShowingOfflineNotice() const;

private:
    void followSignIn(bool signedIn);
    void showSignInState();

    UserViewModel& m_profile;
    AuthState& m_auth;
    QToolButton* m_button = nullptr;
    QWidget* m_offlineNotice = nullptr;
};
