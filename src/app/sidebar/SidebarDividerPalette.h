// The divider colour picker: the nine colours as swatches in a three-by-three grid, the current
// one checked. Choosing a swatch reports the colour and closes the popup.
#pragma once

#include "sidebar/SidebarDividerColor.h"

#include <QFrame>
#include <QList>

class QToolButton;

class SidebarDividerPalette : public QFrame
{
    Q_OBJECT

public:
    SidebarDividerPalette(SidebarDividerColor current, QWidget* parent = nullptr);

    // One button per colour, in picker order.
    QList<QToolButton*> swatches() const { return m_swatches; }

Q_SIGNALS:
    void colorChosen(SidebarDividerColor color);

private:
    QList<QToolButton*> m_swatches;
};
