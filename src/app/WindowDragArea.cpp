#include "app/WindowDragArea.h"

#include <QMouseEvent>
#include <QWindow>

WindowDragArea::WindowDragArea(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("windowDragArea"));
}

bool WindowDragArea::startWindowMove(QWidget* widget)
{
    QWidget* window = widget ? widget->window() : nullptr;
    if (!window || !window->windowHandle())
        return false;
    return window->windowHandle()->startSystemMove();
}

void WindowDragArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    Q_EMIT moveRequested();
    startWindowMove(this);
    event->accept();
}

void WindowDragArea::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget* w = window();
    if (event->button() == Qt::LeftButton && w) {
        w->isMaximized() ? w->showNormal() : w->showMaximized();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}
