#include "store/AppAppearance.h"

QString appAppearanceText(AppAppearance appearance)
{
    return appearance == AppAppearance::light ? QStringLiteral("light") : QStringLiteral("dark");
}

std::optional<AppAppearance> appAppearanceFromText(const QString& text)
{
    if (text == QLatin1String("dark"))
        return AppAppearance::dark;
    if (text == QLatin1String("light"))
        return AppAppearance::light;
    return std::nullopt;
}
