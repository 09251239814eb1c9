// The "Keyboard Shortcuts" window of the Help menu: every key of the application, grouped, with
// the keys written as the desktop writes them.
#pragma once

#include <QWidget>

class QTreeWidget;

class KeyboardShortcutsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit KeyboardShortcutsWindow(QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }

private:
    QTreeWidget* m_list = nullptr;
};
