// The sidebar column in its plain form: the workspace's active or archived boards as a list with the
// selected board marked; choosing a row selects its board. Cloud boards show their last sync outcome.
#pragma once

#include "app/RailSelection.h"

#include <QWidget>

class BoardViewModel;
class QLabel;
class QListWidget;

class BoardListView : public QWidget
{
    Q_OBJECT

public:
    BoardListView(BoardViewModel& workspace, QWidget* parent = nullptr);

    void setMode(SidebarMode mode);
    SidebarMode mode() const { return m_mode; }
    QListWidget* list() const { return m_list; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuild();

    BoardViewModel& m_workspace;
    SidebarMode m_mode = SidebarMode::active;
    QLabel* m_title = nullptr;
    QListWidget* m_list = nullptr;
    bool m_rebuilding = false;
};
