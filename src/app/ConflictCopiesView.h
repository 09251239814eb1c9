// The conflict copies of the selected board, above its item list: a header "Conflict copies (n)"
// that opens and closes the list, and per copy why it was kept, its text (plain, never rendered as
// markup), and "Restore my version", "Copy text" and "Discard". Copies of boards no longer here are
// listed with every board, so they stay reachable. Hidden while there are none. Reads everything
// from the workspace; keeps nothing of its own but whether the list is open.
#pragma once

#include "app/ViewContext.h"

#include <QWidget>

class QToolButton;
class QVBoxLayout;
struct ConflictCopy;

class ConflictCopiesView : public QWidget
{
    Q_OBJECT

public:
    explicit ConflictCopiesView(const ViewContext& context, QWidget* parent = nullptr);

    QToolButton* header() const { return m_header; }
    bool isExpanded() const { return m_isExpanded; }
    void setExpanded(bool expanded);
    // Opens the list and moves the keyboard focus to its first button.
    void reveal();

private:
    void rebuild();
    QWidget* makeRow(const ConflictCopy& copy, bool orphan);
    void addRow(QWidget* row);

    ViewContext m_context;
    QToolButton* m_header = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_rows = nullptr;
    bool m_isExpanded = false;
};
