#include "insights/InsightsPalette.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>

QColor InsightsPalette::systemBlue() { return QColor(0x0A, 0x84, 0xFF); }
QColor InsightsPalette::systemOrange() { return QColor(0xFF, 0x9F, 0x0A); }
QColor InsightsPalette::systemGreen() { return QColor(0x30, 0xD1, 0x58); }
QColor InsightsPalette::systemPurple() { return QColor(0xBF, 0x5A, 0xF2); }

QColor InsightsPalette::darkened(const QColor& color, double fraction)
{
    const double keep = 1.0 - std::clamp(fraction, 0.0, 1.0);
    return QColor::fromRgbF(static_cast<float>(color.redF() * keep), static_cast<float>(color.greenF() * keep),
        static_cast<float>(color.blueF() * keep), color.alphaF());
}

QColor InsightsPalette::seriesColor(StatusSeries series)
{
    switch (series) {
    case StatusSeries::todo:
        return darkened(systemBlue(), 0.18);
    case StatusSeries::inProgress:
        return darkened(systemOrange(), 0.26);
    case StatusSeries::done:
        return darkened(systemGreen(), 0.38);
    }
    return systemBlue();
}

QColor InsightsPalette::statusColor(ItemStatus status)
{
    return seriesColor(statusSeriesOf(status));
}

QColor InsightsPalette::windowBackground() { return QColor(0x1E, 0x1E, 0x1E); }
QColor InsightsPalette::cardBackground() { return QColor(0x2A, 0x2A, 0x2C); }
QColor InsightsPalette::primaryText() { return QColor(0xF2, 0xF2, 0xF7); }
QColor InsightsPalette::secondaryText() { return QColor(0xA1, 0xA1, 0xA6); }
QColor InsightsPalette::gridLine() { return QColor(0x3A, 0x3A, 0x3C); }

void InsightsPalette::applyDarkScheme(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, windowBackground());
    palette.setColor(QPalette::Base, windowBackground());
    palette.setColor(QPalette::AlternateBase, cardBackground());
    palette.setColor(QPalette::WindowText, primaryText());
    palette.setColor(QPalette::Text, primaryText());
    palette.setColor(QPalette::ButtonText, primaryText());
    palette.setColor(QPalette::Button, cardBackground());
    // Scroll bars and frames are drawn from these, which do not follow Button by themselves.
    palette.setColor(QPalette::Light, QColor(0x4A, 0x4A, 0x4E));
    palette.setColor(QPalette::Midlight, QColor(0x3A, 0x3A, 0x3C));
    palette.setColor(QPalette::Mid, QColor(0x32, 0x32, 0x34));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
    palette.setColor(QPalette::Shadow, QColor(0x0C, 0x0C, 0x0C));
    palette.setColor(QPalette::PlaceholderText, secondaryText());
    palette.setColor(QPalette::ToolTipBase, cardBackground());
    palette.setColor(QPalette::ToolTipText, primaryText());
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}
