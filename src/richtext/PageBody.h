// The part of a fetched page that is parsed: at most 128 KiB, read as UTF-8 or else as Latin-1.
#pragma once

#include <QByteArray>
#include <QString>

namespace PageBody {

inline constexpr qsizetype maxBytes = 128 * 1024;

// `wasCut` says the bytes end where the download was stopped, possibly inside a UTF-8 sequence.
QString decode(const QByteArray& bytes, bool wasCut);

} // namespace PageBody
