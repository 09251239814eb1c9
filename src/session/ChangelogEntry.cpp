#include "session/ChangelogEntry.h"

#include "session/VersionComparison.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

std::expected<QList<ChangelogEntry>, QString> ChangelogEntry::decodeDocument(const QByteArray& body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return std::unexpected(QStringLiteral("The changelog is not valid JSON: %1 at offset %2.")
                                   .arg(parseError.errorString())
                                   .arg(parseError.offset));
    if (!document.isObject())
        return std::unexpected(QStringLiteral("The changelog is not a JSON object."));

    const QJsonObject object = document.object();
    QList<ChangelogEntry> entries;
    entries.reserve(object.size());
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QString notAList
            = QStringLiteral("The changes of \"%1\" are not a list of texts.").arg(it.key());
        if (!it.value().isArray())
            return std::unexpected(notAList);
        ChangelogEntry entry {it.key(), {}};
        for (const QJsonValue& change : it.value().toArray()) {
            if (!change.isString())
                return std::unexpected(notAList);
            entry.changes.append(change.toString());
        }
        entries.append(std::move(entry));
    }
    std::ranges::stable_sort(entries, [](const ChangelogEntry& a, const ChangelogEntry& b) {
        return compareVersions(a.version, b.version) == VersionOrder::descending;
    });
    return entries;
}
