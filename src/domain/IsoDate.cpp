#include "domain/IsoDate.h"

#include <QRegularExpression>

QString isoDateText(const QDateTime& date)
{
    if (!date.isValid())
        return {};
    return date.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char('Z');
}

namespace {
// The form every date on the wire is written in, "2024-05-01T12:30:00Z": read by position, without
// the regular expression. Anything else (an offset, other digits, a wrong length) is left to the
// general reader, which also gives the answer for every text rejected here.
std::optional<QDateTime> parseUtcWireDate(const QString& text)
{
    constexpr qsizetype length = 20;
    if (text.size() != length || text.at(19) != QLatin1Char('Z'))
        return std::nullopt;
    const char16_t* chars = reinterpret_cast<const char16_t*>(text.constData());
    bool digitsOnly = true;
    auto number = [&](qsizetype first, qsizetype count) {
        int value = 0;
        for (qsizetype i = first; i < first + count; ++i) {
            const char16_t c = chars[i];
            digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
            value = value * 10 + int(c - u'0');
        }
        return value;
    };
    if (chars[4] != u'-' || chars[7] != u'-' || chars[10] != u'T' || chars[13] != u':' || chars[16] != u':')
        return std::nullopt;
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!digitsOnly || !date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}
}

std::optional<QDateTime> parseIsoDate(const QString& text)
{
    if (auto date = parseUtcWireDate(text))
        return date;
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:(Z)|([+-])(\d{2}):(\d{2}))$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;

    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;

    int offsetSeconds = 0;
    if (match.captured(7).isEmpty()) {
        const int hours = match.captured(9).toInt();
        const int minutes = match.captured(10).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offsetSeconds = (hours * 3600 + minutes * 60) * (match.captured(8) == QLatin1String("-") ? -1 : 1);
    }
    const QDateTime local(date, time, Qt::OffsetFromUTC, offsetSeconds);
    return local.toUTC();
}
