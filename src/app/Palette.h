// The application's one dark palette and its named colours. Every view takes its colours from here,
// so the look can be changed in one place.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

class QApplication;
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
