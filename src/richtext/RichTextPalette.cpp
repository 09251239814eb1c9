#include "richtext/RichTextPalette.h"

namespace {

// The desktop's system colours for each appearance; the same values the rest of the window uses.
const QColor lightLabel(0, 0, 0, 217);
const QColor darkLabel(255, 255, 255, 217);
const QColor lightGray(142, 142, 147);
const QColor darkGray(152, 152, 157);
const QColor lightBlue(0, 122, 255);
const QColor darkBlue(10, 132, 255);
const QColor lightRed(255, 59, 48);
const QColor darkRed(255, 69, 58);

QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

} // namespace

QColor RichTextPalette::blend(const QColor& base, const QColor& target, double fraction)
{
    if (!base.isValid() || !target.isValid())
        return base;
    const QColor from = base.toRgb();
    const QColor to = target.toRgb();
    auto mix = [fraction](float a, float b) { return a + (b - a) * static_cast<float>(fraction); };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()), mix(from.blueF(), to.blueF()),
        mix(from.alphaF(), to.alphaF()));
}

RichTextPalette RichTextPalette::light()
{
    RichTextPalette palette;
    palette.labelColor = lightLabel;
    palette.bodyTextColor = lightLabel;
    palette.highlightColor = QColor::fromRgbF(0.88f, 0.88f, 0.88f, 1.0f);
    palette.mentionColor = blend(lightGray, lightLabel, 0.40);
    palette.linkColor = blend(lightBlue, Qt::white, 0.35);
    palette.codeAccentColor = withOpacity(lightRed, 0.75);
    return palette;
}

RichTextPalette RichTextPalette::dark()
{
    RichTextPalette palette;
    palette.labelColor = darkLabel;
    palette.bodyTextColor = QColor::fromRgbF(0.8784313725490196f, 0.8784313725490196f, 0.8784313725490196f, 1.0f);
    palette.highlightColor = QColor::fromRgbF(0.28f, 0.28f, 0.28f, 1.0f);
    palette.mentionColor = blend(darkGray, darkLabel, 0.60);
    palette.linkColor = blend(darkBlue, Qt::white, 0.20);
    palette.codeAccentColor = withOpacity(darkRed, 0.75);
    return palette;
}
