#include "session/AccountDetailsView.h"

#include "session/AccountSignOut.h"
#include "session/AuthState.h"
#include "session/AvatarLoader.h"
#include "session/SessionStyle.h"
#include "session/UserViewModel.h"
#include "workspace/BoardViewModel.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int pictureSize = 72;

QLabel* valueLabel(QWidget* parent, const QString& name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
} // namespace

AccountDetailsView::AccountDetailsView(
    UserViewModel& profile, AuthState& auth, BoardViewModel& workspace, QWidget* parent)
    : QWidget(parent)
    , m_profile(profile)
    , m_auth(auth)
    , m_workspace(workspace)
    , m_avatar(new AvatarLoader(this))
{
    setObjectName(windowIdentifier);
    setWindowTitle(QStringLiteral("Account"));
    resize(520, 520);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(18);
    layout->addWidget(makeIdentity());
    layout->addWidget(makeAppearance());
    layout->addStretch();
    layout->addWidget(makeLogOut());

    connect(&m_profile, &UserViewModel::userChanged, this, &AccountDetailsView::showProfile);
    connect(&m_auth, &AuthState::currentUserChanged, this, &AccountDetailsView::showProfile);
    connect(&m_auth, &AuthState::isLoggedInChanged, this, &AccountDetailsView::showProfile);
    connect(m_avatar, &AvatarLoader::imageChanged, this, &AccountDetailsView::updatePicture);
    showProfile();
}

QWidget* AccountDetailsView::makeIdentity()
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    m_picture = new QLabel(box);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setFixedSize(pictureSize, pictureSize);
    layout->addWidget(m_picture, 0, Qt::AlignTop);

    auto* fields = new QFormLayout;
    m_name = valueLabel(box, QStringLiteral("displayName"));
    SessionStyle::useTitleFont(m_name);
    fields->addRow(m_name);
    m_email = valueLabel(box, QStringLiteral("email"));
    SessionStyle::useSecondaryText(m_email);
    fields->addRow(m_email);
    m_handle = valueLabel(box, QStringLiteral("handle"));
    auto* handleLabel = new QLabel(QStringLiteral("Handle"), box);
    handleLabel->setObjectName(QStringLiteral("handleLabel"));
    SessionStyle::useSecondaryText(handleLabel);
    fields->addRow(handleLabel, m_handle);
    // Which service keeps the cloud boards: the build's or one the user chose at sign-in.
    m_service = valueLabel(box, QStringLiteral("serviceAddress"));
    auto* serviceLabel = new QLabel(QStringLiteral("Service"), box);
    serviceLabel->setObjectName(QStringLiteral("serviceAddressLabel"));
    serviceLabel->setBuddy(m_service);
    SessionStyle::useSecondaryText(serviceLabel);
    SessionStyle::useSecondaryText(m_service);
    fields->addRow(serviceLabel, m_service);
    layout->addLayout(fields, 1);
    return box;
}

QWidget* AccountDetailsView::makeAppearance()
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* light = new QToolButton(box);
    light->setObjectName(QStringLiteral("lightMode"));
    light->setText(QStringLiteral("Light Mode"));
    light->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SessionStyle::setSymbol(light, QStringLiteral("sun.max.fill"));
    // The light scheme is not offered yet: the choice is shown, but cannot be made.
    light->setEnabled(false);
    light->setToolTip(QStringLiteral("Light mode is in progress"));
    auto* inProgress = new QLabel(QStringLiteral("In progress"), box);
    inProgress->setObjectName(QStringLiteral("lightModeInProgress"));
    inProgress->setToolTip(light->toolTip());
    SessionStyle::useSecondaryText(inProgress);

    auto* dark = new QToolButton(box);
    dark->setObjectName(QStringLiteral("darkMode"));
    dark->setText(QStringLiteral("Dark Mode"));
    dark->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    dark->setCheckable(true);
    dark->setChecked(true);
    SessionStyle::setSymbol(dark, QStringLiteral("moon.stars.fill"));
    auto* current = new QLabel(box);
    current->setObjectName(QStringLiteral("currentAppearance"));
    SessionStyle::setSymbol(current, QStringLiteral("checkmark.circle.fill"));
    SessionStyle::useAccentText(current);
    // Dark is the only scheme, so it stays chosen whatever is clicked.
    connect(dark, &QToolButton::toggled, dark, [dark] { dark->setChecked(true); });

    layout->addWidget(light);
    layout->addWidget(inProgress);
    layout->addSpacing(16);
    layout->addWidget(dark);
    layout->addWidget(current);
    layout->addStretch();
    return box;
}

QWidget* AccountDetailsView::makeLogOut()
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    m_logOut = new QPushButton(QStringLiteral("Log Out"), box);
    m_logOut->setObjectName(QStringLiteral("logOut"));
    SessionStyle::setSymbol(m_logOut, QStringLiteral("rectangle.portrait.and.arrow.right"));
    connect(m_logOut, &QPushButton::clicked, this, &AccountDetailsView::logOut);
    auto* info = new QLabel(box);
    info->setObjectName(QStringLiteral("logOutInfo"));
    SessionStyle::setSymbol(info, QStringLiteral("questionmark.circle"));
    info->setToolTip(logOutExplanation);
    layout->addWidget(m_logOut);
    layout->addWidget(info);
    layout->addStretch();
    return box;
}

void AccountDetailsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_auth.isLoggedIn() && !m_profile.user())
        m_profile.loadProfile();
}

void AccountDetailsView::showProfile()
{
    const std::optional<User> user = m_profile.user() ? m_profile.user() : m_auth.currentUser();
    m_name->setText(user ? user->displayName.value_or(QString()) : QString());
    m_email->setText(user ? user->email : QString());
    m_handle->setText(user ? user->handle.value_or(QString()) : QString());
    m_service->setText(m_auth.api().baseUrl());
    m_logOut->setEnabled(m_auth.isLoggedIn());
    m_avatar->load(user && user->avatarUrl ? QUrl(*user->avatarUrl) : QUrl());
    updatePicture();
}

QPixmap AccountDetailsView::picture() const
{
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(QSize(pictureSize, pictureSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath circle;
    const QRectF bounds(0, 0, pictureSize, pictureSize);
    circle.addEllipse(bounds);
    painter.setClipPath(circle);
    if (!m_avatar->image().isNull()) {
        painter.drawImage(bounds, m_avatar->image());
        return pixmap;
    }
    const std::optional<User> user = m_profile.user() ? m_profile.user() : m_auth.currentUser();
    const QString initials = user ? AvatarLoader::initials(*user) : QString();
    painter.fillPath(circle, SessionStyle::accent().darker(140));
    QFont font = painter.font();
    font.setPixelSize(pictureSize / 3);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(SessionStyle::emphasisedText());
    painter.drawText(bounds, Qt::AlignCenter,
        initials.isEmpty() ? SessionStyle::glyph(QStringLiteral("person.crop.circle.fill")) : initials);
    return pixmap;
}

void AccountDetailsView::updatePicture()
{
    m_picture->setPixmap(picture());
    m_picture->setProperty("showsAvatar", !m_avatar->image().isNull());
}

namespace {
QString unsentChangesText(const BoardViewModel::UnsentChanges& unsent)
{
    const int changes = unsent.items + unsent.boardDescriptions;
    QString text = changes == 1 ? QStringLiteral("1 change has not reached the service")
                                : QStringLiteral("%1 changes have not reached the service").arg(changes);
    if (unsent.conflictCopies > 0) {
        text += unsent.conflictCopies == 1 ? QStringLiteral(", and 1 conflict copy is kept on this computer")
                                           : QStringLiteral(", and %1 conflict copies are kept on this computer")
                                                 .arg(unsent.conflictCopies);
    }
    return text + QLatin1Char('.');
}

// Runs after the window has closed: says where the unsent changes went, or why nothing happened.
QCoro::Task<void> reportSignOut(QCoro::Task<AccountSignOut::Outcome> running)
{
    const AccountSignOut::Outcome outcome = co_await std::move(running);
    if (!outcome.error.isEmpty() || outcome.savedTo) {
        auto* box = new QMessageBox();
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setObjectName(QStringLiteral("signOutReport"));
        box->setWindowTitle(QStringLiteral("Log Out"));
        if (!outcome.error.isEmpty()) {
            box->setIcon(QMessageBox::Warning);
            box->setText(QStringLiteral("Your unsent changes could not be saved, so you are still signed in."));
            box->setInformativeText(outcome.error);
        } else {
            box->setIcon(QMessageBox::Information);
            box->setText(QStringLiteral("Your unsent changes were saved to a file."));
            box->setInformativeText(*outcome.savedTo);
            box->setTextInteractionFlags(Qt::TextSelectableByMouse);
        }
        box->open();
    }
}
}

void AccountDetailsView::logOut()
{
    const BoardViewModel::UnsentChanges unsent = m_workspace.unsentChanges();
    if (unsent.isEmpty()) {
        signOut(false);
        return;
    }
    auto* prompt = new QMessageBox(this);
    prompt->setObjectName(QStringLiteral("unsentChangesPrompt"));
    prompt->setAttribute(Qt::WA_DeleteOnClose);
    prompt->setIcon(QMessageBox::Warning);
    prompt->setWindowTitle(QStringLiteral("Log Out"));
    prompt->setText(unsentChangesText(unsent));
    prompt->setInformativeText(QStringLiteral("Logging out removes cloud boards from this computer. Sync now to send "
                                              "the changes, or sign out anyway: they are saved to a file first."));
    QPushButton* syncNow = prompt->addButton(QStringLiteral("Sync now"), QMessageBox::AcceptRole);
    syncNow->setObjectName(QStringLiteral("syncNow"));
    QPushButton* anyway = prompt->addButton(QStringLiteral("Sign out anyway"), QMessageBox::DestructiveRole);
    anyway->setObjectName(QStringLiteral("signOutAnyway"));
    prompt->addButton(QMessageBox::Cancel);
    prompt->setDefaultButton(syncNow);
    connect(prompt, &QMessageBox::buttonClicked, this, [this, syncNow, anyway](QAbstractButton* button) {
        if (button == syncNow)
            m_workspace.syncAllCloudBoards(std::nullopt); // archived boards' changes count too
        else if (button == anyway)
            signOut(true);
    });
    prompt->open();
}

void AccountDetailsView::signOut(bool saveUnsent)
{
    m_logOut->setEnabled(false);
    std::optional<QString> folder;
    if (saveUnsent)
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    reportSignOut(AccountSignOut::run(&m_auth, &m_workspace, &m_profile, folder));
    close();
}
