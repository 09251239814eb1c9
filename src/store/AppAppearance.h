// The colour scheme the user chose. Stored by its text value under "appearance.selection".
#pragma once

#include "store/JsonCodec.h"

#include <QString>

#include <optional>

enum class AppAppearance { dark, light };

QString appAppearanceText(AppAppearance appearance);

// Exactly "dark" or "light"; anything else is absent.
std::optional<AppAppearance> appAppearanceFromText(const QString& text);

template<>
struct JsonCodec<AppAppearance> : TextEnumJsonCodec<AppAppearance, &appAppearanceText, &appAppearanceFromText>
{
};
