// Where the Plenko service is. The build names one; the user may choose another (a team's own
// server), and PLENKO_API_URL overrides both for one run. An address is kept in one form: http or
// https, a host, an optional port and path, no trailing slash.
#pragma once

#include <QString>
#include <expected>
#include <optional>

namespace ServiceAddress {
// The build's address.
QString buildDefault();
// PLENKO_API_URL, when it is set and not blank.
std::optional<QString> environmentOverride();
// A typed address in its kept form ("plenko.example.com" becomes "https://plenko.example.com"), or
// why it cannot be used.
std::expected<QString, QString> normalized(const QString& typed);
// The address requests go to: the override, else the chosen one when it is usable, else the build's.
QString effective(const QString& chosen);
}
