// The account side of the main window: the profile, the notification feed, the changelog, feedback
// and software updates. Owns their state objects for the life of the application, keeps the feed
// polling exactly while signed in, and opens their popovers and dialogs where the rail asks.
#pragma once

#include <QObject>
#include <QPointer>
#include <QUuid>
#include <functional>
#include <memory>

class AuthState;
class BoardViewModel;
class ChangelogViewModel;
class LocalStore;
class NetworkService;
class NotificationCenter;
class NotificationNavigator;
class NotificationViewModel;
class QWidget;
class ToastManager;
class UpdatePrompter;
class UpdaterViewModel;
class UserViewModel;

class SessionControls : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        NetworkService& api;
        AuthState& auth;
        BoardViewModel& workspace;
        LocalStore& preferences;
        ToastManager& toasts;
        NotificationCenter& center;
    };

    explicit SessionControls(Services services, QObject* parent = nullptr);
    ~SessionControls() override;

    UserViewModel& profile() const { return *m_profile; }
    NotificationViewModel& notifications() const { return *m_notifications; }
    NotificationNavigator& navigator() const { return *m_navigator; }
    UpdaterViewModel& updater() const { return *m_updater; }

    // Update results are shown over this window from now on.
    void presentUpdatesOver(QWidget* window);

    // Each opens anew; a popover closes when the user clicks elsewhere.
    QWidget* showNotifications(QWidget* anchor);
    QWidget* showChangelog(QWidget* anchor);
    QWidget* showFeedback(QWidget* parent);

    // A notification was announced: the feed is fetched now rather than at the next poll.
    void notificationAnnounced();
    // The service ended this session: signed out as from the account view, cloud boards removed,
    // and changes that never reached the service written to a file first (kept signed in, with a
    // message, when that file cannot be written).
    void endRevokedSession();

    QWidget* makeAccountButton(std::function<void()> onPressed, QWidget* parent) const;
    QWidget* makeAccountDetails() const;

Q_SIGNALS:
    // A notification asked for the board settings of the board it just selected, on this tab.
    void boardSettingsRequested(const QUuid& boardId, const QString& tab);
    void auxiliaryWindowsCloseRequested();

private:
    void followSignIn(bool signedIn);

    Services m_services;
    std::unique_ptr<UserViewModel> m_profile;
    std::unique_ptr<NotificationViewModel> m_notifications;
    std::unique_ptr<NotificationNavigator> m_navigator;
    std::unique_ptr<ChangelogViewModel> m_changelog;
    std::unique_ptr<UpdaterViewModel> m_updater;
    // Belongs to the window it presents over.
    QPointer<UpdatePrompter> m_updatePrompter;
};
