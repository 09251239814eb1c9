// What a new password must be: at least ten characters, at most a thousand, not only blanks or one
// character repeated, and not one of the passwords attackers try first (a list shipped with the
// server, compared without case).
#pragma once

#include <QString>
#include <optional>

namespace PasswordPolicy {

inline constexpr int minimumLength = 10;
inline constexpr int maximumLength = 1024;

// Why the password is refused, in words for the sign-up page; empty when it is fine.
std::optional<QString> problem(const QString& password);

}
