// The nine colours a sidebar divider can take. Stored by text value; listed in pickers in this order.
#pragma once

#include "store/JsonCodec.h"

#include <QColor>
#include <QString>
#include <array>
#include <optional>

enum class SidebarDividerColor { subtleGray, accent, blue, green, orange, pink, purple, teal, yellow };

inline constexpr std::array<SidebarDividerColor, 9> allSidebarDividerColors {SidebarDividerColor::subtleGray,
    SidebarDividerColor::accent, SidebarDividerColor::blue, SidebarDividerColor::green,
    SidebarDividerColor::orange, SidebarDividerColor::pink, SidebarDividerColor::purple,
    SidebarDividerColor::teal, SidebarDividerColor::yellow};

// "subtleGray", "accent", "blue", …: the stored form.
QString sidebarDividerColorText(SidebarDividerColor color);

// Exactly one of the nine texts, case-sensitive; anything else is absent.
std::optional<SidebarDividerColor> sidebarDividerColorFromText(const QString& text);

// "Subtle Gray", "Accent", "Blue", …: what menus and pickers show.
QString sidebarDividerColorLabel(SidebarDividerColor color);

// The colour the dotted line is drawn in. The accent follows the application's accent colour, so the
// caller hands it in; every other colour is fixed.
QColor sidebarDividerDisplayColor(SidebarDividerColor color, const QColor& accentColor);

// The grey of the subtle divider, fully opaque; drawn at opacity 0.35.
QColor sidebarSystemGray();

template<>
struct JsonCodec<SidebarDividerColor>
    : TextEnumJsonCodec<SidebarDividerColor, &sidebarDividerColorText, &sidebarDividerColorFromText>
{
};
