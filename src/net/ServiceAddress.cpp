#include "net/ServiceAddress.h"

#include "BundleInfo.h"

#include <QUrl>

namespace ServiceAddress {
QString buildDefault()
{
    return QString::fromUtf8(BundleInfo::apiBaseUrl);
}

std::optional<QString> environmentOverride()
{
    const QString overridden = qEnvironmentVariable("PLENKO_API_URL").trimmed();
    return overridden.isEmpty() ? std::nullopt : std::optional(overridden);
}

std::expected<QString, QString> normalized(const QString& typed)
{
    const QString trimmed = typed.trimmed();
    if (trimmed.isEmpty())
        return std::unexpected(QStringLiteral("Enter the address of the Plenko service."));
    // A bare host name means the usual secure service.
    const QString withScheme
        = trimmed.contains(QLatin1String("://")) ? trimmed : QStringLiteral("https://") + trimmed;
    const QUrl url(withScheme, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return std::unexpected(QStringLiteral("The service address must start with http:// or https://."));
    if (url.host().isEmpty())
        return std::unexpected(QStringLiteral("The service address needs a host name."));
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::unexpected(
            QStringLiteral("The service address cannot hold a user name, a query (?) or a fragment (#)."));
    QString kept = url.adjusted(QUrl::StripTrailingSlash | QUrl::NormalizePathSegments).toString();
    while (kept.endsWith(QLatin1Char('/')))
        kept.chop(1);
    return kept;
}

QString effective(const QString& chosen)
{
    if (const auto overridden = environmentOverride())
        return *overridden;
    if (const auto usable = normalized(chosen); usable && !chosen.trimmed().isEmpty())
        return *usable;
    return buildDefault();
}
}
