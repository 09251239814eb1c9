// The account window ("account-details"): picture, name, e-mail and handle of the signed-in user,
// the service address the account belongs to,
// the appearance choice (light mode still in progress), and "Log Out", which signs out and removes
// the cloud boards from this computer (after asking, when some changes have not reached the service).
#pragma once

#include <QWidget>

class AuthState;
class AvatarLoader;
class BoardViewModel;
class QLabel;
class QPushButton;
class UserViewModel;

class AccountDetailsView : public QWidget
{
    Q_OBJECT

public:
    static inline const QString windowIdentifier = QStringLiteral("account-details");
    static inline const QString logOutExplanation
        = QStringLiteral("Logging out removes synced boards stored on this computer. Cloud boards stay intact and "
                         "reload next time you sign in.");

    AccountDetailsView(
        UserViewModel& profile, AuthState& auth, BoardViewModel& workspace, QWidget* parent = nullptr);

    // The picture shown: the loaded avatar, or a drawn circle with the initials.
    QPixmap picture() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeIdentity();
    QWidget* makeAppearance();
    QWidget* makeLogOut();
    void showProfile();
    void updatePicture();
    // With unsent changes, asks first: "Sync now" or "Sign out anyway".
    void logOut();
    void signOut(bool saveUnsent);

    UserViewModel& m_profile;
    AuthState& m_auth;
    BoardViewModel& m_workspace;
    AvatarLoader* m_avatar = nullptr;
    QLabel* m_picture = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_email = nullptr;
    QLabel* m_handle = nullptr;
    QLabel* m_service = nullptr;
    QPushButton* m_logOut = nullptr;
};
