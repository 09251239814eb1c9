// The store alone as it grows: 1,000 to 1,000,000 items over 50 boards (a fifth of them on the
// first), each size in a new file. Written as syncs write them, in transactions of 10,000 items
// (`applyRemoteItems`), against the plain baseline of the same rows inserted with raw SQLite in
// transactions of the same size; then, on the store reopened, what the application asks of it:
// opening, the per-board tallies of the start, the first board's items, a sync's lookup of 1,000
// ids, and one edit saved. The read of the first board has its own baseline: the same rows stepped
// through with raw SQLite, each column fetched as SQLite holds it.
//   bench_store_size [ITEMS...]   (default: 1000 10000 100000 1000000)
#include "BenchBoards.h"
#include "BenchClock.h"

#include "domain/Ids.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/SavedBoardItems.h"
#include "store/StoreContext.h"
#include "store/StoreRows.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

namespace {
using namespace BenchClock;

constexpr int boardCount = 50;
constexpr int chunkSize = 10000;
constexpr int lookedUpIds = 1000;
// The workspace's first page: so many live and so many archived items of each column.
constexpr int firstPageItems = 100;
constexpr int edits = 21;

// Board and index of every item, in the order they are written: the first board's fifth, then the
// rest spread over the other boards.
struct Layout
{
    QList<QUuid> boards;
    int items = 0;

    QUuid boardOf(int index) const
    {
        const int first = items / 5;
        return index < first ? boards.first() : boards.at(1 + (index - first) % (boardCount - 1));
    }
};

QList<RemoteItem> chunk(const Layout& layout, int from)
{
    QList<RemoteItem> items;
    const int to = std::min(layout.items, from + chunkSize);
    items.reserve(to - from);
    for (int i = from; i < to; ++i)
        items.append(BenchBoards::remoteItem(layout.boardOf(i), i));
    return items;
}

bool exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The same rows with raw SQLite: same schema, indexes and triggers (the file is made by the store),
// transactions of the same size; only the inserting is timed.
double rawWriteMs(const QString& fileName, const Layout& layout)
{
    (void)StoreContext::open(fileName);
    sqlite3* db = nullptr;
    sqlite3_open(fileName.toUtf8().constData(), &db);
    exec(db, "PRAGMA journal_mode=WAL");
    exec(db, "PRAGMA synchronous=FULL");
    exec(db, "PRAGMA cache_size=-65536");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
        "INSERT INTO local_item (id, content, status, boardId, createdBy, assignee, author, createdAt, \"order\", "
        "updatedAt, deletedAt, archivedAt, revision, didSync) VALUES (?1, ?2, ?3, ?4, ?5, ?6, NULL, ?7, ?8, ?9, NULL, "
        "?10, ?11, 1)",
        -1, &insert, nullptr);
    double total = 0;
    for (int from = 0; from < layout.items; from += chunkSize) {
        struct Row
        {
            QByteArray id, content, status, boardId, createdBy, assignee;
            qint64 createdAt, order, updatedAt, archivedAt, revision;
        };
        QList<Row> rows;
        for (int i = from; i < std::min(layout.items, from + chunkSize); ++i) {
            const Item item = BenchBoards::item(layout.boardOf(i), i);
            rows.append(Row {uuidText(item.id).toLatin1(), item.content.toUtf8(), itemStatusText(item.status).toLatin1(),
                uuidText(item.boardId).toLatin1(), uuidText(item.createdBy).toLatin1(),
                item.assignee ? uuidText(*item.assignee).toLatin1() : QByteArray(), item.createdAt.toMSecsSinceEpoch(),
                item.order, item.updatedAt.toMSecsSinceEpoch(),
                item.archivedAt ? item.archivedAt->toMSecsSinceEpoch() : -1, item.revision});
        }
        QElapsedTimer timer;
        timer.start();
        exec(db, "BEGIN");
        for (const Row& row : std::as_const(rows)) {
            sqlite3_bind_text(insert, 1, row.id.constData(), int(row.id.size()), SQLITE_STATIC);
            sqlite3_bind_text(insert, 2, row.content.constData(), int(row.content.size()), SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, row.status.constData(), int(row.status.size()), SQLITE_STATIC);
            sqlite3_bind_text(insert, 4, row.boardId.constData(), int(row.boardId.size()), SQLITE_STATIC);
            sqlite3_bind_text(insert, 5, row.createdBy.constData(), int(row.createdBy.size()), SQLITE_STATIC);
            if (row.assignee.isEmpty())
                sqlite3_bind_null(insert, 6);
            else
                sqlite3_bind_text(insert, 6, row.assignee.constData(), int(row.assignee.size()), SQLITE_STATIC);
            sqlite3_bind_int64(insert, 7, row.createdAt);
            sqlite3_bind_int64(insert, 8, row.order);
            sqlite3_bind_int64(insert, 9, row.updatedAt);
            if (row.archivedAt < 0)
                sqlite3_bind_null(insert, 10);
            else
                sqlite3_bind_int64(insert, 10, row.archivedAt);
            sqlite3_bind_int64(insert, 11, row.revision);
            if (sqlite3_step(insert) != SQLITE_DONE)
                qFatal("baseline insert failed: %s", sqlite3_errmsg(db));
            sqlite3_reset(insert);
        }
        exec(db, "COMMIT");
        total += msSince(timer);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return total;
}

// The first board's rows stepped through with raw SQLite, every column fetched.
double rawReadMs(const QString& fileName, const QUuid& boardId, qsizetype expected)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(fileName.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray sql = QByteArray("SELECT ") + StoreRows::itemColumns + " FROM local_item WHERE boardId = ?1";
    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &select, nullptr);
    const QByteArray board = uuidText(boardId).toLatin1();
    sqlite3_bind_text(select, 1, board.constData(), int(board.size()), SQLITE_STATIC);
    qsizetype rows = 0;
    qint64 bytes = 0;
    while (sqlite3_step(select) == SQLITE_ROW) {
        ++rows;
        for (int column = 0; column < sqlite3_column_count(select); ++column) {
            if (sqlite3_column_type(select, column) == SQLITE_TEXT)
                bytes += qint64(sqlite3_column_bytes(select, column)) + (sqlite3_column_text(select, column) ? 0 : 1);
            else
                bytes += sqlite3_column_int64(select, column) & 1;
        }
    }
    const double ms = msSince(timer);
    sqlite3_finalize(select);
    sqlite3_close(db);
    if (rows != expected || bytes == 0)
        qFatal("baseline read %lld rows, %lld expected", qlonglong(rows), qlonglong(expected));
    return ms;
}

struct Figures
{
    int items = 0;
    double rawWrite = 0, write = 0, firstChunk = 0, lastChunk = 0;
    double open = 0, tallies = 0, rawRead = 0, read = 0, firstPage = 0, apart = 0, lookup = 0, edit = 0;
    double fileMb = 0;
};

std::unique_ptr<StoreContext> openStore(const QString& fileName)
{
    auto store = StoreContext::open(fileName);
    if (!store)
        qFatal("store: %s", qPrintable(store.error().message));
    return std::move(*store);
}

Figures measure(const QString& folder, int items)
{
    Figures figures;
    figures.items = items;
    Layout layout;
    layout.items = items;
    for (int b = 0; b < boardCount; ++b)
        layout.boards.append(BenchBoards::localBoard(b).id);

    figures.rawWrite = rawWriteMs(folder + QStringLiteral("/raw%1.store").arg(items), layout);

    const QString fileName = folder + QStringLiteral("/store%1.store").arg(items);
    {
        auto store = openStore(fileName);
        for (int b = 0; b < boardCount; ++b) {
            Board board = BenchBoards::localBoard(b);
            board.id = layout.boards.at(b);
            store->insert(makeLocalBoard(board));
        }
        if (!store->save())
            qFatal("boards not stored");
    }
    QList<QUuid> sampleIds;
    for (int from = 0; from < items; from += chunkSize) {
        const QList<RemoteItem> remote = chunk(layout, from);
        for (int i = 0; i < remote.size() && sampleIds.size() < lookedUpIds * 4; i += std::max(1, items / (lookedUpIds * 4)))
            sampleIds.append(remote.at(i).id);
        // A context per transaction, as a sync's step writes onto what it looked up, not onto every
        // item read before.
        auto store = openStore(fileName);
        QElapsedTimer timer;
        timer.start();
        if (!LocalDataService::applyRemoteItems(remote, *store) || store->hasChanges())
            qFatal("apply failed");
        const double ms = msSince(timer);
        figures.write += ms;
        if (from == 0)
            figures.firstChunk = ms;
        figures.lastChunk = ms;
    }
    figures.fileMb = double(QFile(fileName).size() + QFile(fileName + QStringLiteral("-wal")).size()) / 1048576.0;

    QElapsedTimer timer;
    timer.start();
    auto store = openStore(fileName);
    figures.open = msSince(timer);

    timer.start();
    const auto tallies = store->fetchItemTallies();
    figures.tallies = msSince(timer);
    if (!tallies || tallies->value(layout.boards.first()).total != items / 5)
        qFatal("tallies wrong");

    figures.rawRead = rawReadMs(fileName, layout.boards.first(), items / 5);
    timer.start();
    const auto firstBoard = LocalDataService::fetchLocalItems(layout.boards.first(), 0, *store);
    figures.read = msSince(timer);
    if (!firstBoard || firstBoard->size() != items / 5)
        qFatal("first board read wrong");

    // What a large board's first paint reads (a new context, so nothing is known yet), and the
    // read of the whole board on a connection of its own that follows it on a worker thread.
    store = openStore(fileName);
    timer.start();
    const auto page = store->fetchFirstPage(layout.boards.first(), firstPageItems);
    figures.firstPage = msSince(timer);
    if (!page || page->items.isEmpty())
        qFatal("first page read wrong");
    timer.start();
    const auto apart = readSavedBoardItems(fileName, layout.boards.first());
    figures.apart = msSince(timer);
    if (!apart || apart->size() != items / 5)
        qFatal("board read apart wrong");

    // A new context, so the ids are looked up in the file and not in the one that just read them.
    store = openStore(fileName);
    QList<QUuid> ids;
    auto* random = QRandomGenerator::global();
    for (int i = 0; i < lookedUpIds; ++i)
        ids.append(sampleIds.at(random->bounded(int(sampleIds.size()))));
    timer.start();
    const auto found = store->fetchItemsWithIds(ids);
    figures.lookup = msSince(timer);
    if (!found || found->isEmpty())
        qFatal("lookup found nothing");

    QList<double> editTimes;
    for (int e = 0; e < edits; ++e) {
        const auto record = LocalDataService::fetchLocalItem(sampleIds.at(random->bounded(int(sampleIds.size()))), *store);
        if (!record)
            qFatal("edited item not found");
        Item item = toItem(*record);
        item.content += QStringLiteral(" (edited)");
        timer.start();
        if (!LocalDataService::updateLocalItem(item, *store))
            qFatal("edit not saved");
        editTimes.append(msSince(timer));
    }
    figures.edit = median(editTimes);
    QFile::remove(folder + QStringLiteral("/raw%1.store").arg(items));
    return figures;
}
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QList<int> sizes;
    for (const QString& argument : QCoreApplication::arguments().mid(1))
        sizes.append(argument.toInt());
    if (sizes.isEmpty())
        sizes = {1000, 10000, 100000, 1000000};
    if (std::any_of(sizes.cbegin(), sizes.cend(), [](int size) { return size < boardCount * 5; })) {
        std::fprintf(stderr, "usage: bench_store_size [ITEMS...] (each at least %d)\n", boardCount * 5);
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    QList<Figures> all;
    for (int size : std::as_const(sizes)) {
        all.append(measure(dir.path(), size));
        const Figures& f = all.last();
        const Figures& previous = all.size() > 1 ? all.at(all.size() - 2) : f;
        const double grown = double(f.items) / previous.items;
        std::printf("%d items, %.1f MB on disk\n", f.items, f.fileMb);
        std::printf("  write, transactions of %d:  raw %9.1f ms  store %9.1f ms  %.2fx raw  (%.2f us/item; first "
                    "transaction %.1f ms, last %.1f ms)  growth %.2fx for %.0fx the items\n",
            chunkSize, f.rawWrite, f.write, f.write / f.rawWrite, f.write * 1000 / f.items, f.firstChunk, f.lastChunk,
            f.write / previous.write, grown);
        std::printf("  open the store:                %9.2f ms  growth %.2fx\n", f.open, f.open / previous.open);
        std::printf("  per-board tallies:             %9.2f ms  growth %.2fx\n", f.tallies, f.tallies / previous.tallies);
        std::printf("  first board's %d items:  raw %9.1f ms  store %9.1f ms  %.2fx raw  growth %.2fx\n", f.items / 5,
            f.rawRead, f.read, f.read / f.rawRead, f.read / previous.read);
        std::printf("  first page, %d per section:   %9.2f ms  growth %.2fx\n", firstPageItems, f.firstPage,
            f.firstPage / previous.firstPage);
        std::printf("  the board read apart:    raw %9.1f ms  store %9.1f ms  %.2fx raw  growth %.2fx\n", f.rawRead,
            f.apart, f.apart / f.rawRead, f.apart / previous.apart);
        std::printf("  look up %d ids:             %9.2f ms  growth %.2fx\n", lookedUpIds, f.lookup, f.lookup / previous.lookup);
        std::printf("  one edit saved (median of %d): %9.2f ms  growth %.2fx\n", edits, f.edit, f.edit / previous.edit);
        std::fflush(stdout);
    }
    return 0;
}
