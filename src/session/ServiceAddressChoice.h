// The user's choice of service address: read at start, changed at sign-in, shown in the account
// window. The choice is a preference; the transport's address follows it.
#pragma once

#include <QString>
#include <expected>

class LocalStore;
class NetworkService;

namespace ServiceAddressChoice {
// Points the transport at the stored choice (or the override, or the build's address). A stored
// address that is no longer usable is dropped, so a damaged preference never stops the app.
void applyStored(NetworkService& api, LocalStore& preferences);

// True while PLENKO_API_URL decides the address, so the choice cannot change it.
bool isOverridden();

// Keeps a typed address and sends the next requests there; the build's own address is kept as no
// choice at all, so a later build's default applies. Refused with the reason when it is unusable.
std::expected<QString, QString> choose(const QString& typed, NetworkService& api, LocalStore& preferences);
}
