// The layout controller seen through the list model of a section, with QAbstractItemModelTester
// attached: rows and roles follow the controller, board rows drag and take drops, dividers do not.
#include "sidebar/SidebarListModel.h"

#include "SidebarTestData.h"
#include "sidebar/BoardTransfer.h"
#include "sidebar/SidebarLayoutController.h"
#include "store/LocalStore.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <memory>

namespace {

const QString local = QStringLiteral("local");
const QString remote = QStringLiteral("remote");

QString modelNotation(const SidebarListModel& model)
{
    QString notation;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        notation += index.data(SidebarListModel::IsDividerRole).toBool()
            ? QStringLiteral("|")
            : index.data(Qt::DisplayRole).toString();
    }
    return notation;
}

}

class SidebarListModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void controllerSplitsTheWorkspaceBoards()
    {
        TemporaryPreferences preferences;
        SidebarLayoutController controller(preferences.store());
        QSignalSpy archived(&controller, &SidebarLayoutController::archivedBoardsChanged);
        QList<Board> boards {boardNamed(u'A'), boardNamed(u'X', true), boardNamed(u'B', false, false),
            boardNamed(u'C'), boardNamed(u'Y', true, false)};
        controller.setBoards(boards);

        QCOMPARE(notationOf(controller.entries(local)), QStringLiteral("AC"));
        QCOMPARE(notationOf(controller.entries(remote)), QStringLiteral("X"));
        QCOMPARE(controller.archivedBoards(local), QList<Board> {boardNamed(u'B')});
        QCOMPARE(controller.archivedBoards(remote), QList<Board> {boardNamed(u'Y')});
        QCOMPARE(archived.count(), 1);
        QVERIFY(controller.entries(QStringLiteral("elsewhere")).isEmpty());
        QVERIFY(!controller.insertDivider(QStringLiteral("elsewhere"), 0, true));

        // Archiving A takes it out of the layout; unarchiving brings it back at the end.
        QVERIFY(controller.insertDivider(local, 0, true));
        QCOMPARE(notationOf(controller.entries(local)), QStringLiteral("A|C"));
        boards[0].isActive = false;
        controller.setBoards(boards);
        QCOMPARE(notationOf(controller.entries(local)), QStringLiteral("C"));
        QCOMPARE(archived.count(), 2);
        boards[0].isActive = true;
        controller.setBoards(boards);
        QCOMPARE(notationOf(controller.entries(local)), QStringLiteral("CA"));
    }

    // Every workspace change hands the boards over again; the preference file is rewritten (and
    // flushed to disk) only when a section's stored layout differs. The file is removed before the
    // change: a write brings it back.
    void layoutIsSavedOnlyWhenItChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("scope");
        QTest::addColumn<QString>("layout");

        QTest::newRow("same boards") << "none" << false << local << "";
        QTest::newRow("renamed board") << "rename" << false << local << "";
        QTest::newRow("new revision and items") << "revision" << false << local << "";
        QTest::newRow("archived cloud board") << "archiveRemote" << true << remote << "X";
        QTest::newRow("new local board") << "add" << true << local << "A|BCD";
        QTest::newRow("local board gone") << "drop" << true << local << "A|C";
    }

    void layoutIsSavedOnlyWhenItChanges()
    {
        QFETCH(QString, change);
        QFETCH(bool, written);
        QFETCH(QString, scope);
        QFETCH(QString, layout);

        TemporaryPreferences preferences;
        SidebarLayoutController controller(preferences.store());
        QList<Board> boards = boardsNamed(QStringLiteral("ABC")) + boardsNamed(QStringLiteral("XY"), true);
        controller.setBoards(boards);
        QVERIFY(controller.insertDivider(local, 0, true));
        QVERIFY(QFile::exists(preferences.filePath()));
        QVERIFY(QFile::remove(preferences.filePath()));

        if (change == QLatin1String("rename")) {
            boards[1].name = QStringLiteral("Renamed");
        } else if (change == QLatin1String("revision")) {
            boards[0].revision += 3;
            boards[0].items.append(Item {});
        } else if (change == QLatin1String("archiveRemote")) {
            boards[4].isActive = false;
        } else if (change == QLatin1String("add")) {
            boards.append(boardNamed(u'D'));
        } else if (change == QLatin1String("drop")) {
            boards.removeAt(1);
        }
        controller.setBoards(boards);
        QCOMPARE(QFile::exists(preferences.filePath()), written);

        // The section that changed is what the rewritten file holds.
        preferences.reopen();
        if (written)
            QCOMPARE(preferences.storedLayoutNotation(scope), layout);
    }

    void modelFollowsTheController()
    {
        TemporaryPreferences preferences;
        SidebarLayoutController controller(preferences.store());
        SidebarListModel model(&controller, local);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        QList<Board> boards = boardsNamed(QStringLiteral("ABC"));
        boards += boardsNamed(QStringLiteral("X"), true);
        controller.setBoards(boards);
        QCOMPARE(modelNotation(model), QStringLiteral("ABC"));
        QCOMPARE(resets.count(), 1);

        // The same boards again change nothing; a rename is shown.
        controller.setBoards(boards);
        QCOMPARE(resets.count(), 1);
        boards[1].name = QStringLiteral("Renamed");
        controller.setBoards(boards);
        QCOMPARE(resets.count(), 2);
        QCOMPARE(model.index(1).data(SidebarListModel::BoardNameRole).toString(), QStringLiteral("Renamed"));

        // A change of the other section leaves this one alone.
        boards += boardsNamed(QStringLiteral("Y"), true);
        controller.setBoards(boards);
        QCOMPARE(resets.count(), 2);

        QVERIFY(controller.insertDivider(local, 1, true));
        QCOMPARE(model.rowCount(), 4);
        const QModelIndex divider = model.index(2);
        QVERIFY(divider.data(SidebarListModel::IsDividerRole).toBool());
        QCOMPARE(divider.data(SidebarListModel::DividerColorRole).toString(), QStringLiteral("subtleGray"));
        QCOMPARE(divider.data(SidebarListModel::DividerLabelRole).toString(), QStringLiteral("Subtle Gray"));
        QVERIFY(divider.data(Qt::DisplayRole).toString().isEmpty());
        QCOMPARE(divider.data(SidebarListModel::EntryIdRole).toUuid(), model.entryAt(2)->id());
        QVERIFY(!(model.flags(divider) & Qt::ItemIsSelectable));
        QVERIFY(!(model.flags(divider) & Qt::ItemIsDragEnabled));
        QVERIFY(model.flags(model.index(0)) & Qt::ItemIsDragEnabled);
        QCOMPARE(model.index(0).data(SidebarListModel::EntryIdRole).toUuid(), boardIdFor(u'A'));

        QVERIFY(controller.recolorDivider(local, 2, SidebarDividerColor::yellow));
        QCOMPARE(
            model.index(2).data(SidebarListModel::DividerColorRole).toString(), QStringLiteral("yellow"));
        QVERIFY(controller.removeEntry(local, 2));
        QCOMPARE(modelNotation(model), QStringLiteral("ARenamedC"));
    }

    void dragAndDropThroughTheModel()
    {
        TemporaryPreferences preferences;
        SidebarLayoutController controller(preferences.store());
        QList<Board> boards = boardsNamed(QStringLiteral("ABC"));
        boards += boardsNamed(QStringLiteral("X"), true);
        controller.setBoards(boards);
        SidebarListModel localModel(&controller, local);
        SidebarListModel remoteModel(&controller, remote);
        QAbstractItemModelTester tester(&localModel, QAbstractItemModelTester::FailureReportingMode::QtTest);

        QCOMPARE(localModel.mimeTypes(), QStringList {QStringLiteral("net.plenko.board-id")});
        const std::unique_ptr<QMimeData> draggedA(localModel.mimeData({localModel.index(0)}));
        QVERIFY(draggedA);
        QCOMPARE(BoardTransfer::read(draggedA.get()), BoardTransfer {boardIdFor(u'A')});

        // A local board is refused by the cloud section, while hovering and when let go.
        const QModelIndex cloudRow = remoteModel.index(0);
        QVERIFY(!remoteModel.canDropMimeData(draggedA.get(), Qt::MoveAction, -1, 0, cloudRow));
        QVERIFY(!remoteModel.dropMimeData(draggedA.get(), Qt::MoveAction, -1, 0, cloudRow));
        QCOMPARE(notationOf(controller.entries(remote)), QStringLiteral("X"));

        // The first of three dropped on the last row.
        QVERIFY(localModel.dropMimeData(draggedA.get(), Qt::MoveAction, -1, 0, localModel.index(2)));
        QCOMPARE(modelNotation(localModel), QStringLiteral("BAC"));
        QCOMPARE(preferences.storedLayoutNotation(local), QStringLiteral("BAC"));

        // Garbage and drops on a divider row are refused.
        QMimeData garbage;
        garbage.setData(BoardTransfer::mimeType(), "not an id");
        QVERIFY(!localModel.dropMimeData(&garbage, Qt::MoveAction, -1, 0, localModel.index(0)));
        QVERIFY(controller.insertDivider(local, 0, true));
        const std::unique_ptr<QMimeData> draggedC(BoardTransfer {boardIdFor(u'C')}.toMimeData());
        QVERIFY(!localModel.canDropMimeData(draggedC.get(), Qt::MoveAction, -1, 0, localModel.index(1)));
        QVERIFY(!localModel.mimeData({localModel.index(1)}));
        QCOMPARE(modelNotation(localModel), QStringLiteral("B|AC"));
    }
};

QTEST_GUILESS_MAIN(SidebarListModelTest)
#include "SidebarListModelTest.moc"
