#include "app/Palette.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QWidget>

namespace {
const QHash<QString, QColor>& namedColors()
{
    static const QHash<QString, QColor> colors {
        { QStringLiteral("MainContentBgColor"), QColor(0x1c, 0x1d, 0x21) },
        { QStringLiteral("ItemCardBgColor"), QColor(0x27, 0x29, 0x2f) },
        { QStringLiteral("ItemCardHoverBgColor"), QColor(0x2e, 0x30, 0x37) },
        { QStringLiteral("PrimaryText"), QColor(0xec, 0xed, 0xf0) },
        { QStringLiteral("SecondaryText"), QColor(0x9a, 0x9d, 0xa6) },
        { QStringLiteral("AccentColor"), QColor(0x5b, 0x8d, 0xef) },
        { QStringLiteral("RailBgColor"), QColor(0x13, 0x14, 0x17) },
        { QStringLiteral("SidebarBgColor"), QColor(0x18, 0x19, 0x1c) },
        { QStringLiteral("SeparatorColor"), QColor(0x33, 0x35, 0x3c) },
        { QStringLiteral("HoverColor"), QColor(0x30, 0x32, 0x3a) },
        { QStringLiteral("TodoColor"), QColor(0x9a, 0x9d, 0xa6) },
        { QStringLiteral("InProgressColor"), QColor(0xe3, 0xa3, 0x3b) },
        { QStringLiteral("DoneColor"), QColor(0x4c, 0xb7, 0x82) },
        { QStringLiteral("SuccessColor"), QColor(0x4c, 0xb7, 0x82) },
        { QStringLiteral("ErrorColor"), QColor(0xe5, 0x5b, 0x5b) },
        { QStringLiteral("ConflictColor"), QColor(0xe3, 0x8b, 0x3b) },
        { QStringLiteral("InfoColor"), QColor(0x5b, 0x8d, 0xef) },
        { QStringLiteral("ToastBgColor"), QColor(0x32, 0x34, 0x3b) },
    };
    return colors;
}
}

QColor Palette::named(const QString& name)
{
    return namedColors().value(name, QColor(Qt::magenta));
}

QColor Palette::statusColor(int statusIndex)
{
    switch (statusIndex) {
    case 1:
        return named(QStringLiteral("InProgressColor"));
    case 2:
        return named(QStringLiteral("DoneColor"));
    default:
        return named(QStringLiteral("TodoColor"));
    }
}

QPalette Palette::darkPalette()
{
    QPalette palette;
    const QColor text = primaryText();
    const QColor secondary = secondaryText();
    palette.setColor(QPalette::Window, mainContentBackground());
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(0x22, 0x23, 0x28));
    palette.setColor(QPalette::AlternateBase, itemCardBackground());
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::PlaceholderText, secondary);
    palette.setColor(QPalette::Button, itemCardBackground());
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0x2b, 0x2d, 0x33));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Highlight, accent());
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, accent().lighter(120));
    palette.setColor(QPalette::Light, QColor(0x3a, 0x3c, 0x44));
    palette.setColor(QPalette::Midlight, QColor(0x30, 0x32, 0x3a));
    palette.setColor(QPalette::Mid, separator());
    palette.setColor(QPalette::Dark, QColor(0x12, 0x12, 0x15));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, QColor(0x6a, 0x6d, 0x75));
    return palette;
}

void Palette::applyTo(QApplication& application)
{
    application.setStyle(QStringLiteral("Fusion"));
    application.setPalette(darkPalette());
    application.setStyleSheet(QStringLiteral(
        "QToolTip { color: %1; background: #2b2d33; border: 1px solid %2; padding: 3px 6px; }"
        "QMenu { background: #26282d; color: %1; border: 1px solid %2; padding: 4px; }"
        "QMenu::item { padding: 5px 18px 5px 10px; border-radius: 4px; }"
        "QMenu::item:selected { background: %3; }"
        "QMenu::item:disabled { color: #6a6d75; }"
        "QMenu::separator { height: 1px; background: %2; margin: 4px 6px; }"
        "QScrollBar:vertical { background: transparent; width: 10px; margin: 2px; }"
        "QScrollBar::handle:vertical { background: #3a3c44; border-radius: 3px; min-height: 30px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
            .arg(primaryText().name(), separator().name(), accent().name()));
}

void Palette::paintSidebarSurface(QWidget* widget)
{
    QPainter painter(widget);
    painter.fillRect(widget->rect(), sidebarBackground());
    painter.setPen(separator());
    painter.drawLine(widget->rect().topRight(), widget->rect().bottomRight());
}
