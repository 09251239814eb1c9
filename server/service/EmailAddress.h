// The one comparison of e-mail addresses: every lookup, uniqueness check and per-account limit uses
// key(), computed here rather than by the database, so SQLite's NOCASE, PostgreSQL's lower() (which
// follows the server's locale) and Qt's toLower() (which applies special casing) can never disagree
// about which spellings name one account.
#pragma once

#include <QString>

namespace EmailAddress {

// The address as the person typed it, trimmed; 400 INVALID_EMAIL when it is not an address.
QString checked(const QString& email);
// Compatibility-normalised (NFKC) and case-folded with Unicode's locale-independent folding.
QString key(const QString& email);

}
