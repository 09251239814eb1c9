#include "workspace/settings/DangerConfirmationDialog.h"

#include "plaintext/UntrustedText.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QColor DangerConfirmationDialog::destructiveColor()
{
    return QColor(0xe5, 0x5b, 0x5b);
}

DangerConfirmationDialog::DangerConfirmationDialog(Content content, QWidget* parent)
    : QDialog(parent)
    , m_content(std::move(content))
{
    setObjectName(QStringLiteral("dangerConfirmation"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(m_content.title);
    setModal(true);
    setMinimumWidth(360);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(8);

    auto* title = UntrustedText::label(m_content.title, this);
    title->setObjectName(QStringLiteral("confirmationTitle"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 2);
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);

    auto* message = UntrustedText::label(m_content.message, this);
    message->setObjectName(QStringLiteral("confirmationMessage"));
    message->setWordWrap(true);
    layout->addWidget(message);
    layout->addSpacing(10);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_primary = new QPushButton(m_content.primaryButtonTitle, this);
    m_primary->setObjectName(QStringLiteral("primaryButton"));
    m_primary->setDefault(true);
    const QColor color = m_content.primaryColor.isValid() ? m_content.primaryColor : destructiveColor();
    m_primary->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                                            " border-radius: 6px; padding: 5px 14px; }"
                                            "QPushButton:pressed { background: %2; }")
                                 .arg(color.name(), color.darker(120).name()));
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_primary);
    layout->addLayout(buttons);

    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_primary, &QPushButton::clicked, this, &DangerConfirmationDialog::confirm);
}

void DangerConfirmationDialog::confirm()
{
    // Closed first: the action may close the window this dialog belongs to.
    const auto action = m_content.confirmAction;
    accept();
    if (action)
        action();
}
