// Identifiers become text in one canonical form: hyphenated, upper case, no braces.
#pragma once

#include <QString>
#include <QUuid>

#include <optional>

// Length of the canonical text: 32 hex digits and 4 hyphens.
inline constexpr qsizetype uuidTextLength = 36;

// Writes the canonical text into `out` (uuidTextLength ASCII characters, no terminator). Ids are
// formatted for every stored row and every bound parameter, so this avoids the temporary strings of
// formatting in lower case and converting.
inline void writeUuidText(const QUuid& id, char* out)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    auto put = [&out](quint64 value, int hexDigits) {
        for (int shift = (hexDigits - 1) * 4; shift >= 0; shift -= 4)
            *out++ = digits[(value >> shift) & 0xF];
    };
    put(id.data1, 8);
    *out++ = '-';
    put(id.data2, 4);
    *out++ = '-';
    put(id.data3, 4);
    *out++ = '-';
    put((quint64(id.data4[0]) << 8) | id.data4[1], 4);
    *out++ = '-';
    for (int i = 2; i < 8; ++i)
        put(id.data4[i], 2);
}

inline QString uuidText(const QUuid& id)
{
    char text[uuidTextLength];
    writeUuidText(id, text);
    return QString::fromLatin1(text, uuidTextLength);
}

// Accepts either letter case, with or without braces; anything else is absent.
inline std::optional<QUuid> uuidFromText(const QString& text)
{
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text.compare(QStringLiteral("00000000-0000-0000-0000-000000000000")) != 0)
        return std::nullopt;
    return id;
}
