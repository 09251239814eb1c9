#include "richtext/EditorColors.h"

namespace EditorColors {

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor primaryText(const QPalette& palette)
{
    return isDark(palette) ? QColor(224, 224, 224) : palette.color(QPalette::Text);
}

QColor secondaryLabel(const QPalette& palette)
{
    QColor color = isDark(palette) ? QColor(255, 255, 255) : QColor(0, 0, 0);
    color.setAlphaF(isDark(palette) ? 0.55f : 0.5f);
    return color;
}

QColor systemRed(const QPalette& palette)
{
    return isDark(palette) ? QColor(255, 69, 58) : QColor(255, 59, 48);
}

QColor systemOrange(const QPalette& palette)
{
    return isDark(palette) ? QColor(255, 159, 10) : QColor(255, 149, 0);
}

QColor systemGray(const QPalette& palette)
{
    return isDark(palette) ? QColor(152, 152, 157) : QColor(142, 142, 147);
}

QColor mainContentBackground(const QPalette& palette)
{
    return isDark(palette) ? QColor(30, 30, 32) : QColor(255, 255, 255);
}

QColor containerBorder(const QPalette& palette)
{
    QColor color = isDark(palette) ? QColor(255, 255, 255) : QColor(0, 0, 0);
    color.setAlphaF(0.12f);
    return color;
}

} // namespace EditorColors
