// Our emoji palette: a small popup with a search field over a grid of emoji. Picking one (click,
// or Return for the first match) closes the popup and reports the emoji.
#pragma once

#include <QFrame>

class QLineEdit;
class QListWidget;

class EmojiPalette : public QFrame
{
    Q_OBJECT

public:
    explicit EmojiPalette(QWidget* parent = nullptr);

    // Opens at a global position with an empty search and the keyboard in the search field.
    void popup(const QPoint& globalPosition);

    QLineEdit* searchField() const { return m_search; }
    QListWidget* grid() const { return m_grid; }

public Q_SLOTS:
    void pick(const QString& emoji);

Q_SIGNALS:
    void emojiPicked(const QString& emoji);

private:
    void showMatches(const QString& query);

    QLineEdit* m_search = nullptr;
    QListWidget* m_grid = nullptr;
};
