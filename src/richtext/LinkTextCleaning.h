// Turning raw page text into label text: white space collapsed, entities resolved, length capped.
#pragma once

#include <QString>

#include <optional>

// Runs of white space become one space, the ends are trimmed, and at most 120 characters remain.
QString cleanTitle(const QString& raw);

// Entities resolved, white space collapsed; absent when nothing is left; at most 200 characters.
std::optional<QString> cleanSummary(const QString& raw);

// The text of `html` with its tags dropped and its character references decoded; nothing is loaded.
QString decodeEntities(const QString& html);

// "news site" → "News Site": the first letter of every word upper case, the rest lower case.
QString capitalizeWords(const QString& text);
