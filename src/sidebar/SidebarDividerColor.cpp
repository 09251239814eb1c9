#include "sidebar/SidebarDividerColor.h"

namespace {

struct ColorRow
{
    SidebarDividerColor color;
    const char* text;
    const char* label;
};

constexpr std::array<ColorRow, 9> colorRows {{
    {SidebarDividerColor::subtleGray, "subtleGray", "Subtle Gray"},
    {SidebarDividerColor::accent, "accent", "Accent"},
    {SidebarDividerColor::blue, "blue", "Blue"},
    {SidebarDividerColor::green, "green", "Green"},
    {SidebarDividerColor::orange, "orange", "Orange"},
    {SidebarDividerColor::pink, "pink", "Pink"},
    {SidebarDividerColor::purple, "purple", "Purple"},
    {SidebarDividerColor::teal, "teal", "Teal"},
    {SidebarDividerColor::yellow, "yellow", "Yellow"},
}};

const ColorRow& rowOf(SidebarDividerColor color)
{
    return colorRows[static_cast<std::size_t>(color)];
}

}

QString sidebarDividerColorText(SidebarDividerColor color)
{
    return QString::fromLatin1(rowOf(color).text);
}

std::optional<SidebarDividerColor> sidebarDividerColorFromText(const QString& text)
{
    for (const ColorRow& row : colorRows) {
        if (text == QLatin1String(row.text))
            return row.color;
    }
    return std::nullopt;
}

QString sidebarDividerColorLabel(SidebarDividerColor color)
{
    return QString::fromLatin1(rowOf(color).label);
}

QColor sidebarSystemGray()
{
    // The platform's standard mid grey (142, 142, 147).
    return QColor::fromRgb(142, 142, 147);
}

QColor sidebarDividerDisplayColor(SidebarDividerColor color, const QColor& accentColor)
{
    switch (color) {
    case SidebarDividerColor::subtleGray: {
        QColor gray = sidebarSystemGray();
        gray.setAlphaF(0.35f);
        return gray;
    }
    case SidebarDividerColor::accent:
        return accentColor;
    case SidebarDividerColor::blue:
        return QColor::fromRgbF(0.24f, 0.46f, 0.96f);
    case SidebarDividerColor::green:
        return QColor::fromRgbF(0.20f, 0.63f, 0.38f);
    case SidebarDividerColor::orange:
        return QColor::fromRgbF(0.95f, 0.59f, 0.20f);
    case SidebarDividerColor::pink:
        return QColor::fromRgbF(0.91f, 0.30f, 0.55f);
    case SidebarDividerColor::purple:
        return QColor::fromRgbF(0.52f, 0.39f, 0.92f);
    case SidebarDividerColor::teal:
        return QColor::fromRgbF(0.09f, 0.68f, 0.66f);
    case SidebarDividerColor::yellow:
        return QColor::fromRgbF(0.99f, 0.82f, 0.27f);
    }
    return accentColor;
}
