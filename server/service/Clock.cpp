#include "Clock.h"

#include <QRegularExpression>

QDateTime Clock::now() const
{
    const QDateTime system = QDateTime::currentDateTimeUtc();
    return QDateTime::fromSecsSinceEpoch(system.toSecsSinceEpoch() + m_offsetSeconds, Qt::UTC);
}

QString Clock::iso(const QDateTime& time)
{
    return QDateTime::fromSecsSinceEpoch(time.toSecsSinceEpoch(), Qt::UTC).toString(Qt::ISODate);
}

std::optional<QDateTime> Clock::parseIso(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(Z|[+-]\d{2}:\d{2})$)"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODate);
    if (!parsed.isValid())
        return std::nullopt;
    return parsed.toUTC();
}
