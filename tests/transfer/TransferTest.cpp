// Import and export with real files and real store files: the archive gives back every board, item,
// sidebar entry and conflict copy exactly (a large one too) and a second import duplicates nothing;
// a Trello export and a spreadsheet's CSV become the items they should; a damaged file of any kind
// is refused with its line or field and leaves the store as it was; the command line does both.
#include "domain/Ids.h"
#include "sidebar/SidebarLayout.h"
#include "store/ConflictCopyStore.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/LocalStore.h"
#include "store/SqliteDatabase.h"
#include "store/StoreContext.h"
#include "transfer/ArchiveCollector.h"
#include "transfer/ArchiveReader.h"
#include "transfer/ArchiveWriter.h"
#include "transfer/CommandLineTransfer.h"
#include "transfer/CsvReader.h"
#include "transfer/ImportApplier.h"
#include "transfer/ImportIds.h"
#include "transfer/JsonFieldReader.h"
#include "transfer/TransferFiles.h"
#include "transfer/TrelloImport.h"
#include "workspace/ItemMerge.h"

#include <QElapsedTimer>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(ItemStatus)

namespace {

QDateTime at(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

const QDateTime exportedAt = at(1717000000000);

QString dataFile(const QString& name)
{
    return qEnvironmentVariable("PLENKO_TEST_DATA") + QStringLiteral("/transfer/") + name;
}

Item makeItem(const QUuid& boardId, const QString& content, ItemStatus status, qint64 order)
{
    Item item;
    item.id = QUuid::createUuid();
    item.boardId = boardId;
    item.content = content;
    item.status = status;
    item.order = order;
    item.createdBy = QUuid::createUuid();
    item.createdAt = at(1714567800123 + order);
    item.updatedAt = at(1714567900456 + order);
    return item;
}

Board makeBoard(const QString& name, bool cloud)
{
    Board board;
    board.id = QUuid::createUuid();
    board.name = name;
    board.createdAt = at(1714000000001);
    board.updatedAt = at(1714000000002);
    board.syncWithServer = cloud;
    board.createdBy = cloud ? QStringLiteral("owner@example.com") : QStringLiteral("n/a");
    board.revision = cloud ? 42 : 0;
    return board;
}

// One store file with its preferences, as a user's computer has them.
class Place
{
public:
    explicit Place(const QString& folder)
        : m_file(folder + QStringLiteral("/default.store"))
        , m_preferences(folder + QStringLiteral("/preferences.ini"))
        , m_lock(folder + QStringLiteral("/instance.lock"))
    {
        m_context = open();
    }

    std::unique_ptr<StoreContext> open() const
    {
        auto context = StoreContext::open(m_file);
        if (!context)
            qFatal("%s", qPrintable(context.error().message));
        return std::move(*context);
    }
    StoreContext& context() { return *m_context; }
    LocalStore& preferences() { return m_preferences; }
    const QString& lockFile() const { return m_lock; }

    void store(const Board& board)
    {
        m_context->insert(makeLocalBoard(board));
        for (const Item& item : board.items)
            m_context->insert(makeLocalItem(item));
        QVERIFY(m_context->save().has_value());
    }

    // What a later run finds in the file, read through a fresh connection.
    BoardArchive contents()
    {
        m_context = open();
        auto archive = collectArchive(*m_context, m_preferences, {});
        if (!archive)
            qFatal("%s", qPrintable(archive.error()));
        return *archive;
    }

    int run(const QStringList& arguments, QString* output = nullptr)
    {
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        const CommandLineTransfer::Places places {[this] {
                                                      return std::expected<std::unique_ptr<StoreContext>, StoreError>(open());
                                                  },
            m_preferences, m_lock};
        const int code = CommandLineTransfer::run(arguments, places, outStream, errStream);
        if (output)
            *output = code == 0 ? out : err;
        return code;
    }

private:
    QString m_file;
    LocalStore m_preferences;
    QString m_lock;
    std::unique_ptr<StoreContext> m_context;
};

BoardArchive readBack(const QByteArray& bytes)
{
    const auto root = readJsonObject(bytes);
    if (!root)
        qFatal("%s", qPrintable(root.error().message));
    auto archive = readArchive(*root);
    if (!archive)
        qFatal("%s", qPrintable(archive.error().message));
    return *archive;
}

const Board* boardNamed(const BoardArchive& archive, const QString& name)
{
    for (const Board& board : archive.boards) {
        if (board.name == name)
            return &board;
    }
    return nullptr;
}

const Item* itemStarting(const Board& board, const QString& start)
{
    for (const Item& item : board.items) {
        if (item.content.startsWith(start))
            return &item;
    }
    return nullptr;
}

}

class TransferTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_places = 0;

    std::unique_ptr<Place> newPlace()
    {
        const QString folder = m_dir.filePath(QString::number(++m_places));
        QDir().mkpath(folder);
        return std::make_unique<Place>(folder);
    }

    struct Seeded
    {
        std::unique_ptr<Place> place;
        Board home;
        Board cloud;
    };

    // A new place with two local boards (one archived) and a cloud board, with items of every kind,
    // both sidebar sections with a divider, and a conflict copy.
    Seeded seeded()
    {
        Seeded result { newPlace(), {}, {} };
        Place& place = *result.place;
        Board& home = result.home;
        Board& cloud = result.cloud;
        home = makeBoard(QStringLiteral("Home"), false);
        home.info = QStringLiteral("Chores, שבוע and 🌱");
        Item watered = makeItem(home.id, QStringLiteral("Water the plants 🌱\n- twice"), ItemStatus::todo, 1);
        watered.assignee = QUuid::createUuid();
        watered.author = QStringLiteral("Ann");
        watered.revision = 3;
        watered.didSync = true;
        // Every character the archive's text must escape.
        Item archived = makeItem(home.id, QStringLiteral("Fix the \"gate\" \\ C:\\tools\t\u0001 \r\n"),
            ItemStatus::done, 2);
        archived.archivedAt = at(1715000000789);
        Item tombstone = makeItem(home.id, QStringLiteral("Gone"), ItemStatus::inProgress, 3);
        tombstone.deletedAt = at(1715000000999);
        home.items = {watered, archived, tombstone};
        Board old = makeBoard(QStringLiteral("Old"), false);
        old.isActive = false;
        old.items = {makeItem(old.id, QStringLiteral("Old note"), ItemStatus::todo, 1)};
        cloud = makeBoard(QStringLiteral("Team"), true);
        cloud.items = {makeItem(cloud.id, QStringLiteral("Shared plan"), ItemStatus::inProgress, 1)};
        for (const Board& board : {home, old, cloud})
            place.store(board);
        place.preferences().set(QList<SidebarEntryStorage> {SidebarEntryStorage::board(home.id),
                                    SidebarEntryStorage::divider({QUuid::createUuid(), SidebarDividerColor::blue}),
                                    SidebarEntryStorage::board(old.id)},
            sidebarLayoutKey(QStringLiteral("local")));
        place.preferences().set(
            QList<SidebarEntryStorage> {SidebarEntryStorage::board(cloud.id)}, sidebarLayoutKey(QStringLiteral("remote")));
        ConflictCopy copy = ConflictCopy::of(watered, ConflictReason::refused, home.name);
        copy.savedAt = at(1716000000321);
        if (!ConflictCopyStore::insert(copy, place.context()))
            qFatal("the conflict copy was not stored");
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }

    // A backup written and restored on another computer gives back the local boards byte for byte;
    // the cloud board comes back as a local copy beside it; a second restore changes nothing.
    void archiveRestoresEverything()
    {
        auto [from, home, cloud] = seeded();
        const QString file = m_dir.filePath(QStringLiteral("backup.json"));
        QString output;
        QCOMPARE(from->run({QStringLiteral("--export"), file}, &output), 0);
        QVERIFY2(output.contains(QStringLiteral("3 board(s) with 5 item(s)")), qPrintable(output));

        auto to = newPlace();
        QCOMPARE(to->run({QStringLiteral("--import"), file}, &output), 0);
        QVERIFY2(output.contains(QStringLiteral("Imported 3 board(s)")), qPrintable(output));
        const BoardArchive first = to->contents();
        QCOMPARE(to->run({QStringLiteral("--import"), file}, &output), 0);
        const BoardArchive restored = to->contents();
        QCOMPARE(writeArchive(restored, exportedAt), writeArchive(first, exportedAt));

        const BoardArchive original = from->contents();
        QCOMPARE(restored.boards.size(), 3);
        QCOMPARE(restored.conflictCopies.size(), 1);
        QCOMPARE(restored.conflictCopies.first().id, original.conflictCopies.first().id);
        for (const QString& name : {QStringLiteral("Home"), QStringLiteral("Old")}) {
            const Board* was = boardNamed(original, name);
            const Board* is = boardNamed(restored, name);
            QVERIFY(was && is);
            QCOMPARE(writeArchive({{*is}, {}, {}, {}}, exportedAt), writeArchive({{*was}, {}, {}, {}}, exportedAt));
        }
        const Board* team = boardNamed(restored, QStringLiteral("Team"));
        QVERIFY(team);
        QCOMPARE(team->id, localCopyId(cloud.id));
        QVERIFY(!team->syncWithServer);
        QCOMPARE(team->items.size(), 1);
        QCOMPARE(team->items.first().id, localCopyId(cloud.items.first().id));
        QCOMPARE(team->items.first().content, cloud.items.first().content);

        const QList<SidebarEntryStorage> layout = to->preferences().get(sidebarLayoutKey(QStringLiteral("local")));
        QCOMPARE(layout.size(), 4);
        QCOMPARE(*layout.at(0).boardId(), home.id);
        QCOMPARE(layout.at(1).dividerValue()->color, SidebarDividerColor::blue);
        QCOMPARE(*layout.at(3).boardId(), team->id);
    }

    // Restoring over boards that changed since keeps what changed: an item moved to another board
    // stays there and comes back as a copy, never moved back; an item edited since keeps the edit.
    void restoreNeverMovesStoredItems()
    {
        auto [place, home, cloud] = seeded();
        const QString file = m_dir.filePath(QStringLiteral("before-move.json"));
        QCOMPARE(place->run({QStringLiteral("--export"), file, QStringLiteral("--board"), QStringLiteral("Home")}), 0);

        Board other = makeBoard(QStringLiteral("Other"), false);
        place->store(other);
        Item moved = home.items.first();
        moved.boardId = other.id;
        QVERIFY(LocalDataService::updateLocalItem(moved, place->context()).has_value());
        Item edited = home.items.at(1);
        edited.content = QStringLiteral("Fixed the gate, and the fence");
        edited.updatedAt = at(1720000000000);
        QVERIFY(LocalDataService::updateLocalItem(edited, place->context()).has_value());
        QString output;
        QCOMPARE(place->run({QStringLiteral("--import"), file}, &output), 0);
        QVERIFY2(output.contains(QStringLiteral("1 item(s) already on another board")), qPrintable(output));
        QVERIFY2(output.contains(QStringLiteral("1 item(s) changed here since")), qPrintable(output));
        const BoardArchive now = place->contents();
        QCOMPARE(boardNamed(now, QStringLiteral("Other"))->items.size(), 1);
        const Board* restored = boardNamed(now, QStringLiteral("Home"));
        QCOMPARE(restored->items.size(), 3);
        QVERIFY(itemStarting(*restored, QStringLiteral("Fixed the gate, and the fence")));
    }

    // The fixture is a Trello export as Trello writes it: lists named after statuses and one that is
    // not (closed, asked about), a closed card, a checklist, labels, members, a long description,
    // emoji and right-to-left text.
    void trelloBoard_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<ItemStatus>("status");
        QTest::addColumn<bool>("archived");
        QTest::addColumn<QStringList>("contains");

        QTest::newRow("labels, members, checklist") << "Write the press release" << ItemStatus::todo << false
            << QStringList {"Draft first, then ask Dana.", "Labels: Easy", "Members: Dana Example",
                   "Steps:\n- [x] Outline\n- [ ] Quotes\n- [ ] Final read"};
        QTest::newRow("long description cut") << "Migrate reporting" << ItemStatus::inProgress << false
            << QStringList {"We need a migration plan"};
        QTest::newRow("closed card, emoji") << "Pick a venue 🎉" << ItemStatus::done << true << QStringList {};
        QTest::newRow("right to left") << "ترجمة الموقع" << ItemStatus::done << false
            << QStringList {"מסמך ההשקה בעברית", "Members: noor"};
        QTest::newRow("closed list, chosen status") << "Someday: a podcast" << ItemStatus::inProgress << true
            << QStringList {};
    }

    void trelloBoard()
    {
        QFETCH(QString, start);
        QFETCH(ItemStatus, status);
        QFETCH(bool, archived);
        QFETCH(QStringList, contains);

        const auto bytes = readWholeFile(dataFile(QStringLiteral("trello-board.json")));
        QVERIFY(bytes.has_value());
        auto file = readImportFile(*bytes, QStringLiteral("board.json"), exportedAt);
        QVERIFY2(file.has_value(), file ? "" : qPrintable(file.error().message));
        QVERIFY(file->trello.has_value());
        const QList<TrelloList> asked = listsNeedingStatus(*file->trello);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().name, QStringLiteral("Ideas"));
        const ImportPlan plan = planTrelloImport(*file->trello, {{asked.first().id, ItemStatus::inProgress}}, exportedAt);

        const Board& board = plan.archive.boards.first();
        QCOMPARE(board.name, QStringLiteral("Launch 🚀"));
        QCOMPARE(board.items.size(), 5);
        const Item* item = itemStarting(board, start);
        QVERIFY(item);
        QCOMPARE(item->status, status);
        QCOMPARE(item->archivedAt.has_value(), archived);
        for (const QString& part : contains)
            QVERIFY2(item->content.contains(part), qPrintable(item->content));
        QVERIFY(itemTextPrefix(item->content, maxItemCharacters) == item->content);
        QCOMPARE(plan.shortenedItems, QStringList {QStringLiteral("Migrate reporting")});
        QCOMPARE(plan.extrasLeftOut, 1); // the long card's label no longer fits
        QVERIFY(plan.notes().join(QLatin1Char('\n')).contains(QStringLiteral("\"Migrate reporting\"")));
    }

    // Saved by a spreadsheet program: byte-order mark, CRLF, quoted commas, line breaks and quotes.
    void spreadsheetCsv()
    {
        const auto bytes = readWholeFile(dataFile(QStringLiteral("spreadsheet.csv")));
        QVERIFY(bytes.has_value());
        auto plan = readCsvImport(*bytes, QStringLiteral("Groceries"), exportedAt);
        QVERIFY2(plan.has_value(), plan ? "" : qPrintable(plan.error().message));
        QCOMPARE(plan->archive.boards.size(), 1);
        const Board& board = plan->archive.boards.first();
        QCOMPARE(board.name, QStringLiteral("Groceries"));
        QStringList contents;
        for (const Item& item : board.items)
            contents << item.content;
        QCOMPARE(contents, (QStringList {QStringLiteral("Plain item"), QStringLiteral("Buy milk, eggs, bread"),
                               QStringLiteral("Two lines:\r\nfirst\r\nsecond"), QStringLiteral("She said \"hi\""),
                               QStringLiteral("=SUM(A1:A3)")}));
        QCOMPARE(board.items.at(1).status, ItemStatus::inProgress);
        QCOMPARE(board.items.at(2).status, ItemStatus::done);
        QCOMPARE(board.items.at(3).assignee, QUuid::fromString(QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301")));
        QVERIFY(board.items.at(3).archivedAt.has_value());
        QVERIFY(!board.items.at(1).archivedAt.has_value());
        QCOMPARE(board.items.at(4).status, ItemStatus::todo);
    }

    // Our own CSV reads back into the same items, text a spreadsheet would run as a formula included;
    // the Markdown lists them under their statuses.
    void csvAndMarkdownExports()
    {
        Board board = makeBoard(QStringLiteral("Mixed"), false);
        const QStringList texts {QStringLiteral("=1+1"), QStringLiteral("'=quoted"), QStringLiteral("- a list"),
            QStringLiteral("comma, \"quote\"\nand a line"), QStringLiteral("@home")};
        for (qsizetype i = 0; i < texts.size(); ++i)
            board.items.append(makeItem(board.id, texts.at(i), allItemStatuses.at(size_t(i % 3)), i + 1));
        board.items.last().archivedAt = at(1716000000000);
        Item deleted = makeItem(board.id, QStringLiteral("tombstone"), ItemStatus::todo, 9);
        deleted.deletedAt = at(1716000000000);
        board.items.append(deleted);
        const BoardArchive archive {{board}, {}, {}, {}};

        const QByteArray csv = encodeExport(archive, ExportFormat::csv, exportedAt);
        QVERIFY(csv.contains("'=1+1"));
        auto plan = readCsvImport(csv, QStringLiteral("ignored"), exportedAt);
        QVERIFY2(plan.has_value(), plan ? "" : qPrintable(plan.error().message));
        const Board& back = plan->archive.boards.first();
        QCOMPARE(back.name, board.name);
        QCOMPARE(back.items.size(), texts.size());
        for (const Item& is : back.items) {
            const auto match = std::find_if(
                board.items.cbegin(), board.items.cend(), [&is](const Item& item) { return item.id == is.id; });
            QVERIFY(match != board.items.cend());
            const Item& was = *match;
            QCOMPARE(is.content, was.content);
            QCOMPARE(is.status, was.status);
            QCOMPARE(is.order, was.order);
            QCOMPARE(is.createdAt, was.createdAt);
            QCOMPARE(is.archivedAt, was.archivedAt);
        }

        const QString markdown = QString::fromUtf8(encodeExport(archive, ExportFormat::markdown, exportedAt));
        QVERIFY2(markdown.startsWith(QStringLiteral("# Mixed\n\n## Todo\n\n- [ ] =1+1\n- [ ] comma, \"quote\"\n  and a line\n")),
            qPrintable(markdown));
        QVERIFY(markdown.contains(QStringLiteral("## Done\n\n- [x] - a list\n")));
        QVERIFY(markdown.contains(QStringLiteral("- [ ] @home *(archived)*")));
        QVERIFY(!markdown.contains(QStringLiteral("tombstone")));
    }

    // Each damaged file is refused with its line or field, and the store and sidebar stay as they were.
    void damagedFiles_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");

        const QByteArray item = R"({"id": "7A1C3C1E-2B51-4B3B-8E5E-2F6A1B9C0D11", "content": "x", "status": "TODO",
            "order": 1, "createdBy": "7A1C3C1E-2B51-4B3B-8E5E-2F6A1B9C0D12", "createdAt": "2024-05-01T12:30:00.123Z",
            "updatedAt": "2024-05-01T12:30:00Z", "revision": 0, "didSync": false})";
        const QByteArray board = R"({"id": "7A1C3C1E-2B51-4B3B-8E5E-2F6A1B9C0D10", "name": "B",
            "createdAt": "2024-05-01T12:30:00Z", "updatedAt": "2024-05-01T12:30:00Z", "syncWithServer": false,
            "createdBy": "n/a", "isActive": true, "revision": 0, "items": [ITEMS]})";
        const auto archive = [&](const QByteArray& items) {
            return R"({"format": "plenko-archive", "version": 1, "boards": [)" + QByteArray(board).replace("ITEMS", items) + "]}";
        };
        QTest::newRow("archive: cut short") << "a.json" << archive(item).chopped(40)
                                            << "Line 5: not valid JSON at column 46";
        QTest::newRow("archive: bad status") << "a.json" << archive(QByteArray(item).replace("\"TODO\"", "\"LATER\""))
                                             << "Field \"boards[0].items[0].status\": \"LATER\" is not TODO";
        QTest::newRow("archive: missing date") << "a.json" << archive(QByteArray(item).replace("\"createdAt\"", "\"made\""))
                                               << "Field \"boards[0].items[0].createdAt\": missing";
        QTest::newRow("archive: item twice") << "a.json" << archive(item + "," + item)
                                             << "Field \"boards[0].items[1].id\": the item";
        QTest::newRow("archive: newer version") << "a.json" << archive(item).replace("\"version\": 1", "\"version\": 2")
                                                << "Field \"version\": version 2";
        QTest::newRow("csv: unclosed quote") << "c.csv" << QByteArray("Title,Status\r\nok,Todo\r\n\"never closed,Todo\r\n")
                                             << "Line 3: a quoted field is never closed";
        QTest::newRow("csv: short row") << "c.csv" << QByteArray("Title,Status\r\nok,Todo\r\nshort\r\n")
                                        << "Line 3: 1 fields where the header row has 2";
        QTest::newRow("csv: unknown status") << "c.csv" << QByteArray("Title,Status\nok,Todo\nnext,Waiting\n")
                                             << "Line 3: column \"Status\": \"Waiting\" is not";
        QTest::newRow("csv: not UTF-8") << "c.csv" << QByteArray("Title\nok\ncaf\xe9\n")
                                        << "Line 3: the text is not UTF-8";
        QTest::newRow("csv: no text column") << "c.csv" << QByteArray("Status,Order\nTodo,1\n")
                                             << "Line 1: no column for the item's text";
        const auto trello = readWholeFile(dataFile(QStringLiteral("trello-board.json"))).value_or(QByteArray());
        QTest::newRow("trello: card of no list") << "t.json"
            << QByteArray(trello).replace("\"idList\": \"65a1f0d0e4b0a1b2c3d4e603\"", "\"idList\": \"nowhere\"")
            << "Field \"cards[2].idList\": no list has the id \"nowhere\"";
        QTest::newRow("trello: name not text") << "t.json"
            << QByteArray(trello).replace("\"name\": \"Doing\"", "\"name\": 7") << "Field \"lists[1].name\": expected text";
        QTest::newRow("trello: list not asked") << "t.json" << trello << "The list \"Ideas\" is not named after a status";
        QTest::newRow("other JSON") << "o.json" << QByteArray("{\"hello\": []}") << "Line 1: this JSON file is neither";
        QTest::newRow("other kind") << "notes.md" << QByteArray("# Notes") << "imports .json files";
    }

    void damagedFiles()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);

        auto [place, home, cloud] = seeded();
        const QByteArray before = writeArchive(place->contents(), exportedAt);
        const QString file = m_dir.filePath(fileName);
        QVERIFY(writeWholeFile(file, bytes).has_value());
        QString output;
        QCOMPARE(place->run({QStringLiteral("--import"), file}, &output), CommandLineTransfer::failed);
        QVERIFY2(output.contains(message), qPrintable(output));
        QCOMPARE(writeArchive(place->contents(), exportedAt), before);
    }

    // The command line: every export format, one board by name, a Trello list placed by option, and
    // what it refuses (a running window for imports, an unknown extension, a board that is not there).
    void commandLine()
    {
        auto [place, home, cloud] = seeded();
        QString output;
        const QString markdown = m_dir.filePath(QStringLiteral("home.md"));
        QCOMPARE(place->run({QStringLiteral("--export"), markdown, QStringLiteral("--board"), QStringLiteral("Home")}, &output), 0);
        QVERIFY2(output.contains(QStringLiteral("1 board(s) with 3 item(s)")), qPrintable(output));
        QVERIFY(readWholeFile(markdown).value_or(QByteArray()).startsWith("# Home\n"));
        QCOMPARE(place->run({QStringLiteral("--export"), m_dir.filePath(QStringLiteral("x.csv")), QStringLiteral("--board"),
                     QStringLiteral("Nope")}, &output),
            CommandLineTransfer::failed);
        QCOMPARE(output.trimmed(), QStringLiteral("No board is named \"Nope\"."));
        QCOMPARE(place->run({QStringLiteral("--export"), m_dir.filePath(QStringLiteral("x.txt"))}, &output),
            CommandLineTransfer::usageError);
        QCOMPARE(place->run({QStringLiteral("--export"), markdown, QStringLiteral("--import"), markdown}, &output),
            CommandLineTransfer::usageError);

        const QString trello = dataFile(QStringLiteral("trello-board.json"));
        {
            QLockFile running(place->lockFile());
            QVERIFY(running.tryLock(0));
            QCOMPARE(place->run({QStringLiteral("--import"), trello}, &output), CommandLineTransfer::failed);
            QVERIFY2(output.contains(QStringLiteral("Plenko is running")), qPrintable(output));
        }
        QCOMPARE(place->run({QStringLiteral("--import"), trello, QStringLiteral("--list-status"), QStringLiteral("Ideas=Done")},
                     &output),
            0);
        QVERIFY2(output.startsWith(QStringLiteral("Imported 1 board(s) (\"Launch 🚀\") with 5 item(s).\n1 item(s) shortened")),
            qPrintable(output));
        QCOMPARE(place->run({QStringLiteral("--import"), trello, QStringLiteral("--list-status"), QStringLiteral("Ideas=Done")},
                     &output),
            0);
        const BoardArchive after = place->contents();
        const Board* launch = boardNamed(after, QStringLiteral("Launch 🚀"));
        QVERIFY(launch);
        QCOMPARE(launch->items.size(), 5);
        QCOMPARE(itemStarting(*launch, QStringLiteral("Someday"))->status, ItemStatus::done);
    }

    // An import stopped after some slices are written, by Cancel or by a row the store refuses,
    // leaves nothing of the file behind; an edit saved meanwhile waits and is then saved.
    void interruptedImportLeavesNothing_data()
    {
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("cancelled") << true;
        QTest::newRow("row refused") << false;
    }

    void interruptedImportLeavesNothing()
    {
        QFETCH(bool, cancelled);
        auto place = newPlace();
        Board home = makeBoard(QStringLiteral("Home"), false);
        home.items = {makeItem(home.id, QStringLiteral("Stored"), ItemStatus::todo, 1)};
        place->store(home);
        auto rules = SqliteDatabase::open(place->context().fileName(), 1000);
        QVERIFY(rules.has_value());
        QVERIFY(rules->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON local_item WHEN NEW.content = "
                                              "'poison' BEGIN SELECT RAISE(ABORT, 'refused'); END"))
                    .has_value());

        Board incoming = makeBoard(QStringLiteral("Incoming"), false);
        for (int i = 0; i < 3000; ++i)
            incoming.items.append(makeItem(incoming.id, i == 2999 ? QStringLiteral("poison") : QStringLiteral("New"),
                ItemStatus::todo, i));
        Board changedHome = home;
        changedHome.items.first().content = QStringLiteral("From the file");
        changedHome.items.first().updatedAt = home.items.first().updatedAt.addDays(1);
        ImportWriter writer(ImportPlan {{{changedHome, incoming}, {}, {}, {}}, {}, 0}, place->context(),
            place->preferences());
        const auto first = writer.writeFor(std::chrono::milliseconds(0));
        QVERIFY(first.has_value() && !*first);
        QVERIFY(writer.itemsWritten() > 0);

        auto stored = place->context().fetchItemsWithIds({home.items.first().id});
        QVERIFY(stored.has_value() && stored->size() == 1);
        stored->begin().value()->setContent(QStringLiteral("Edited meanwhile"));
        QVERIFY(!place->context().save().has_value());

        if (cancelled) {
            writer.abandon();
        } else {
            std::expected<bool, QString> done = false;
            while (done && !*done)
                done = writer.writeFor(std::chrono::milliseconds(0));
            QVERIFY(!done.has_value());
            QVERIFY2(done.error().contains(QStringLiteral("refused")), qPrintable(done.error()));
        }
        QVERIFY(!writer.finish().has_value());
        QVERIFY(!place->context().hasChanges());

        const BoardArchive after = place->contents();
        QCOMPARE(after.boards.size(), 1);
        QCOMPARE(after.boards.first().items.size(), 1);
        QCOMPARE(after.boards.first().items.first().content, QStringLiteral("Edited meanwhile"));
    }

    void largeArchiveRoundTrip()
    {
        // The 100,000-item round trip is timed in the release build by bench/TransferBench.cpp.
        constexpr qsizetype itemCount = 10000;
        BoardArchive archive;
        for (int b = 0; b < 4; ++b) {
            Board board = makeBoard(QStringLiteral("Board %1").arg(b), false);
            for (qsizetype i = 0; i < itemCount / 4; ++i)
                board.items.append(makeItem(board.id, QStringLiteral("Item %1 of board %2 ✓").arg(i).arg(b),
                    allItemStatuses.at(size_t(i % 3)), i));
            archive.boards.append(board);
        }
        QElapsedTimer timer;
        timer.start();
        const QByteArray bytes = writeArchive(archive, exportedAt);
        const qint64 written = timer.restart();
        auto place = newPlace();
        const auto report = applyImport(ImportPlan {readBack(bytes), {}, 0}, place->context(), place->preferences());
        QVERIFY(report.has_value());
        QCOMPARE(report->items, itemCount);
        const qint64 imported = timer.restart();
        auto collected = collectArchive(place->context(), place->preferences(), {});
        QVERIFY(collected.has_value());
        for (Board& board : collected->boards) {
            std::sort(board.items.begin(), board.items.end(), [](const Item& a, const Item& b) { return a.order < b.order; });
        }
        std::sort(collected->boards.begin(), collected->boards.end(), [](const Board& a, const Board& b) { return a.name < b.name; });
        QCOMPARE(writeArchive(*collected, exportedAt), bytes);
        qInfo("10,000 items: written in %lld ms, read and imported in %lld ms, read back in %lld ms", written,
            imported, timer.elapsed());
    }
};

QTEST_GUILESS_MAIN(TransferTest)
#include "TransferTest.moc"
