#include "app/SessionControls.h"

#include "BundleInfo.h"
#include "app/AppNotifications.h"
#include "app/NotificationCenter.h"
#include "session/AccountButton.h"
#include "session/AccountDetailsView.h"
#include "session/AccountSignOut.h"
#include "session/AuthState.h"
#include "session/ChangelogPopoverView.h"
#include "session/ChangelogViewModel.h"
#include "session/FeedbackDialogView.h"
#include "session/FeedbackViewModel.h"
#include "session/NotificationNavigator.h"
#include "session/NotificationPopoverView.h"
#include "session/NotificationViewModel.h"
#include "session/UpdatePrompter.h"
#include "session/UpdaterViewModel.h"
#include "session/UserViewModel.h"

#include <QStandardPaths>
#include <QWidget>

namespace {
// The application notification that shows the column of items in that status.
QString tabRequestName(ItemStatus status)
{
    switch (status) {
    case ItemStatus::todo:
        return AppNotification::requestTodoTab;
    case ItemStatus::inProgress:
        return AppNotification::requestInProgressTab;
    case ItemStatus::done:
        return AppNotification::requestDoneTab;
    }
    return AppNotification::requestTodoTab;
}
} // namespace

SessionControls::SessionControls(Services services, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_profile(std::make_unique<UserViewModel>(services.api))
    , m_notifications(std::make_unique<NotificationViewModel>(services.api))
    , m_navigator(
          std::make_unique<NotificationNavigator>(*m_notifications, services.workspace, services.toasts))
    , m_changelog(std::make_unique<ChangelogViewModel>())
    , m_updater(std::make_unique<UpdaterViewModel>(services.preferences))
{
    connect(m_navigator.get(), &NotificationNavigator::boardSettingsRequested, this,
        &SessionControls::boardSettingsRequested);
    connect(m_navigator.get(), &NotificationNavigator::auxiliaryWindowsCloseRequested, this,
        &SessionControls::auxiliaryWindowsCloseRequested);
    connect(m_navigator.get(), &NotificationNavigator::itemColumnRequested, this,
        [&center = services.center](ItemStatus status) { center.post(tabRequestName(status)); });
    m_profile->follow(services.auth);
    connect(&services.auth, &AuthState::isLoggedInChanged, this, &SessionControls::followSignIn);
    followSignIn(services.auth.isLoggedIn());
}

SessionControls::~SessionControls() = default;

void SessionControls::followSignIn(bool signedIn)
{
    // Polls at once and then on its interval; turning it off cancels the loop and empties the feed.
    m_notifications->setPollingEnabled(signedIn);
}

void SessionControls::notificationAnnounced()
{
    if (m_notifications->pollingEnabled())
        m_notifications->refresh();
}

void SessionControls::endRevokedSession()
{
    // The toasts outlive the application's windows; so does this object, which owns the profile.
    AccountSignOut::afterRevokedSession(&m_services.auth, &m_services.workspace, m_profile.get(), &m_services.toasts,
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void SessionControls::presentUpdatesOver(QWidget* window)
{
    delete m_updatePrompter;
    m_updatePrompter = new UpdatePrompter(*m_updater, window);
}

QWidget* SessionControls::showNotifications(QWidget* anchor)
{
    auto* popover = new NotificationPopoverView(*m_notifications, *m_navigator);
    popover->setAttribute(Qt::WA_DeleteOnClose);
    popover->popUp(anchor);
    return popover;
}

QWidget* SessionControls::showChangelog(QWidget* anchor)
{
    auto* popover = new ChangelogPopoverView(*m_changelog, QString::fromLatin1(BundleInfo::shortVersion));
    popover->setAttribute(Qt::WA_DeleteOnClose);
    popover->popUp(anchor);
    return popover;
}

QWidget* SessionControls::showFeedback(QWidget* parent)
{
    auto* viewModel = new FeedbackViewModel(m_services.api, m_services.toasts);
    auto* dialog = new FeedbackDialogView(*viewModel, parent);
    viewModel->setParent(dialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

QWidget* SessionControls::makeAccountButton(std::function<void()> onPressed, QWidget* parent) const
{
    return new AccountButton(*m_profile, m_services.auth, std::move(onPressed), parent);
}

QWidget* SessionControls::makeAccountDetails() const
{
    return new AccountDetailsView(*m_profile, m_services.auth, m_services.workspace);
}
