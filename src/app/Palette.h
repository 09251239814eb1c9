// The application's one dark palette and its named colours. Every view takes its colours from here,
// so the look can be changed in one place.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

class QApplication;
class QPainter;
class QRectF;
class QWidget;

class Palette
{
public:
    // A colour by its name ("MainContentBgColor", "ItemCardBgColor", "PrimaryText", "AccentColor", …);
    // an unknown name gives magenta, so a typo shows at once.
    static QColor named(const QString& name);

    static QColor mainContentBackground() { return named(QStringLiteral("MainContentBgColor")); }
    static QColor itemCardBackground() { return named(QStringLiteral("ItemCardBgColor")); }
    static QColor primaryText() { return named(QStringLiteral("PrimaryText")); }
    static QColor accent() { return named(QStringLiteral("AccentColor")); }
    static QColor secondaryText() { return named(QStringLiteral("SecondaryText")); }
    static QColor railBackground() { return named(QStringLiteral("RailBgColor")); }
    static QColor sidebarBackground() { return named(QStringLiteral("SidebarBgColor")); }
    static QColor separator() { return named(QStringLiteral("SeparatorColor")); }
    static QColor hover() { return named(QStringLiteral("HoverColor")); }
    // The ring around the control that has the keyboard focus: light enough to see on every surface
    // of the dark scheme.
    static QColor focusRing() { return QColor(0x8f, 0xb4, 0xff); }
    // A style sheet rule that rings `selector` while it has the keyboard focus; appended to a
    // control's own style sheet, which would otherwise hide the application's rule.
    static QString focusRingRule(const QString& selector);
    // Draws the focus ring inside `rect` of a control that paints itself.
    static void paintFocusRing(QPainter& painter, const QRectF& rect, qreal radius);
    static QColor conflict() { return named(QStringLiteral("ConflictColor")); }

    // The status colours of the three columns, in status order.
    static QColor statusColor(int statusIndex);

    // The sidebar column's surface: its background with the separator line along its right edge.
    static void paintSidebarSurface(QWidget* widget);

    // The dark scheme as a QPalette (window, base, text, highlight, link…).
    static QPalette darkPalette();
    // Applies the dark palette and the shared style sheet to the whole application.
    static void applyTo(QApplication& application);
};
