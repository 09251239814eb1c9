#include "workspace/settings/MemberRow.h"

#include "plaintext/UntrustedText.h"
#include "symbols/SymbolIcons.h"
#include "workspace/settings/MemberDisplay.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

MemberRow::MemberRow(BoardUser user, bool isCurrentUser, bool showsActions, QWidget* parent)
    : QWidget(parent)
    , m_user(std::move(user))
{
    setObjectName(QStringLiteral("memberRow"));
    auto* layout = new QHBoxLayout(this);
    // No side margins: names and buttons line up with the tab's headings and its Refresh button.
    layout->setContentsMargins(0, 6, 0, 6);
    layout->setSpacing(10);

    auto* text = new QVBoxLayout;
    text->setSpacing(1);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(6);
    m_name = UntrustedText::label(memberDisplayName(m_user), this);
    m_name->setObjectName(QStringLiteral("memberName"));
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    nameRow->addWidget(m_name);
    if (isCurrentUser) {
        auto* you = new QLabel(QStringLiteral("You"), this);
        you->setObjectName(QStringLiteral("currentUserMark"));
        you->setStyleSheet(QStringLiteral("QLabel { color: #5b8def; border: 1px solid #5b8def;"
                                          " border-radius: 4px; padding: 0px 5px; }"));
        nameRow->addWidget(you);
    }
    nameRow->addStretch();
    text->addLayout(nameRow);

    auto* detailRow = new QHBoxLayout;
    detailRow->setSpacing(5);
    m_role = new QLabel(memberRoleText(m_user), this);
    m_role->setObjectName(QStringLiteral("memberRole"));
    m_role->setForegroundRole(QPalette::PlaceholderText);
    m_added = new QLabel(memberAddedText(m_user), this);
    m_added->setObjectName(QStringLiteral("memberAdded"));
    m_added->setForegroundRole(QPalette::PlaceholderText);
    auto* dot = new QLabel(QStringLiteral("·"), this);
    dot->setForegroundRole(QPalette::PlaceholderText);
    detailRow->addWidget(m_role);
    detailRow->addWidget(dot);
    detailRow->addWidget(m_added);
    detailRow->addStretch();
    text->addLayout(detailRow);
    layout->addLayout(text, 1);

    m_progress = new QLabel(QStringLiteral("Removing…"), this);
    m_progress->setForegroundRole(QPalette::PlaceholderText);
    m_progress->hide();
    layout->addWidget(m_progress);

    if (!showsActions)
        return;
    const QColor textColor = palette().color(QPalette::ButtonText);
    m_transfer = new QPushButton(QStringLiteral("Transfer Ownership"), this);
    m_transfer->setObjectName(QStringLiteral("transferOwnershipButton"));
    m_transfer->setIcon(SymbolIcons::icon(QStringLiteral("person.crop.circle.badge.arrow.forward"), textColor));
    m_remove = new QPushButton(QStringLiteral("Remove User"), this);
    m_remove->setObjectName(QStringLiteral("removeUserButton"));
    m_remove->setIcon(SymbolIcons::icon(QStringLiteral("minus.circle"), textColor));
    layout->addWidget(m_transfer);
    layout->addWidget(m_remove);
    connect(m_remove, &QPushButton::clicked, this, [this] { Q_EMIT removeRequested(m_user); });
    connect(m_transfer, &QPushButton::clicked, this, [this] { Q_EMIT transferRequested(m_user); });
}

void MemberRow::setRemovalState(bool removingThis, bool anyRemoving)
{
    m_progress->setVisible(removingThis);
    if (m_remove) {
        m_remove->setEnabled(!anyRemoving);
        m_remove->setVisible(!removingThis);
    }
    if (m_transfer)
        m_transfer->setEnabled(!anyRemoving);
}
