// Identifiers become text in one canonical form: hyphenated, upper case, no braces.
#pragma once

#include <QString>
#include <QUuid>

#include <array>
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

// Reads an id's text as QUuid::fromString does (a null id for anything that is not one). The
// hyphenated 36-character form, which every stored row holds, is read digit by digit where it
// stands: QUuid::fromString converts its argument to UTF-16 first, and a large board reads three
// ids per item.
inline QUuid readUuidText(const char* text, qsizetype size)
{
    // Where each byte's two digits start, hyphens skipped.
    static constexpr int digitAt[16] = {0, 2, 4, 6, 9, 11, 14, 16, 19, 21, 24, 26, 28, 30, 32, 34};
    static constexpr auto values = [] {
        std::array<qint8, 256> table {};
        table.fill(-1);
        for (int c = '0'; c <= '9'; ++c)
            table[size_t(c)] = qint8(c - '0');
        for (int c = 'A'; c <= 'F'; ++c)
            table[size_t(c)] = table[size_t(c - 'A' + 'a')] = qint8(c - 'A' + 10);
        return table;
    }();
    if (size != uuidTextLength || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return QUuid::fromString(QLatin1StringView(text, size));
    uchar bytes[16];
    int invalid = 0;
    for (int i = 0; i < 16; ++i) {
        const int high = values[uchar(text[digitAt[i]])];
        const int low = values[uchar(text[digitAt[i] + 1])];
        invalid |= high | low; // a negative value sets the sign bit
        bytes[i] = uchar(high << 4 | low);
    }
    return invalid < 0 ? QUuid() : QUuid::fromRfc4122(QByteArrayView(bytes, 16));
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
