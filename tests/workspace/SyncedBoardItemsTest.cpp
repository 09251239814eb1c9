// The shown board after a sync, from the items the steps gathered: what a fresh read of the store
// would show (written copies in place of the board's, deleted or moved ones gone, newest update
// first, ties in the board's order and then in the order written).
#include "domain/Board.h"
#include "store/LocalItem.h"
#include "store/LocalRecordConversions.h"
#include "workspace/SyncedBoardItems.h"

#include <QHash>
#include <QTest>

namespace {
const QDateTime base = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);

// "name:minute" (the minute of its last update; "name:?" has no valid date), optionally
// followed by ":deleted" or ":elsewhere" (on another board).
struct Described
{
    QString name;
    QDateTime updatedAt;
    QString state;
};

Described parse(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    Described described;
    described.name = parts.value(0);
    if (parts.value(1) != QLatin1String("?"))
        described.updatedAt = base.addSecs(60 * parts.value(1).toInt());
    described.state = parts.value(2);
    return described;
}
}

class SyncedBoardItemsTest : public QObject
{
    Q_OBJECT

    QHash<QString, QUuid> m_ids;
    QUuid m_boardId = QUuid::createUuid();

    QUuid idOf(const QString& name)
    {
        if (!m_ids.contains(name))
            m_ids.insert(name, QUuid::createUuid());
        return m_ids.value(name);
    }

    Item item(const Described& described)
    {
        Item item;
        item.id = idOf(described.name);
        item.content = described.name;
        item.boardId = described.state == QLatin1String("elsewhere") ? QUuid::createUuid() : m_boardId;
        item.createdAt = base;
        item.updatedAt = described.updatedAt;
        if (described.state == QLatin1String("deleted"))
            item.deletedAt = base;
        return item;
    }

private Q_SLOTS:
    void mergedBoardIsWhatAReadWouldShow_data()
    {
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("new items on an empty board") << QStringList {}
                                                     << QStringList {"a:1", "b:3", "c:2"} << QStringList {}
                                                     << QStringList {"b", "c", "a"};
        QTest::newRow("ties: the board's first, then the order written")
            << QStringList {"a:5", "b:5"} << QStringList {"x:5", "b:5", "y:5"} << QStringList {}
            << QStringList {"a", "b", "x", "y"};
        QTest::newRow("a written copy replaces the board's and moves with its date")
            << QStringList {"a:5", "b:4", "c:3"} << QStringList {"c:9", "a:1"} << QStringList {}
            << QStringList {"c", "b", "a"};
        QTest::newRow("written twice: the later copy")
            << QStringList {} << QStringList {"a:1", "b:2", "a:3", "b:2:deleted"} << QStringList {}
            << QStringList {"a"};
        QTest::newRow("deleted, moved to another board, gone from the store")
            << QStringList {"a:1", "b:2", "c:3", "d:4"} << QStringList {"a:1:deleted", "b:2:elsewhere", "e:5"}
            << QStringList {"c", "f"} << QStringList {"e", "d"};
        QTest::newRow("written again after leaving") << QStringList {"a:1"} << QStringList {"a:1:deleted", "a:2"}
                                                     << QStringList {} << QStringList {"a"};
        QTest::newRow("no valid date: last, in order")
            << QStringList {"a:?", "b:1"} << QStringList {"c:?", "d:0"} << QStringList {}
            << QStringList {"b", "d", "a", "c"};
        QTest::newRow("the board's own items untouched") << QStringList {"a:1", "b:2"} << QStringList {}
                                                         << QStringList {} << QStringList {"b", "a"};
    }

    void mergedBoardIsWhatAReadWouldShow()
    {
        QFETCH(QStringList, shown);
        QFETCH(QStringList, written);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, expected);
        m_ids.clear();

        Board board;
        board.id = m_boardId;
        for (const QString& text : shown)
            board.items.append(item(parse(text)));
        // The board's copy is held elsewhere too (the workspace's list): merging must not change it.
        const Board before = board;

        SyncedBoardItems synced(m_boardId);
        synced.reserve(written.size());
        for (const QString& text : written)
            synced.add(*makeLocalItem(item(parse(text))));
        for (const QString& name : removed)
            synced.remove(idOf(name));
        const Board merged = synced.mergedInto(board);

        QStringList names;
        for (const Item& held : merged.items) {
            names.append(held.content);
            QCOMPARE(held.id, idOf(held.content));
        }
        QCOMPARE(names, expected);
        QCOMPARE(before.items.size(), shown.size());
        for (qsizetype i = 0; i < shown.size(); ++i)
            QCOMPARE(before.items[i].content, parse(shown[i]).name);
    }
};

QTEST_GUILESS_MAIN(SyncedBoardItemsTest)
#include "SyncedBoardItemsTest.moc"
