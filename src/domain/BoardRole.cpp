#include "domain/BoardRole.h"

BoardRole BoardRole::fromText(const QString& text)
{
    const QString upper = text.toUpper();
    if (upper == QLatin1String("OWNER"))
        return owner();
    if (upper == QLatin1String("EDITOR"))
        return editor();
    return custom(text);
}

QString BoardRole::text() const
{
    switch (m_kind) {
    case Kind::owner:
        return QStringLiteral("OWNER");
    case Kind::editor:
        return QStringLiteral("EDITOR");
    case Kind::custom:
        return m_customText;
    }
    return m_customText;
}
