// The list of board members offered while an @mention is typed. Keyboard choice goes through the
// editor (Up, Down, Return, Tab); the mouse can hover and click rows directly.
#pragma once

#include "domain/BoardUser.h"

#include <QListWidget>

#include <optional>

class MentionSuggestionList : public QListWidget
{
    Q_OBJECT

public:
    explicit MentionSuggestionList(QWidget* parent = nullptr);

    void setSuggestions(const QList<BoardUser>& users);
    const QList<BoardUser>& suggestions() const { return m_users; }

    void moveSelection(int step);
    void chooseCurrent();

Q_SIGNALS:
    void chosen(const BoardUser& user);
    void hoveredUserChanged(std::optional<QUuid> userId);

private:
    QList<BoardUser> m_users;
};
