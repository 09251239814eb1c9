// Drag payloads through real mime data (round trips and garbage) and the drop rules: where a dropped
// board lands, which drops are refused, and which status a dropped item goes to.
#include "SidebarTestData.h"
#include "sidebar/BoardTransfer.h"
#include "sidebar/ItemStatusDrop.h"
#include "sidebar/ItemTransfer.h"
#include "sidebar/SidebarBoardDrop.h"
#include "sidebar/SidebarLayout.h"
#include "sidebar/SidebarLayoutController.h"
#include "store/LocalStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <memory>

namespace {

const QUuid itemId = QUuid::fromString(QStringLiteral("{6b1f0e4a-2c55-4f0b-9d0e-7a2d1c9b8e01}"));
const QUuid boardId = QUuid::fromString(QStringLiteral("{0a1b2c3d-0000-4000-8000-00000000000b}"));
const QByteArray itemText = "6B1F0E4A-2C55-4F0B-9D0E-7A2D1C9B8E01";
const QByteArray boardText = "0A1B2C3D-0000-4000-8000-00000000000B";

QList<BoardTransfer> payloadOf(QChar letter)
{
    return {BoardTransfer {boardIdFor(letter)}};
}

}

Q_DECLARE_METATYPE(BoardDropRefusal)
Q_DECLARE_METATYPE(ItemStatus)

class DragAndDropTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void boardTransferRoundTrip()
    {
        const BoardTransfer transfer {boardId};
        QCOMPARE(BoardTransfer::mimeType(), QStringLiteral("net.plenko.board-id"));
        QCOMPARE(transfer.encoded(), boardText);

        const std::unique_ptr<QMimeData> mimeData(transfer.toMimeData());
        QCOMPARE(mimeData->formats(), QStringList {QStringLiteral("net.plenko.board-id")});
        QCOMPARE(mimeData->data(QStringLiteral("net.plenko.board-id")), boardText);
        QVERIFY(BoardTransfer::isOffered(mimeData.get()));
        QVERIFY(!ItemTransfer::isOffered(mimeData.get()));
        QCOMPARE(BoardTransfer::read(mimeData.get()), transfer);
        QCOMPARE(BoardTransfer::decode(boardText.toLower()), transfer);
    }

    void itemTransferRoundTrip()
    {
        const ItemTransfer transfer {itemId, boardId};
        QCOMPARE(ItemTransfer::mimeType(), QStringLiteral("net.plenko.item-id"));
        const QJsonDocument document = QJsonDocument::fromJson(transfer.encoded());
        QVERIFY(document.isObject());
        QCOMPARE(document.object().size(), 2);
        QCOMPARE(document.object().value(QStringLiteral("itemId")).toString(), QString::fromLatin1(itemText));
        QCOMPARE(document.object().value(QStringLiteral("fromBoardId")).toString(),
            QString::fromLatin1(boardText));

        const std::unique_ptr<QMimeData> mimeData(transfer.toMimeData());
        QCOMPARE(mimeData->formats(), QStringList {QStringLiteral("net.plenko.item-id")});
        QVERIFY(!BoardTransfer::isOffered(mimeData.get()));
        QCOMPARE(ItemTransfer::read(mimeData.get()), transfer);
        QCOMPARE(droppedItems(mimeData.get()), QList<ItemTransfer> {transfer});
    }

    // Damaged payloads of either kind: refused with the kind's error, and nothing is dropped.
    void transferGarbage_data()
    {
        QTest::addColumn<bool>("item");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("board: empty") << false << QByteArray();
        QTest::newRow("board: words") << false << QByteArray("board A");
        QTest::newRow("board: trailing text") << false << boardText + "xyz";
        QTest::newRow("board: leading space") << false << " " + boardText;
        QTest::newRow("board: trailing newline") << false << boardText + "\n";
        QTest::newRow("board: no hyphens") << false << QByteArray("0A1B2C3D00004000800000000000000B");
        QTest::newRow("board: not hexadecimal") << false << QByteArray("0A1B2C3D-0000-4000-8000-00000000000G");
        QTest::newRow("board: invalid utf-8") << false << QByteArray("\xff\xfe\x00\x80", 4) + boardText.mid(4);
        QTest::newRow("board: json item payload") << false
            << QByteArray("{\"itemId\":\"" + itemText + "\",\"fromBoardId\":\"" + boardText + "\"}");
        QTest::newRow("item: empty") << true << QByteArray();
        QTest::newRow("item: not json") << true << QByteArray("itemId=1");
        QTest::newRow("item: array") << true << QByteArray("[\"" + itemText + "\"]");
        QTest::newRow("item: bare id") << true << itemText;
        QTest::newRow("item: no fromBoardId") << true << QByteArray("{\"itemId\":\"" + itemText + "\"}");
        QTest::newRow("item: no itemId") << true << QByteArray("{\"fromBoardId\":\"" + boardText + "\"}");
        QTest::newRow("item: fromBoardId null") << true
            << QByteArray("{\"itemId\":\"" + itemText + "\",\"fromBoardId\":null}");
        QTest::newRow("item: itemId a number") << true
            << QByteArray("{\"itemId\":7,\"fromBoardId\":\"" + boardText + "\"}");
        QTest::newRow("item: itemId not an id") << true
            << QByteArray("{\"itemId\":\"card 7\",\"fromBoardId\":\"" + boardText + "\"}");
        QTest::newRow("item: id with trailing text") << true
            << QByteArray("{\"itemId\":\"" + itemText + "!\",\"fromBoardId\":\"" + boardText + "\"}");
        QTest::newRow("item: keys in other case") << true
            << QByteArray("{\"itemid\":\"" + itemText + "\",\"fromboardid\":\"" + boardText + "\"}");
        QTest::newRow("item: truncated") << true << QByteArray("{\"itemId\":\"" + itemText + "\",\"fromBoa");
    }

    void transferGarbage()
    {
        QFETCH(bool, item);
        QFETCH(QByteArray, data);
        QMimeData mimeData;
        std::optional<TransferError> error;
        if (item) {
            const auto decoded = ItemTransfer::decode(data);
            error = decoded ? std::nullopt : std::optional(decoded.error());
            mimeData.setData(ItemTransfer::mimeType(), data);
            QVERIFY(droppedItems(&mimeData).isEmpty());
            QVERIFY(!itemDropOnStatusTab(droppedItems(&mimeData), ItemStatus::done));
        } else {
            const auto decoded = BoardTransfer::decode(data);
            error = decoded ? std::nullopt : std::optional(decoded.error());
            mimeData.setData(BoardTransfer::mimeType(), data);
            QVERIFY(droppedBoards(&mimeData).isEmpty());
        }
        QVERIFY(error);
        QCOMPARE(error->domain, item ? QStringLiteral("ItemTransfer") : QStringLiteral("BoardTransfer"));
        QCOMPARE(error->code, -1);
        QVERIFY(!error->message.isEmpty());
    }

    void missingFormats()
    {
        QMimeData text;
        text.setText(QString::fromLatin1(boardText));
        QCOMPARE(BoardTransfer::read(&text).error().domain, QStringLiteral("BoardTransfer"));
        QCOMPARE(ItemTransfer::read(&text).error().domain, QStringLiteral("ItemTransfer"));
        QCOMPARE(ItemTransfer::read(nullptr).error().code, -1);
        QVERIFY(droppedBoards(nullptr).isEmpty());
    }

    void equalityAndHashing()
    {
        const QSet<BoardTransfer> boards {
            BoardTransfer {boardId}, BoardTransfer {boardId}, BoardTransfer {itemId}};
        QCOMPARE(boards.size(), 2);
        const QSet<ItemTransfer> items {ItemTransfer {itemId, boardId}, ItemTransfer {itemId, boardId},
            ItemTransfer {itemId, itemId}, ItemTransfer {boardId, boardId}};
        QCOMPARE(items.size(), 3);
        QVERIFY(!(ItemTransfer {itemId, boardId} == ItemTransfer {boardId, itemId}));
    }

    // dragged holds a payload per letter; target is a board letter; expected is "refused" on refusal.
    void boardDrop_data()
    {
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QChar>("target");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<BoardDropRefusal>("refusal");

        const auto none = BoardDropRefusal::noPayload;
        QTest::newRow("onto the row just below") << "ABC" << "A" << QChar(u'B') << "ABC" << none;
        QTest::newRow("first onto last") << "ABC" << "A" << QChar(u'C') << "BAC" << none;
        QTest::newRow("last onto first") << "ABC" << "C" << QChar(u'A') << "CAB" << none;
        QTest::newRow("upwards by one") << "ABC" << "C" << QChar(u'B') << "ACB" << none;
        QTest::newRow("onto itself") << "ABC" << "B" << QChar(u'B') << "ABC" << none;
        QTest::newRow("across a divider") << "A|BC" << "C" << QChar(u'A') << "CA|B" << none;
        QTest::newRow("leaves a leading divider, tidied") << "A|B" << "A" << QChar(u'B') << "AB" << none;
        QTest::newRow("leaves two dividers together, tidied") << "A|B|C"
                                                              << "B" << QChar(u'C') << "A|BC" << none;
        QTest::newRow("only the first payload counts") << "ABC" << "CB" << QChar(u'A') << "CAB" << none;
        QTest::newRow("no payload") << "ABC" << "" << QChar(u'B') << "refused" << BoardDropRefusal::noPayload;
        QTest::newRow("board of the other section")
            << "ABC"
            << "X" << QChar(u'B') << "refused" << BoardDropRefusal::draggedBoardNotInSection;
        QTest::newRow("target of the other section")
            << "ABC"
            << "A" << QChar(u'X') << "refused" << BoardDropRefusal::targetNotInSection;
    }

    void boardDrop()
    {
        QFETCH(QString, entries);
        QFETCH(QString, dragged);
        QFETCH(QChar, target);
        QFETCH(QString, expected);
        QFETCH(BoardDropRefusal, refusal);

        TemporaryPreferences preferences;
        QList<SidebarEntry> section = entriesFrom(entries);
        QList<BoardTransfer> payloads;
        for (QChar letter : dragged)
            payloads += payloadOf(letter);
        const std::expected<void, BoardDropRefusal> outcome = moveSidebarBoard(
            preferences.store(), section, payloads, boardIdFor(target), QStringLiteral("local"));
        preferences.reopen();
        if (expected == QLatin1String("refused")) {
            QVERIFY(!outcome);
            QCOMPARE(outcome.error(), refusal);
            QCOMPARE(notationOf(section), entries);
            QVERIFY(!preferences.contains(QStringLiteral("sidebar.layout.local")));
            return;
        }
        QVERIFY(outcome);
        QCOMPARE(notationOf(section), expected);
        const QString saved = preferences.storedLayoutNotation(QStringLiteral("local"));
        QCOMPARE(saved, expected);
        QVERIFY(!saved.startsWith(QLatin1Char('|')) && !saved.endsWith(QLatin1Char('|')));
    }

    void dividerIdIsNoBoard()
    {
        const QList<SidebarEntry> section = entriesFrom(QStringLiteral("A|B"));
        const QList<BoardTransfer> divider {BoardTransfer {section.at(1).id()}};
        QCOMPARE(planSidebarBoardMove(section, divider, boardIdFor(u'A')).error(),
            BoardDropRefusal::draggedBoardNotInSection);
        QCOMPARE(planSidebarBoardMove(section, payloadOf(u'A'), section.at(1).id()).error(),
            BoardDropRefusal::targetNotInSection);
    }

    void localBoardOnCloudSectionChangesNothing()
    {
        TemporaryPreferences preferences;
        SidebarLayoutController controller(preferences.store());
        QList<Board> boards = boardsNamed(QStringLiteral("AB"));
        boards += boardsNamed(QStringLiteral("XY"), true);
        controller.setBoards(boards);
        QSignalSpy changed(&controller, &SidebarLayoutController::entriesChanged);

        const std::unique_ptr<QMimeData> dragged(BoardTransfer {boardIdFor(u'A')}.toMimeData());
        const auto outcome
            = controller.moveBoard(QStringLiteral("remote"), droppedBoards(dragged.get()), boardIdFor(u'Y'));
        QCOMPARE(outcome.error(), BoardDropRefusal::draggedBoardNotInSection);
        QCOMPARE(notationOf(controller.entries(QStringLiteral("remote"))), QStringLiteral("XY"));
        QCOMPARE(notationOf(controller.entries(QStringLiteral("local"))), QStringLiteral("AB"));
        QCOMPARE(changed.count(), 0);

        QVERIFY(controller.moveBoard(QStringLiteral("remote"), payloadOf(u'Y'), boardIdFor(u'X')));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toString(), QStringLiteral("remote"));
        QCOMPARE(preferences.storedLayoutNotation(QStringLiteral("remote")), QStringLiteral("YX"));
        QCOMPARE(preferences.storedLayoutNotation(QStringLiteral("local")), QStringLiteral("AB"));
    }

    void statusTabDrop_data()
    {
        QTest::addColumn<int>("payloads");
        QTest::addColumn<ItemStatus>("tab");
        QTest::newRow("no payload") << 0 << ItemStatus::todo;
        QTest::newRow("one payload on Done") << 1 << ItemStatus::done;
        QTest::newRow("two payloads on In Progress, first counts") << 2 << ItemStatus::inProgress;
    }

    void statusTabDrop()
    {
        QFETCH(int, payloads);
        QFETCH(ItemStatus, tab);
        const QList<ItemTransfer> all {ItemTransfer {itemId, boardId}, ItemTransfer {boardId, itemId}};
        const std::optional<ItemStatusMove> move = itemDropOnStatusTab(all.first(payloads), tab);
        QCOMPARE(move.has_value(), payloads > 0);
        if (move) {
            QCOMPARE(move->item, all.first());
            QCOMPARE(move->status, tab);
        }
    }
};

QTEST_GUILESS_MAIN(DragAndDropTest)
#include "DragAndDropTest.moc"
