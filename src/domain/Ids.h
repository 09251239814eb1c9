// Identifiers become text in one canonical form: hyphenated, upper case, no braces.
#pragma once

#include <QString>
#include <QUuid>

#include <optional>

inline QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

// Accepts either letter case, with or without braces; anything else is absent.
inline std::optional<QUuid> uuidFromText(const QString& text)
{
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text.compare(QStringLiteral("00000000-0000-0000-0000-000000000000")) != 0)
        return std::nullopt;
    return id;
}
