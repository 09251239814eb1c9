// Writes an import plan into the store as local boards, all boards and items in one transaction:
// either everything is written or nothing. Ids are kept, so a second import of the same file
// overwrites the records of the first instead of adding new ones, with two exceptions that protect
// what is already here: a board or item that is the service's (a cloud board in the archive, or an
// id stored under a cloud board) is imported as a local copy under an id derived from the cloud one,
// and an item already stored on another board is imported as a copy instead of being moved. An item
// changed (or deleted) here after the file was made is newer than the file and is left as it is.
// Conflict copies are added (by id) and the archive's sidebar order is appended to the local
// section's for the boards the section does not place yet.
#pragma once

#include "transfer/ImportPlan.h"

#include <QString>
#include <QStringList>

#include <expected>

class LocalStore;
class StoreContext;

struct ImportReport
{
    QStringList boardNames;
    qsizetype items = 0;
    qsizetype conflictCopies = 0;
    qsizetype copiedItems = 0; // stored on another board already, imported as copies
    qsizetype keptNewer = 0; // changed or deleted here after the file was made, left as they are
    QStringList notes;

    // "Imported 2 boards (…) with 120 items." and the notes, one per line.
    QString text() const;
};

std::expected<ImportReport, QString> applyImport(ImportPlan plan, StoreContext& context, LocalStore& preferences);
