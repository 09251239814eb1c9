// Conflict copies in the main window: the marker on the item's card, the board's list of copies
// above the items (reached from the marker or the keyboard), and its three actions, against a real
// workspace and the stand-in service. Set PLENKO_GRAB_DIR to also save pictures of the card and the
// list there.
#include "app/ConflictCopiesView.h"
#include "support/DevServerTestCase.h"

#include "ViewContextFor.h"
#include "WorkspaceFixture.h"
#include "app/BoardContentView.h"
#include "app/ContentView.h"
#include "app/ItemCardView.h"
#include "app/MainContentView.h"
#include "app/NotificationCenter.h"
#include "domain/Ids.h"
#include "store/LocalDataService.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTest>
#include <algorithm>

namespace {
void grabIfAsked(QWidget* widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("PLENKO_GRAB_DIR");
    if (!folder.isEmpty())
        widget->grab().save(QDir(folder).filePath(name));
}

QList<QWidget*> rows(ConflictCopiesView* view)
{
    QList<QWidget*> found;
    for (QWidget* child : view->findChildren<QWidget*>(QStringLiteral("conflictCopyRow"))) {
        if (!child->isHidden()) // rows being replaced are hidden until they are deleted
            found.append(child);
    }
    return found;
}
}

class ConflictCopiesViewTest : public DevServerTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void markerListAndActions()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        NotificationCenter center;
        ContentView view(contextFor(client, center));
        view.resize(900, 640);
        view.show();
        QCoro::waitFor(view.start());
        const Board board = client.createSelectedBoard(QStringLiteral("Plans"), StorageOption::cloud);
        const Item item = client.addItem(board.id, QStringLiteral("Ship the **beta** on Friday"));
        const Item other = client.addItem(board.id, QStringLiteral("Write the notes"));

        BoardContentView* list = view.mainContent()->content();
        ConflictCopiesView* conflicts = list->conflictCopies();
        QTRY_VERIFY(list->card(item.id));
        QVERIFY(!conflicts->isVisible());
        QVERIFY(list->card(item.id)->conflictMarker()->isHidden());

        // The user's version holds markup-like text: shown exactly as written.
        Item mine = item;
        mine.content = QStringLiteral("Ship the <b>beta</b> on Monday");
        client.workspace().conflictCopies().keep(ConflictCopy::of(mine, ConflictReason::replaced, board.name));
        QTRY_VERIFY(conflicts->isVisible());
        QCOMPARE(conflicts->header()->text(), QStringLiteral("▸ Conflict copies (1)"));
        ItemCardView* card = list->card(item.id);
        QVERIFY(card->conflictMarker()->isVisible());
        QCOMPARE(card->conflictMarker()->text(), QStringLiteral("Conflict copy"));
        QVERIFY(list->card(other.id)->conflictMarker()->isHidden());
        grabIfAsked(card, QStringLiteral("card-with-conflict.png"));

        // The marker opens the list and puts the keyboard on its first action.
        QTest::mouseClick(card->conflictMarker(), Qt::LeftButton);
        QTRY_VERIFY(conflicts->isExpanded());
        QCOMPARE(rows(conflicts).size(), 1);
        QWidget* row = rows(conflicts).first();
        QCOMPARE(row->findChild<QLabel*>(QStringLiteral("conflictCopyText"))->text(), mine.content);
        QCOMPARE(row->findChild<QLabel*>(QStringLiteral("conflictCopyText"))->textFormat(), Qt::PlainText);
        QVERIFY(row->findChild<QLabel*>(QStringLiteral("conflictCopyReason"))->text().startsWith(
            QStringLiteral("The service kept another version of this item.")));
        auto* restore = row->findChild<QPushButton*>(QStringLiteral("restoreConflictCopy"));
        QCOMPARE(restore->text(), QStringLiteral("Restore my version"));
        QTRY_VERIFY(restore->hasFocus());
        grabIfAsked(list, QStringLiteral("conflicts-list.png"));

        // Copy text puts the version on the clipboard and keeps the copy.
        QTest::mouseClick(row->findChild<QPushButton*>(QStringLiteral("copyConflictCopy")), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), mine.content);
        QCOMPARE(client.workspace().conflictCopies().all().size(), 1);

        // The header closes and opens the list from the keyboard.
        conflicts->header()->setFocus();
        QTest::keyClick(conflicts->header(), Qt::Key_Space);
        QVERIFY(!conflicts->isExpanded());
        QVERIFY(rows(conflicts).isEmpty());
        QTest::keyClick(conflicts->header(), Qt::Key_Space);
        QVERIFY(conflicts->isExpanded());

        // Restore sends the version as an edit; the copy and the marker go.
        restore = rows(conflicts).first()->findChild<QPushButton*>(QStringLiteral("restoreConflictCopy"));
        QTest::mouseClick(restore, Qt::LeftButton);
        QTRY_VERIFY(client.workspace().conflictCopies().all().isEmpty());
        QTRY_COMPARE(LocalDataService::fetchLocalItem(item.id, client.store())->content(), mine.content);
        QTRY_VERIFY(LocalDataService::fetchLocalItem(item.id, client.store())->didSync());
        QTRY_VERIFY(!conflicts->isVisible());
        QTRY_VERIFY(list->card(item.id)->conflictMarker()->isHidden());

        // Discard drops a copy without touching the item.
        std::optional<Item> again = client.shownItem(board.id, other.id);
        QVERIFY(again);
        again->content = QStringLiteral("Notes, my way");
        client.workspace().conflictCopies().keep(ConflictCopy::of(*again, ConflictReason::refused, board.name));
        QTRY_VERIFY(conflicts->isVisible());
        QTRY_COMPARE(rows(conflicts).size(), 1);
        QTest::mouseClick(rows(conflicts).first()->findChild<QPushButton*>(QStringLiteral("discardConflictCopy")),
            Qt::LeftButton);
        QTRY_VERIFY(client.workspace().conflictCopies().all().isEmpty());
        QTRY_VERIFY(!conflicts->isVisible());
        QCOMPARE(LocalDataService::fetchLocalItem(other.id, client.store())->content(), QStringLiteral("Write the notes"));
    }
};

QTEST_MAIN(ConflictCopiesViewTest)
#include "ConflictCopiesViewTest.moc"
