#include "domain/OverallBoardProgress.h"

#include <cmath>

QString percentText(qint64 total, qint64 count)
{
    const double percent
        = total < 1 ? 0.0 : std::round(static_cast<double>(count) / static_cast<double>(total) * 100.0);
    return QString::number(static_cast<qint64>(percent)) + QLatin1Char('%');
}
