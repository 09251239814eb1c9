#include "session/ServiceAddressChoice.h"

#include "domain/Log.h"
#include "net/NetworkService.h"
#include "net/ServiceAddress.h"
#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"

namespace ServiceAddressChoice {
void applyStored(NetworkService& api, LocalStore& preferences)
{
    const QString stored = preferences.get(PreferenceKeys::serviceAddress());
    if (!stored.isEmpty() && !ServiceAddress::normalized(stored)) {
        logLine(QStringLiteral("The stored service address is not usable; the default applies."));
        preferences.remove(PreferenceKeys::serviceAddress().name);
    }
    api.setBaseUrl(ServiceAddress::effective(preferences.get(PreferenceKeys::serviceAddress())));
}

bool isOverridden()
{
    return ServiceAddress::environmentOverride().has_value();
}

std::expected<QString, QString> choose(const QString& typed, NetworkService& api, LocalStore& preferences)
{
    if (isOverridden())
        return std::unexpected(QStringLiteral("The service address is set by PLENKO_API_URL for this run."));
    const auto address = ServiceAddress::normalized(typed);
    if (!address)
        return address;
    if (*address == ServiceAddress::buildDefault())
        preferences.remove(PreferenceKeys::serviceAddress().name);
    else
        preferences.set(*address, PreferenceKeys::serviceAddress());
    api.setBaseUrl(*address);
    return address;
}
}
