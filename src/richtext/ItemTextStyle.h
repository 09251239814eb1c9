// Everything the look of rendered item text depends on besides the text itself.
#pragma once

#include "richtext/RichTextPalette.h"
#include "richtext/TemporalContext.h"

#include <QFont>

struct ItemTextStyle
{
    QFont baseFont = defaultBaseFont();
    RichTextPalette palette = RichTextPalette::light();
    TemporalContext context = TemporalContext::system();
    qreal lineSpacing = 4.0;

    // The application font at 16 device-independent pixels.
    static QFont defaultBaseFont();
};
