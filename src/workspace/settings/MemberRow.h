// One member on the Users tab: name, role, grant date and a mark for the current user; for the owner,
// "Remove User" and "Transfer Ownership" on rows that allow them. The read-only variant has no actions.
#pragma once

#include "domain/BoardUser.h"

#include <QWidget>

class QLabel;
class QPushButton;

class MemberRow : public QWidget
{
    Q_OBJECT

public:
    MemberRow(BoardUser user, bool isCurrentUser, bool showsActions, QWidget* parent = nullptr);

    const BoardUser& user() const { return m_user; }
    // While a removal of this row runs it shows progress; any running removal disables all removals.
    void setRemovalState(bool removingThis, bool anyRemoving);

    QLabel* nameLabel() const { return m_name; }
    QLabel* roleLabel() const { return m_role; }
    QLabel* addedLabel() const { return m_added; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* transferButton() const { return m_transfer; }

Q_SIGNALS:
    void removeRequested(const BoardUser& user);
    void transferRequested(const BoardUser& user);

private:
    BoardUser m_user;
    QLabel* m_name = nullptr;
    QLabel* m_role = nullptr;
    QLabel* m_added = nullptr;
    QLabel* m_progress = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_transfer = nullptr;
};
