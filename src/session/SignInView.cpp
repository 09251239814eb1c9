#include "session/SignInView.h"

#include "net/NetworkService.h"
#include "net/ServiceAddress.h"
#include "session/ServiceAddressChoice.h"
#include "session/SessionStyle.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SignInView::SignInView(NetworkService& api, LocalStore& preferences, QWidget* parent)
    : QDialog(parent)
    , m_api(api)
    , m_preferences(preferences)
{
    setObjectName(QStringLiteral("signIn"));
    setWindowTitle(QStringLiteral("Sign In"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(10);

    auto* heading = new QLabel(QStringLiteral("Sign in to Plenko"), this);
    SessionStyle::useTitleFont(heading);
    layout->addWidget(heading);
    auto* explanation = new QLabel(
        QStringLiteral(
            "Your browser opens to sign in. Cloud boards are kept by the service at this address."),
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    auto* label = new QLabel(QStringLiteral("Service address"), this);
    layout->addWidget(label);
    auto* row = new QHBoxLayout;
    m_address = new QLineEdit(m_api.baseUrl(), this);
    m_address->setObjectName(QStringLiteral("serviceAddress"));
    m_address->setPlaceholderText(ServiceAddress::buildDefault());
    m_address->setMinimumWidth(360);
    label->setBuddy(m_address);
    row->addWidget(m_address, 1);
    auto* useDefault = new QPushButton(QStringLiteral("Use Default"), this);
    useDefault->setObjectName(QStringLiteral("useDefaultAddress"));
    useDefault->setAutoDefault(false);
    row->addWidget(useDefault);
    layout->addLayout(row);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("serviceAddressProblem"));
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #e5484d;"));
    m_problem->hide();
    layout->addWidget(m_problem);

    if (ServiceAddressChoice::isOverridden()) {
        m_address->setReadOnly(true);
        useDefault->hide();
        auto* note = new QLabel(QStringLiteral("Set by PLENKO_API_URL for this run."), this);
        note->setObjectName(QStringLiteral("serviceAddressOverride"));
        SessionStyle::useSecondaryText(note);
        layout->addWidget(note);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_continue = buttons->addButton(QStringLiteral("Continue in Browser"), QDialogButtonBox::AcceptRole);
    m_continue->setObjectName(QStringLiteral("continueSignIn"));
    m_continue->setDefault(true);
    layout->addSpacing(6);
    layout->addWidget(buttons);

    connect(useDefault, &QPushButton::clicked, this, [this] {
        m_address->setText(ServiceAddress::buildDefault());
        m_problem->hide();
        m_address->setFocus();
    });
    connect(m_address, &QLineEdit::textEdited, m_problem, &QLabel::hide);
    connect(buttons, &QDialogButtonBox::accepted, this, &SignInView::submit);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_continue->setFocus();
}

void SignInView::submit()
{
    if (ServiceAddressChoice::isOverridden()) {
        accept();
        Q_EMIT continueRequested();
        return;
    }
    const auto chosen = ServiceAddressChoice::choose(m_address->text(), m_api, m_preferences);
    if (!chosen) {
        showProblem(chosen.error());
        return;
    }
    m_address->setText(*chosen);
    accept();
    Q_EMIT continueRequested();
}

void SignInView::showProblem(const QString& problem)
{
    m_problem->setText(problem);
    m_problem->setAccessibleName(problem);
    m_problem->show();
    m_address->setFocus();
    m_address->selectAll();
}
