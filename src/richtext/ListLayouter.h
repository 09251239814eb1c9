// Puts list items on lines of their own with their markers: "  - item", "  1. item", nested items
// indented two more spaces per level.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/ListItemLayout.h"

#include <QColor>
#include <QFont>
#include <QList>

class ListLayouter
{
public:
    static QList<ListItemLayout> layouts(const QList<ListItemInfo>& items, const QList<qsizetype>& positionMap);
    static void apply(AttributedText& text, const QList<ListItemInfo>& items, const QList<qsizetype>& positionMap,
        const QFont& baseFont, const QColor& labelColor);

    static QString marker(const ListItemInfo& info);
};
