// Close, minimise and maximise buttons for a window that draws its own header (the window system's
// title bar is hidden by WindowChromeManager).
#pragma once

#include <QWidget>

class QToolButton;

class WindowControlsView : public QWidget
{
    Q_OBJECT

public:
    explicit WindowControlsView(QWidget* parent = nullptr);

    QToolButton* closeButton() const { return m_close; }

private:
    QToolButton* makeButton(const QString& objectName, const QColor& color, const QString& help);

    QToolButton* m_close = nullptr;
    QToolButton* m_minimize = nullptr;
    QToolButton* m_maximize = nullptr;
};
