// The trash of the selected board, above its item list like the conflict copies: a header
// "Trash (n)" that opens and closes the list, "Empty Trash", and per item its text (plain), when it
// was deleted, "Restore" and "Delete Permanently". The two permanent actions ask first. Hidden while
// the trash is empty. Keeps nothing of its own but whether the list is open.
#pragma once

#include "app/ViewContext.h"

#include <QWidget>

#include <functional>

class ItemTrash;
class QMessageBox;
class QPushButton;
class QToolButton;
class QVBoxLayout;
struct Item;

class TrashView : public QWidget
{
    Q_OBJECT

public:
    explicit TrashView(const ViewContext& context, QWidget* parent = nullptr);

    QToolButton* header() const { return m_header; }
    bool isExpanded() const { return m_isExpanded; }
    void setExpanded(bool expanded);

private:
    void rebuild();
    QWidget* makeRow(const Item& item);
    // Asks before a change that cannot be taken back; runs `confirmed` on "Delete".
    void confirm(const QString& title, const QString& text, std::function<void()> confirmed);

    ViewContext m_context;
    ItemTrash& m_trash;
    QToolButton* m_header = nullptr;
    QPushButton* m_empty = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_rows = nullptr;
    bool m_isExpanded = false;
};
