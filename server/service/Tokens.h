// Random secrets: bearer tokens, one-time login tokens and invitation codes.
#pragma once

#include <QString>

namespace Tokens {
QString random(const QString& prefix);
// Eight characters without look-alikes (no 0/O, 1/I), easy to read out and type.
QString invitationCode();
QString newUuid();
}
