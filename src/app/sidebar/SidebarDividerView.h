// One divider row of a sidebar section: a dotted line in the divider's colour. While the pointer is
// over it, a colour control (the palette of nine swatches) and a delete button ("Delete Divider")
// appear; its context menu has the submenu "Divider Color".
#pragma once

#include "sidebar/SidebarDivider.h"

#include <QWidget>

class QMenu;
class QToolButton;

class SidebarDividerView : public QWidget
{
    Q_OBJECT

public:
    SidebarDividerView(SidebarDivider divider, QWidget* parent = nullptr);

    const SidebarDivider& divider() const { return m_divider; }
    bool isHovered() const { return m_hovered; }
    void setHovered(bool hovered);

    QToolButton* colorButton() const { return m_colorButton; }
    QToolButton* deleteButton() const { return m_deleteButton; }
    // The context menu with its "Divider Color" submenu; the caller owns it.
    QMenu* makeContextMenu(QWidget* parent);
    // Opens the swatch palette under the colour control and returns it.
    QWidget* showPalette();

Q_SIGNALS:
    void colorChosen(const QUuid& dividerId, SidebarDividerColor color);
    void deleteRequested(const QUuid& dividerId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    SidebarDivider m_divider;
    bool m_hovered = false;
    QToolButton* m_colorButton = nullptr;
    QToolButton* m_deleteButton = nullptr;
};
