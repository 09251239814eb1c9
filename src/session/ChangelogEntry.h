// One released version in the changelog, and the document that lists them: a JSON object whose keys
// are version texts and whose values are the changes of that version, one text per bullet point.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <expected>

struct ChangelogEntry
{
    QString version;
    QStringList changes; // in document order

    friend bool operator==(const ChangelogEntry&, const ChangelogEntry&) = default;

    // Every key becomes an entry, newest version first. One value that is not an array of texts
    // spoils the whole document; the error says which.
    static std::expected<QList<ChangelogEntry>, QString> decodeDocument(const QByteArray& body);
};
