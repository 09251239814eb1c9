// The assignee picker of item views: the board's members by display name, the selected one checked,
// the current user tagged when asked, an "Unassigned" entry when asked, and the empty message when
// the board has no members.
#pragma once

#include "domain/BoardUser.h"

#include <QList>
#include <QMenu>
#include <QUuid>

#include <functional>
#include <optional>

class AssigneeSelectionMenu : public QMenu
{
    Q_OBJECT

public:
    struct Options
    {
        QList<BoardUser> users;
        std::optional<QUuid> selectedUserId;
        std::optional<QUuid> currentUserId;
        bool showsCurrentUserTag = false;
        bool showsUnassignedOption = false;
        bool isUnassignedSelected = false;
        std::function<void()> onSelectUnassigned;
        std::function<void(const BoardUser&)> onSelect;
        std::function<QString(const BoardUser&)> displayName;
        QString emptyMessage;
        std::optional<QString> header;
    };

    static QString currentUserTag() { return QStringLiteral(" (You)"); }

    explicit AssigneeSelectionMenu(Options options, QWidget* parent = nullptr);

    // The member entries, in the order of the users given.
    QList<QAction*> memberActions() const { return m_memberActions; }
    QAction* unassignedAction() const { return m_unassigned; }

private:
    Options m_options;
    QList<QAction*> m_memberActions;
    QAction* m_unassigned = nullptr;
};
