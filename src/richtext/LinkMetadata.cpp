#include "richtext/LinkMetadata.h"

#include <cmath>

namespace {

QString ratingNumber(double value)
{
    // Whole numbers print without decimals, so a scale of 10 reads "10", not "10.0".
    if (std::abs(value - std::trunc(value)) < 0.001)
        return QString::asprintf("%.0f", value);
    return QString::asprintf("%.1f", value);
}

} // namespace

std::optional<QString> LinkMetadata::ratingText() const
{
    if (!ratingValue)
        return std::nullopt;
    return ratingNumber(*ratingValue) + QLatin1Char('/') + ratingNumber(ratingScale.value_or(10.0));
}
