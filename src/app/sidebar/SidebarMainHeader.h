// The top of the sidebar: the title ("Boards" or "Archived"), the back control in archived mode,
// the menu with its sections of entries, and the control that hides the sidebar.
#pragma once

#include "app/RailSelection.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QMenu;
class QToolButton;

struct SidebarMenuItem
{
    QString title;
    QString systemImage;
    std::function<void()> action;
    bool showsChevron = false;
};

struct SidebarMenuSection
{
    QList<SidebarMenuItem> items;
};

class SidebarMainHeader : public QWidget
{
    Q_OBJECT

public:
    explicit SidebarMainHeader(QWidget* parent = nullptr);

    void setMode(SidebarMode mode);
    void setMenuSections(QList<SidebarMenuSection> sections);
    void setLeadingInset(int inset);

    QString title() const;
    // A fresh menu of the current sections; the caller owns it.
    QMenu* makeMenu(QWidget* parent) const;

    QToolButton* backButton() const { return m_back; }
    QToolButton* menuButton() const { return m_menuButton; }
    QToolButton* hideButton() const { return m_hide; }
    bool isMenuPresented() const { return m_isMenuPresented; }

Q_SIGNALS:
    void backRequested();
    void hideSidebarRequested();

private:
    void presentMenu();

    QList<SidebarMenuSection> m_sections;
    bool m_isMenuPresented = false;
    QLabel* m_title = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_menuButton = nullptr;
    QToolButton* m_hide = nullptr;
};
