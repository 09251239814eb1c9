// Ids for imported records that a file does not give, or that must not be taken over as they are.
// Every id is derived from what the file says (a name-based UUID), so importing the same file again
// finds the records of the first import instead of making new ones.
#pragma once

#include <QString>
#include <QUuid>

// An id for a record the file names by `key` (a Trello id, a CSV row), within `scope`.
QUuid importedId(const QUuid& scope, const QString& key);

// The id of the local copy of a cloud board or item: a cloud id stays the service's, and a local
// record under it would be taken over by the next sync.
QUuid localCopyId(const QUuid& cloudId);
