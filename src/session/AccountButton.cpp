#include "session/AccountButton.h"

#include "session/AuthState.h"
#include "session/SessionStyle.h"
#include "session/UserViewModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

AccountButton::AccountButton(
    UserViewModel& profile, AuthState& auth, std::function<void()> onPressed, QWidget* parent)
    : QWidget(parent)
    , m_profile(profile)
    , m_auth(auth)
{
    setObjectName(QStringLiteral("accountButton"));
    auto* layout = new QVBoxLayout(this);
    // It sits at the foot of the sidebar column: inset like the board rows above it.
    layout->setContentsMargins(10, 4, 10, 6);

    m_offlineNotice = new QWidget(this);
    m_offlineNotice->setObjectName(QStringLiteral("offlineNotice"));
    auto* noticeLayout = new QHBoxLayout(m_offlineNotice);
    noticeLayout->setContentsMargins(6, 6, 6, 6);
    auto* symbol = new QLabel(m_offlineNotice);
    SessionStyle::setSymbol(symbol, QStringLiteral("wifi.exclamationmark"));
    noticeLayout->addWidget(symbol, 0, Qt::AlignTop);
    auto* text = new QLabel(offlineText, m_offlineNotice);
    text->setObjectName(QStringLiteral("offlineText"));
    text->setWordWrap(true);
    SessionStyle::useSecondaryText(text);
    noticeLayout->addWidget(text, 1);
    auto* retry = new QPushButton(QStringLiteral("Retry"), m_offlineNotice);
    retry->setObjectName(QStringLiteral("retry"));
    connect(retry, &QPushButton::clicked, this, [this] { m_profile.loadProfile(); });
    noticeLayout->addWidget(retry, 0, Qt::AlignTop);
    layout->addWidget(m_offlineNotice);

    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("account"));
    m_button->setText(QStringLiteral("Account"));
    m_button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_button->setAutoRaise(true);
    if (onPressed)
        connect(m_button, &QToolButton::clicked, this, std::move(onPressed));
    layout->addWidget(m_button);

    connect(&m_auth, &AuthState::isLoggedInChanged, this, &AccountButton::followSignIn);
    connect(&m_profile, &UserViewModel::didFailLoadingProfileChanged, this, &AccountButton::showSignInState);
    followSignIn(m_auth.isLoggedIn());
}

void AccountButton::followSignIn(bool signedIn)
{
    // Signing in loads the profile through the sign-in state, which the profile follows.
    if (!signedIn)
        m_profile.clearProfile();
    showSignInState();
}

bool AccountButton::isShowingOfflineNotice() const
{
    return !m_offlineNotice->isHidden();
}

void AccountButton::showSignInState()
{
    SessionStyle::setSymbol(m_button,
        m_auth.isLoggedIn() ? QStringLiteral("person.crop.circle.fill")
                            : QStringLiteral("person.crop.circle"));
    m_offlineNotice->setVisible(m_profile.didFailLoadingProfile());
}
