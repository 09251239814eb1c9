#include "sidebar/TransferUuid.h"

std::optional<QUuid> transferUuidFromText(const QString& text)
{
    // QUuid::fromString reads the first 36 characters and ignores anything after them.
    constexpr qsizetype hyphenatedLength = 36;
    if (text.size() != hyphenatedLength)
        return std::nullopt;
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text != QLatin1String("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return id;
}
