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
    // The width the document is first laid out at; negative leaves lines unwrapped.
    qreal layoutWidth = -1.0;

    // The application font at 16 device-independent pixels.
    static QFont defaultBaseFont();
};
