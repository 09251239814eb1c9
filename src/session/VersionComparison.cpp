#include "session/VersionComparison.h"

#include <QList>
#include <QRegularExpression>

namespace {

// Only a whole decimal number (with an optional sign) is a number; "beta", "2rc" or an overflowing
// run of digits count as 0.
qint64 componentValue(const QString& component)
{
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    if (!decimal.match(component).hasMatch())
        return 0;
    bool ok = false;
    const qint64 value = component.toLongLong(&ok);
    return ok ? value : 0;
}

VersionOrder orderOf(auto a, auto b)
{
    if (a < b)
        return VersionOrder::ascending;
    if (b < a)
        return VersionOrder::descending;
    return VersionOrder::same;
}

// A run of digits read as a number, without limit on its length: leading zeros are skipped, then the
// longer run is larger, then the first differing digit decides.
VersionOrder compareDigitRuns(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == QLatin1Char('0'))
        a = a.mid(1);
    while (b.size() > 1 && b.front() == QLatin1Char('0'))
        b = b.mid(1);
    if (a.size() != b.size())
        return orderOf(a.size(), b.size());
    return orderOf(a.compare(b), 0);
}

qsizetype digitRunEnd(const QString& text, qsizetype from)
{
    while (from < text.size() && text.at(from).isDigit())
        ++from;
    return from;
}

} // namespace

VersionOrder compareWithNumericRuns(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const qsizetype endA = digitRunEnd(a, i);
            const qsizetype endB = digitRunEnd(b, j);
            const VersionOrder runs
                = compareDigitRuns(QStringView(a).mid(i, endA - i), QStringView(b).mid(j, endB - j));
            if (runs != VersionOrder::same)
                return runs;
            i = endA;
            j = endB;
            continue;
        }
        if (a.at(i) != b.at(j))
            return orderOf(a.at(i).unicode(), b.at(j).unicode());
        ++i;
        ++j;
    }
    return orderOf(a.size() - i, b.size() - j);
}

VersionOrder compareVersions(const QString& a, const QString& b)
{
    const QStringList partsA = a.split(QLatin1Char('.'));
    const QStringList partsB = b.split(QLatin1Char('.'));
    const qsizetype count = std::max(partsA.size(), partsB.size());
    for (qsizetype index = 0; index < count; ++index) {
        const qint64 valueA = index < partsA.size() ? componentValue(partsA.at(index)) : 0;
        const qint64 valueB = index < partsB.size() ? componentValue(partsB.at(index)) : 0;
        if (valueA != valueB)
            return orderOf(valueA, valueB);
    }
    return compareWithNumericRuns(a, b);
}
