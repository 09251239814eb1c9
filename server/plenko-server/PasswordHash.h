// Argon2id password hashes in libsodium's self-describing string form, so the cost parameters
// travel with each hash and can be raised later without breaking stored ones.
#pragma once

#include <QString>
#include <optional>

namespace PasswordHash {
// Initialises libsodium; false when it cannot run on this machine.
bool initialise();
// The hash, or nothing when the machine cannot spare the memory.
std::optional<QString> hash(const QString& password);
bool verify(const QString& hash, const QString& password);
}
