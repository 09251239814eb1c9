// Writes an import plan into the store as local boards, all boards and items in one transaction:
// either everything is written or nothing. The window writes it in slices (ImportWriter), turning
// its event loop between them; the transaction commits after the last, and stopping or failing
// before that takes every slice back. Ids are kept, so a second import of the same file
// overwrites the records of the first instead of adding new ones, with two exceptions that protect
// what is already here: a board or item that is the service's (a cloud board in the archive, or an
// id stored under a cloud board) is imported as a local copy under an id derived from the cloud one,
// and an item already stored on another board is imported as a copy instead of being moved. An item
// changed (or deleted) here after the file was made is newer than the file and is left as it is.
// Conflict copies are added (by id) and the archive's sidebar order is appended to the local
// section's for the boards the section does not place yet.
#pragma once

#include "transfer/ImportPlan.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <chrono>
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

class ImportWriter
{
public:
    ImportWriter(ImportPlan plan, StoreContext& context, LocalStore& preferences);
    // An import neither finished nor abandoned is taken back.
    ~ImportWriter();
    ImportWriter(const ImportWriter&) = delete;
    ImportWriter& operator=(const ImportWriter&) = delete;

    qsizetype itemCount() const { return m_itemCount; }
    qsizetype itemsWritten() const { return m_itemsWritten; }
    // Writes slices until `budget` has passed (at least one); true once every item is written.
    // On an error everything written so far is taken back.
    std::expected<bool, QString> writeFor(std::chrono::milliseconds budget);
    // Once every item is written: commits, then adds the conflict copies and the sidebar order.
    std::expected<ImportReport, QString> finish();
    // Takes back everything written so far.
    void abandon();

private:
    std::expected<void, QString> begin();
    std::expected<void, QString> writeSlice();
    std::expected<void, QString> failed(const QString& error);

    ImportPlan m_plan;
    StoreContext& m_context;
    LocalStore& m_preferences;
    QHash<QUuid, QUuid> m_boardIds;
    QList<bool> m_boardIsCopy;
    QHash<QUuid, QUuid> m_itemIdChanges;
    ImportReport m_report;
    qsizetype m_itemCount = 0;
    qsizetype m_itemsWritten = 0;
    qsizetype m_board = 0;
    qsizetype m_item = 0;
    bool m_begun = false;
    bool m_ended = false;
};

// The whole plan at once, for the command line.
std::expected<ImportReport, QString> applyImport(ImportPlan plan, StoreContext& context, LocalStore& preferences);
