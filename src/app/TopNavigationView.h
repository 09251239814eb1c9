// The three status tabs of the item list, "Todo (n)", "In Progress (n)" and "Done (n)", the chosen one
// underlined. An item card dropped on a tab is moved to that status.
#pragma once

#include "app/RailSelection.h"
#include "sidebar/ItemStatusDrop.h"

#include <QWidget>

#include <array>

class QToolButton;

class TopNavigationView : public QWidget
{
    Q_OBJECT

public:
    explicit TopNavigationView(QWidget* parent = nullptr);

    void setCurrentView(ViewMode mode);
    ViewMode currentView() const { return m_current; }
    void setCounts(const std::array<int, 3>& counts);
    QString tabText(ViewMode mode) const;
    QToolButton* tab(ViewMode mode) const { return m_tabs.at(static_cast<size_t>(mode)); }

Q_SIGNALS:
    void currentViewChosen(ViewMode mode);
    void itemDropped(const ItemStatusMove& move);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateTabs();

    ViewMode m_current = ViewMode::todo;
    std::array<int, 3> m_counts { 0, 0, 0 };
    std::array<QToolButton*, 3> m_tabs {};
};
