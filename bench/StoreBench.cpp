// Measures applyRemoteItems for 10,000 items (new, then the same items modified) against the
// plain baseline: the same rows inserted with raw SQLite in one transaction.
#include "BenchClock.h"
#include "domain/Ids.h"
#include "domain/IsoDate.h"
#include "store/LocalDataService.h"
#include "store/StoreContext.h"
#include "store/StoreRows.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

namespace {
using namespace BenchClock;

constexpr int itemCount = 10000;
constexpr int runs = 5;

QList<RemoteItem> remoteItems()
{
    const QUuid boardId = QUuid::createUuid();
    const QUuid author = QUuid::createUuid();
    QList<RemoteItem> items;
    items.reserve(itemCount);
    for (int i = 0; i < itemCount; ++i) {
        RemoteItem item;
        item.id = QUuid::createUuid();
        item.content = QStringLiteral("Item %1: a short markdown text with **bold** and a link https://plenko.net").arg(i);
        item.status = i % 3 == 0 ? QStringLiteral("DONE") : QStringLiteral("TODO");
        item.boardId = boardId;
        item.createdAt = QStringLiteral("2024-05-01T10:00:00Z");
        item.createdBy = author;
        item.order = i;
        item.updatedAt = QStringLiteral("2024-05-02T10:00:00Z");
        item.revision = i;
        items.append(item);
    }
    return items;
}

bool exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The rows already in their column form, so the baseline is SQLite's own cost and nothing else.
double rawInsertMs(const QString& fileName, const QList<RemoteItem>& items)
{
    (void)StoreContext::open(fileName); // same schema and indexes
    struct Row
    {
        QByteArray id, content, status, boardId, createdBy;
        qint64 createdAt, updatedAt, order, revision;
    };
    QList<Row> rows;
    rows.reserve(items.size());
    for (const RemoteItem& item : items)
        rows.append(Row { uuidText(item.id).toUtf8(), item.content.toUtf8(), item.status.toUtf8(),
            uuidText(item.boardId).toUtf8(), uuidText(item.createdBy).toUtf8(),
            parseIsoDate(item.createdAt)->toMSecsSinceEpoch(), parseIsoDate(item.updatedAt)->toMSecsSinceEpoch(),
            item.order, item.revision });

    sqlite3* db = nullptr;
    sqlite3_open(fileName.toUtf8().constData(), &db);
    exec(db, "PRAGMA journal_mode=WAL");
    exec(db, "PRAGMA synchronous=FULL");
    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
        "INSERT INTO local_item (id, content, status, boardId, createdBy, createdAt, updatedAt, \"order\", "
        "revision, didSync) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, 1)",
        -1, &insert, nullptr);
    exec(db, "BEGIN");
    for (const Row& row : rows) {
        sqlite3_bind_text(insert, 1, row.id.constData(), int(row.id.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, row.content.constData(), int(row.content.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, row.status.constData(), int(row.status.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, row.boardId.constData(), int(row.boardId.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 5, row.createdBy.constData(), int(row.createdBy.size()), SQLITE_STATIC);
        sqlite3_bind_int64(insert, 6, row.createdAt);
        sqlite3_bind_int64(insert, 7, row.updatedAt);
        sqlite3_bind_int64(insert, 8, row.order);
        sqlite3_bind_int64(insert, 9, row.revision);
        if (sqlite3_step(insert) != SQLITE_DONE)
            qFatal("baseline insert failed: %s", sqlite3_errmsg(db));
        sqlite3_reset(insert);
    }
    exec(db, "COMMIT");
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return ms;
}

struct StoreTimes
{
    double fresh = 0;
    double modified = 0;
    double modifiedAfterReopen = 0;
};

StoreTimes storeMs(const QString& fileName, QList<RemoteItem> items)
{
    StoreTimes times;
    QElapsedTimer timer;
    {
        auto context = StoreContext::open(fileName);
        if (!context)
            qFatal("%s", qPrintable(context.error().message));
        timer.start();
        if (!LocalDataService::applyRemoteItems(items, **context) || (*context)->hasChanges())
            qFatal("apply failed");
        times.fresh = double(timer.nsecsElapsed()) / 1e6;

        for (RemoteItem& item : items) {
            item.content += QStringLiteral(" (edited)");
            item.updatedAt = QStringLiteral("2024-06-02T10:00:00Z");
            item.revision += 1;
        }
        timer.start();
        if (!LocalDataService::applyRemoteItems(items, **context) || (*context)->hasChanges())
            qFatal("apply failed");
        times.modified = double(timer.nsecsElapsed()) / 1e6;
    }
    // The next run of the program: nothing is loaded, so every id is looked up in the file.
    for (RemoteItem& item : items)
        item.revision += 1;
    auto context = StoreContext::open(fileName);
    timer.start();
    if (!LocalDataService::applyRemoteItems(items, **context) || (*context)->hasChanges())
        qFatal("apply failed");
    times.modifiedAfterReopen = double(timer.nsecsElapsed()) / 1e6;
    return times;
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QList<double> baseline, fresh, modified, reopened;
    for (int run = 0; run < runs; ++run) {
        const QList<RemoteItem> items = remoteItems();
        baseline.append(rawInsertMs(dir.filePath(QStringLiteral("raw%1.store").arg(run)), items));
        const StoreTimes times = storeMs(dir.filePath(QStringLiteral("store%1.store").arg(run)), items);
        fresh.append(times.fresh);
        modified.append(times.modified);
        reopened.append(times.modifiedAfterReopen);
    }
    const double base = median(baseline);
    std::printf("%d items, median of %d runs\n", itemCount, runs);
    std::printf("raw SQLite insert, one transaction (baseline): %8.1f ms\n", base);
    std::printf("applyRemoteItems, new items:                  %8.1f ms  (%.2fx baseline)\n", median(fresh),
        median(fresh) / base);
    std::printf("applyRemoteItems, same items modified:        %8.1f ms  (%.2fx baseline)\n", median(modified),
        median(modified) / base);
    std::printf("applyRemoteItems, modified, store reopened:   %8.1f ms  (%.2fx baseline)\n", median(reopened),
        median(reopened) / base);
    return 0;
}
