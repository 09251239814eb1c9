#include "transfer/ImportIds.h"

#include "domain/Ids.h"

namespace {
// Fixed, so the ids derived from the same file are the same on every computer and every run.
const QUuid importNamespace = QUuid::fromString(QStringLiteral("{5B0C6E1A-3A0E-4C55-9F0B-6E2D3C1B7A44}"));
}

QUuid importedId(const QUuid& scope, const QString& key)
{
    return QUuid::createUuidV5(importNamespace, uuidText(scope) + QLatin1Char('/') + key);
}

QUuid localCopyId(const QUuid& cloudId)
{
    return QUuid::createUuidV5(importNamespace, QStringLiteral("local-copy/") + uuidText(cloudId));
}
