// A piece of a window's own header that moves the window: pressing the mouse on it starts a window
// move through the window system, a double click maximises or restores the window. Its children keep
// their own clicks.
#pragma once

#include <QWidget>

class WindowDragArea : public QWidget
{
    Q_OBJECT

public:
    explicit WindowDragArea(QWidget* parent = nullptr);

    // Asks the window system to move the window that hosts `widget`; false when it could not.
    static bool startWindowMove(QWidget* widget);

Q_SIGNALS:
    // A press that asked for a window move (whether or not the window system could do it).
    void moveRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
