// Revision highlights: the checkpoint comparison of RevisionHighlightController, and how the
// workspace sets, clears and persists the highlight of the selected board.
#include "WorkspaceFixture.h"
#include "store/LocalRecordConversions.h"
#include "store/PreferenceKeys.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using OptionalRevision = std::optional<qint64>;
using OptionalBool = std::optional<bool>;

class HighlightsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void checkRevision_data()
    {
        QTest::addColumn<OptionalRevision>("checkpoint");
        QTest::addColumn<OptionalRevision>("revision");
        QTest::addColumn<OptionalBool>("expected");
        QTest::addColumn<OptionalRevision>("checkpointAfter");
        const OptionalRevision none;
        const OptionalBool nothingNew;
        QTest::newRow("no revision") << OptionalRevision(5) << none << OptionalBool(false)
                                     << OptionalRevision(5);
        QTest::newRow("never synced, own first change")
            << none << OptionalRevision(1) << nothingNew << OptionalRevision(1);
        QTest::newRow("never synced, others changed first")
            << none << OptionalRevision(3) << OptionalBool(true) << none;
        QTest::newRow("never synced, revision 0") << none << OptionalRevision(0) << nothingNew << none;
        QTest::newRow("equal to checkpoint")
            << OptionalRevision(5) << OptionalRevision(5) << nothingNew << OptionalRevision(5);
        QTest::newRow("below checkpoint")
            << OptionalRevision(5) << OptionalRevision(2) << nothingNew << OptionalRevision(5);
        QTest::newRow("own next change")
            << OptionalRevision(5) << OptionalRevision(6) << nothingNew << OptionalRevision(6);
        QTest::newRow("others changed in between")
            << OptionalRevision(5) << OptionalRevision(7) << OptionalBool(true) << OptionalRevision(5);
    }

    void checkRevision()
    {
        QFETCH(OptionalRevision, checkpoint);
        QFETCH(OptionalRevision, revision);
        QFETCH(OptionalBool, expected);
        QFETCH(OptionalRevision, checkpointAfter);
        QTemporaryDir dir;
        LocalStore preferences(dir.filePath(QStringLiteral("preferences.ini")));
        const QUuid boardId = QUuid::createUuid();
        const QUuid otherBoard = QUuid::createUuid();
        preferences.set(checkpoint, PreferenceKeys::checkpoint(boardId));
        preferences.set(OptionalRevision(1), PreferenceKeys::checkpoint(otherBoard));

        RevisionHighlightController controller(preferences);
        QCOMPARE(controller.checkRevision(revision, boardId), expected);
        QCOMPARE(preferences.get(PreferenceKeys::checkpoint(boardId)), checkpointAfter);
        QCOMPARE(preferences.get(PreferenceKeys::checkpoint(otherBoard)), OptionalRevision(1));
    }

    // A board revision reported for the selected board after a change of the user's.
    void evaluateSelectedBoardRevision_data()
    {
        QTest::addColumn<bool>("cloud");
        QTest::addColumn<OptionalRevision>("checkpoint");
        QTest::addColumn<bool>("highlightedBefore");
        QTest::addColumn<OptionalRevision>("revision");
        QTest::addColumn<bool>("highlightedAfter");
        QTest::addColumn<OptionalRevision>("checkpointAfter");
        const OptionalRevision none;
        QTest::newRow("local board clears") << false << none << true << OptionalRevision(9) << false << none;
        QTest::newRow("own next revision clears")
            << true << OptionalRevision(4) << true << OptionalRevision(5) << false << OptionalRevision(5);
        QTest::newRow("skipped revision highlights")
            << true << OptionalRevision(4) << false << OptionalRevision(7) << true << OptionalRevision(4);
        QTest::newRow("old revision clears")
            << true << OptionalRevision(4) << true << OptionalRevision(3) << false << OptionalRevision(4);
        QTest::newRow("no revision keeps a highlight")
            << true << OptionalRevision(4) << true << none << true << OptionalRevision(4);
        QTest::newRow("no revision never highlights")
            << true << OptionalRevision(4) << false << none << false << OptionalRevision(4);
    }

    void evaluateSelectedBoardRevision()
    {
        QFETCH(bool, cloud);
        QFETCH(OptionalRevision, checkpoint);
        QFETCH(bool, highlightedBefore);
        QFETCH(OptionalRevision, revision);
        QFETCH(bool, highlightedAfter);
        QFETCH(OptionalRevision, checkpointAfter);

        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        const Board board = client.storeNewBoard(QStringLiteral("Team"), cloud);
        const Board other = client.storeNewBoard(QStringLiteral("Other"), true);
        client.preferences().set(checkpoint, PreferenceKeys::checkpoint(board.id));
        QSet<QUuid> before {other.id};
        if (highlightedBefore)
            before.insert(board.id);
        client.preferences().set(before, PreferenceKeys::highlightedBoards());
        BoardViewModel& workspace = client.workspace();
        workspace.loadBoards(true);
        QCOMPARE(workspace.selectedBoard().id, board.id);
        QCOMPARE(workspace.shouldHighlightRefresh(), highlightedBefore);

        workspace.applyBoardUpdate(*workspace.findBoard(board.id), revision);
        QCOMPARE(workspace.highlightedBoards().contains(board.id), highlightedAfter);
        QVERIFY(workspace.highlightedBoards().contains(other.id));
        QCOMPARE(workspace.shouldHighlightRefresh(), highlightedAfter);
        QCOMPARE(
            client.preferences().get(PreferenceKeys::highlightedBoards()), workspace.highlightedBoards());
        QCOMPARE(client.preferences().get(PreferenceKeys::checkpoint(board.id)), checkpointAfter);
    }

    void highlightsArePersistedOnlyWhenTheyChange()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        const Board selected = client.storeNewBoard(QStringLiteral("Team"), true);
        const Board other = client.storeNewBoard(QStringLiteral("Other"), true);
        BoardViewModel& workspace = client.workspace();
        workspace.loadBoards(true);
        QSignalSpy changed(&workspace, &BoardViewModel::highlightedBoardsChanged);
        QSignalSpy refresh(&workspace, &BoardViewModel::shouldHighlightRefreshChanged);

        workspace.setBoardHighlight(other.id);
        QCOMPARE(client.preferences().get(PreferenceKeys::highlightedBoards()), QSet<QUuid> {other.id});
        QVERIFY(!workspace.shouldHighlightRefresh());

        // A second highlight of the same board does not write: an outside value stays.
        client.preferences().set(QSet<QUuid> {}, PreferenceKeys::highlightedBoards());
        workspace.setBoardHighlight(other.id);
        QCOMPARE(client.preferences().get(PreferenceKeys::highlightedBoards()), QSet<QUuid> {});
        QCOMPARE(changed.size(), 1);

        // Clearing a board that is not highlighted writes nothing either.
        workspace.clearBoardHighlight(selected.id);
        QCOMPARE(client.preferences().get(PreferenceKeys::highlightedBoards()), QSet<QUuid> {});

        // The selected board: the refresh button follows at once.
        workspace.setBoardHighlight(selected.id);
        workspace.updateShouldHighlightRefresh();
        QVERIFY(workspace.shouldHighlightRefresh());
        workspace.clearBoardHighlight(selected.id);
        QVERIFY(!workspace.shouldHighlightRefresh());
        QCOMPARE(refresh.size(), 2);
        QCOMPARE(workspace.highlightedBoards(), QSet<QUuid> {other.id});
        QCOMPARE(client.preferences().get(PreferenceKeys::highlightedBoards()), QSet<QUuid> {other.id});
    }
};

QTEST_GUILESS_MAIN(HighlightsTest)
#include "HighlightsTest.moc"
