#include "workspace/settings/AssigneeSelectionMenu.h"

#include "symbols/SymbolIcons.h"

namespace {
QString fallbackName(const BoardUser& user)
{
    return user.displayName && !user.displayName->isEmpty() ? *user.displayName : user.email;
}
}

AssigneeSelectionMenu::AssigneeSelectionMenu(Options options, QWidget* parent)
    : QMenu(parent)
    , m_options(std::move(options))
{
    setObjectName(QStringLiteral("assigneeSelectionMenu"));
    setAccessibleName(QStringLiteral("Assignee"));
    setToolTipsVisible(true);
    const auto displayName = m_options.displayName ? m_options.displayName : fallbackName;
    const QIcon check = SymbolIcons::icon(QStringLiteral("checkmark"), palette().color(QPalette::Text));

    if (m_options.header)
        addSection(*m_options.header);

    if (m_options.showsUnassignedOption) {
        m_unassigned = addAction(QStringLiteral("Unassigned"));
        m_unassigned->setToolTip(QStringLiteral("Items without an assignee"));
        m_unassigned->setStatusTip(QStringLiteral("Items without an assignee"));
        m_unassigned->setCheckable(true);
        m_unassigned->setChecked(m_options.isUnassignedSelected);
        if (m_options.isUnassignedSelected)
            m_unassigned->setIcon(check);
        const auto onSelectUnassigned = m_options.onSelectUnassigned;
        connect(m_unassigned, &QAction::triggered, this, [onSelectUnassigned] {
            if (onSelectUnassigned)
                onSelectUnassigned();
        });
        if (!m_options.users.isEmpty())
            addSeparator();
    }

    if (m_options.users.isEmpty()) {
        QAction* empty = addAction(m_options.emptyMessage);
        empty->setObjectName(QStringLiteral("emptyMessage"));
        empty->setEnabled(false);
        return;
    }

    for (const BoardUser& user : m_options.users) {
        QString text = displayName(user);
        if (m_options.showsCurrentUserTag && m_options.currentUserId == user.userId)
            text += currentUserTag();
        QAction* action = addAction(text);
        const bool selected = !m_options.isUnassignedSelected && m_options.selectedUserId == user.userId;
        action->setCheckable(true);
        action->setChecked(selected);
        if (selected)
            action->setIcon(check);
        const auto onSelect = m_options.onSelect;
        connect(action, &QAction::triggered, this, [onSelect, user] {
            if (onSelect)
                onSelect(user);
        });
        m_memberActions.append(action);
    }
}
