#include "richtext/ItemTextStyle.h"

#include <QGuiApplication>

QFont ItemTextStyle::defaultBaseFont()
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(16);
    return font;
}
