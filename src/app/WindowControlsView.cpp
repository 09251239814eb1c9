#include "app/WindowControlsView.h"

#include <QHBoxLayout>
#include <QToolButton>

WindowControlsView::WindowControlsView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("windowControls"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_close = makeButton(QStringLiteral("windowClose"), QColor(0xec, 0x5f, 0x57), QStringLiteral("Close"));
    m_minimize = makeButton(QStringLiteral("windowMinimize"), QColor(0xf4, 0xbe, 0x4f), QStringLiteral("Minimize"));
    m_maximize = makeButton(QStringLiteral("windowMaximize"), QColor(0x61, 0xc5, 0x54), QStringLiteral("Zoom"));
    layout->addWidget(m_close);
    layout->addWidget(m_minimize);
    layout->addWidget(m_maximize);
    connect(m_close, &QToolButton::clicked, this, [this] { window()->close(); });
    connect(m_minimize, &QToolButton::clicked, this, [this] { window()->showMinimized(); });
    connect(m_maximize, &QToolButton::clicked, this, [this] {
        QWidget* w = window();
        w->isMaximized() ? w->showNormal() : w->showMaximized();
    });
}

QToolButton* WindowControlsView::makeButton(const QString& objectName, const QColor& color, const QString& help)
{
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setFixedSize(12, 12);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::ArrowCursor);
    button->setStyleSheet(QStringLiteral("QToolButton { background: %1; border: none; border-radius: 6px; }"
                                         "QToolButton:hover { background: %2; }")
                              .arg(color.name(), color.lighter(115).name()));
    return button;
}
