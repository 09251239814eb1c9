#include "richtext/MentionSuggestionList.h"

#include "richtext/MentionCompletion.h"

MentionSuggestionList::MentionSuggestionList(QWidget* parent)
    : QListWidget(parent)
{
    setObjectName(QStringLiteral("mentionSuggestions"));
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        setCurrentItem(item);
        chooseCurrent();
    });
    connect(this, &QListWidget::itemEntered, this, [this](QListWidgetItem* item) {
        const qsizetype index = row(item);
        Q_EMIT hoveredUserChanged(index >= 0 && index < m_users.size() ? std::optional(m_users[index].userId)
                                                                        : std::nullopt);
    });
}

void MentionSuggestionList::setSuggestions(const QList<BoardUser>& users)
{
    m_users = users;
    clear();
    for (const BoardUser& user : users)
        addItem(MentionCompletion::displayName(user) + QStringLiteral("  @") + user.mentionHandle());
    if (count() > 0)
        setCurrentRow(0);
    const int rows = std::min(count(), 5);
    setFixedHeight(rows * std::max(sizeHintForRow(0), 1) + 2 * frameWidth());
}

void MentionSuggestionList::moveSelection(int step)
{
    if (count() == 0)
        return;
    setCurrentRow((currentRow() + step + count()) % count());
}

void MentionSuggestionList::chooseCurrent()
{
    const int index = currentRow();
    if (index >= 0 && index < m_users.size())
        Q_EMIT chosen(m_users[index]);
}
