// The item list of a board with thousands of items, shown and scrolled offscreen: only the rows near
// the view have card widgets, and what the user does with a card outlives scrolling.
#include "ViewContextFor.h"
#include "WorkspaceFixture.h"
#include "app/BoardContentView.h"
#include "app/ItemCardView.h"
#include "app/AuxiliaryScenes.h"
#include "app/AuxiliaryWindows.h"
#include "app/ItemListState.h"
#include "app/MainContentView.h"
#include "app/TopNavigationView.h"
#include "app/NotificationCenter.h"
#include "richtext/EditorView.h"
#include "richtext/MarkdownTextEditor.h"
#include "richtext/MentionTextView.h"
#include "insights/BoardDashboardView.h"
#include "insights/BoardDashboardWindow.h"
#include "session/AuthState.h"
#include "store/LocalRecordConversions.h"
#include "store/StoreContext.h"
#include "workspace/BoardViewModel.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QStandardPaths>
#include <QTest>

namespace {
// Texts of one to five lines, so the rows differ in height and some cards are clipped.
QString textOf(int index)
{
    QString text = QStringLiteral("item %1").arg(index);
    for (int line = 0; line < index % 5; ++line)
        text += QStringLiteral("\n\nmore about item %1, line %2").arg(index).arg(line);
    return text;
}

// `count` todo items written to the store at once (adding them one by one through the workspace
// would take minutes), then the board selected so the workspace reads them.
QList<Item> fillBoard(WorkspaceClient& client, int count, int archived = 0)
{
    const Board board = client.createBoard(QStringLiteral("Long"), StorageOption::local);
    QList<Item> items;
    for (int index = 0; index < count + archived; ++index) {
        Item item = client.newItem(board, textOf(index));
        item.order = index + 1;
        if (index >= count)
            item.archivedAt = item.updatedAt;
        client.store().insert(makeLocalItem(item));
        items << item;
    }
    if (auto saved = client.store().save(); !saved)
        qFatal("items not stored: %s", qPrintable(saved.error().message));
    QCoro::waitFor(client.workspace().selectBoard(board.id));
    if (client.workspace().selectedBoard().items.size() != items.size())
        qFatal("the board did not load its items");
    return items;
}

// The board's list in a window of its own, shown as the user sees it.
struct ShownList
{
    ShownList(WorkspaceClient& client, QSize size)
        : list(contextFor(client, center))
    {
        list.resize(size);
        list.show();
        exposed = QTest::qWaitForWindowExposed(&list);
    }

    NotificationCenter center;
    BoardContentView list;
    bool exposed = false;
};

void loadAllPages(BoardContentView& list)
{
    while (list.hasMore())
        list.loadMore();
}

// A bounded number of pages, for a list whose end is still on its way.
void loadAllPages(BoardContentView* list, int pages)
{
    for (int page = 0; page < pages && list->hasMore(); ++page)
        list->loadMore();
}

QList<ItemCardView*> liveCardWidgets(BoardContentView& list)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return list.scrollArea()->widget()->findChildren<ItemCardView*>();
}

// The cards shown in the view, top to bottom.
QList<ItemCardView*> cardsInView(BoardContentView& list)
{
    QWidget* viewport = list.scrollArea()->viewport();
    QList<ItemCardView*> shown;
    for (ItemCardView* card : liveCardWidgets(list)) {
        const QRect inViewport(card->mapTo(viewport, QPoint(0, 0)), card->size());
        if (card->isVisibleTo(&list) && inViewport.intersects(viewport->rect()))
            shown << card;
    }
    std::sort(shown.begin(), shown.end(), [](ItemCardView* a, ItemCardView* b) { return a->y() < b->y(); });
    return shown;
}

// The view shows consecutive items of the list, each card with its own item's text, none covering
// another, and no gap in the view where a card should be.
void verifyViewShowsTheList(
    BoardContentView& list, const QList<QUuid>& order, const QHash<QUuid, QString>& texts)
{
    const QList<ItemCardView*> shown = cardsInView(list);
    QVERIFY(!shown.isEmpty());
    const qsizetype first = order.indexOf(shown.first()->item().id);
    QVERIFY(first >= 0);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        ItemCardView* card = shown.at(i);
        QCOMPARE(card->item().id, order.at(first + i));
        QCOMPARE(card->textView()->text(), texts.value(card->item().id));
        QCOMPARE(list.card(card->item().id), card);
        QVERIFY2(card->height() >= card->heightForWidth(card->width()),
            qPrintable(QStringLiteral("card %1 is cut short").arg(first + i)));
        if (i > 0) {
            const int gap = card->y() - shown.at(i - 1)->geometry().bottom();
            QVERIFY2(gap > 0 && gap < 20,
                qPrintable(QStringLiteral("gap of %1 px above card %2").arg(gap).arg(first + i)));
        }
    }
    // Unless the list ends above it, the view is filled down to its bottom edge (the next card may
    // begin just below it, after the spacing).
    QWidget* viewport = list.scrollArea()->viewport();
    const int lastBottom = shown.last()->mapTo(viewport, QPoint(0, shown.last()->height())).y();
    if (first + shown.size() < order.size())
        QVERIFY2(lastBottom + 12 >= viewport->height(),
            qPrintable(
                QStringLiteral("the view (%1 px) ends its cards at %2 px, card %3 of %4; value %5 of %6")
                    .arg(viewport->height())
                    .arg(lastBottom)
                    .arg(first + shown.size())
                    .arg(order.size())
                    .arg(list.scrollArea()->verticalScrollBar()->value())
                    .arg(list.scrollArea()->verticalScrollBar()->maximum())));
}
}

class LongItemListTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Restarted over a large board, the window shows its first page with the whole board's counts:
    // the tab counts every live item, the list says more is coming instead of ending after the
    // page, and the archived section waits for the live items above it.
    void firstPageShowsTheWholeBoardsCounts()
    {
        WorkspaceClient client(nullptr, QString());
        fillBoard(client, 300, 5);
        client.reopen();
        BoardViewModel& workspace = client.workspace();
        QSignalSpy rest(&workspace, &BoardViewModel::restOfBoardRead);
        workspace.setFirstPage(100, 20);
        workspace.loadBoards(false);
        QVERIFY(workspace.selectedBoard().hasFirstPageOnly());

        NotificationCenter center;
        MainContentView main(contextFor(client, center));
        main.resize(900, 700);
        // Checked before any event is handled, so the rest cannot have been taken yet.
        BoardContentView* list = main.content();
        QCOMPARE(main.tabs()->tabText(ViewMode::todo), QStringLiteral("Todo (300)"));
        QCOMPARE(list->liveItems().size(), 20);
        loadAllPages(list, 5);
        QVERIFY(list->hasMore());
        QVERIFY(!list->archivedHeader()->isVisibleTo(list));
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));

        if (rest.isEmpty())
            QVERIFY(rest.wait(5000));
        QVERIFY(workspace.selectedBoard().hasItemsLoaded());
        QCOMPARE(main.tabs()->tabText(ViewMode::todo), QStringLiteral("Todo (300)"));
        loadAllPages(*list);
        QCOMPARE(list->liveItems().size(), 300);
        QVERIFY(list->archivedHeader()->isVisibleTo(list));
        QCOMPARE(list->archivedHeader()->text(), QStringLiteral("Archived (5)"));
    }

    // Right after start a 20,000-item board shows its first page (100 items a column). A search or
    // an assignee filter then says it is searching instead of answering for that page, and answers
    // over the whole board once the rest is read; the dashboard reads the whole board at once.
    void searchFilterAndDashboardAnswerForTheWholeBoard_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("search") << "search";
        QTest::newRow("assignee filter") << "filter";
        QTest::newRow("dashboard") << "dashboard";
    }

    void searchFilterAndDashboardAnswerForTheWholeBoard()
    {
        QFETCH(QString, how);
        constexpr int count = 20000;
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createBoard(QStringLiteral("Huge"), StorageOption::local);
        const QUuid assignee = QUuid::createUuid();
        QUuid lastId;
        for (int index = 0; index < count; ++index) {
            Item item = client.newItem(board, QStringLiteral("item %1").arg(index));
            item.order = index + 1;
            if (index == count - 1) {
                item.assignee = assignee;
                lastId = item.id;
            }
            client.store().insert(makeLocalItem(item));
        }
        QVERIFY(client.store().save());
        client.reopen();
        BoardViewModel& workspace = client.workspace();
        QSignalSpy rest(&workspace, &BoardViewModel::restOfBoardRead);
        workspace.loadBoards(false);
        QVERIFY(workspace.selectedBoard().hasFirstPageOnly());

        if (how == QLatin1String("dashboard")) {
            UsageAnalytics analytics {AnalyticsSettings {}};
            AuthState auth(client.api(), analytics, client.toasts(), [](const QUrl&) { return true; });
            AuxiliaryWindows windows;
            AuxiliaryScenes {workspace, auth, client.toasts(), {}}.registerIn(windows);
            windows.open(QString::fromLatin1(BoardDashboardWindow::identifier));
            auto* dashboard = qobject_cast<BoardDashboardWindow*>(
                windows.window(QString::fromLatin1(BoardDashboardWindow::identifier)));
            QVERIFY(dashboard);
            QCOMPARE(dashboard->view()->board().items.size(), count);
            windows.closeAll();
            if (rest.isEmpty())
                QVERIFY(rest.wait(10000));
            return;
        }

        NotificationCenter center;
        MainContentView main(contextFor(client, center));
        BoardContentView* list = main.content();
        if (how == QLatin1String("search"))
            workspace.setSearchQuery(QStringLiteral("item %1").arg(count - 1));
        else
            main.setAssigneeFilter({assignee, false});
        // Before any event is handled: the rest of the board cannot have been taken yet.
        QVERIFY(workspace.selectedBoard().hasFirstPageOnly());
        QLabel* busy = list->loadingLabel();
        auto* empty = list->findChild<QLabel*>(QStringLiteral("emptyListLabel"));
        QVERIFY(list->liveItems().isEmpty());
        QVERIFY(busy->isVisibleTo(list));
        QCOMPARE(busy->text(), QStringLiteral("Searching the whole board…"));
        QVERIFY2(!empty->isVisibleTo(list), "no answer is given before the board is whole");

        if (rest.isEmpty())
            QVERIFY(rest.wait(10000));
        QVERIFY(workspace.selectedBoard().hasItemsLoaded());
        QTRY_COMPARE(list->liveItems().size(), 1);
        QCOMPARE(list->liveItems().first()->id, lastId);
        QVERIFY(!list->loadingLabel()->isVisibleTo(list));
    }

    void cardWidgetsStayBoundedWhileScrolling_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("step");
        QTest::newRow("narrow, small steps") << 360 << 90;
        QTest::newRow("wide, page steps") << 900 << 640;
    }

    // Scrolling the whole list down and back up: the view always shows the right items, and the
    // number of card widgets does not grow with the rows passed.
    void cardWidgetsStayBoundedWhileScrolling()
    {
        QFETCH(int, width);
        QFETCH(int, step);
        WorkspaceClient client(nullptr, QString());
        const QList<Item> items = fillBoard(client, 1500, 30);
        ShownList shown(client, QSize(width, 700));
        QVERIFY(shown.exposed);
        BoardContentView& list = shown.list;
        list.setArchivedExpanded(true);
        loadAllPages(list);
        QCoreApplication::processEvents();

        QHash<QUuid, QString> texts;
        for (const Item& item : items)
            texts.insert(item.id, item.content);
        const QList<QUuid> order = list.shownItemIds();
        QCOMPARE(order.size(), items.size());
        QCOMPARE(order.last(), items.last().id);

        QScrollBar* bar = list.scrollArea()->verticalScrollBar();
        qsizetype mostWidgets = 0;
        int steps = 0;
        const auto scrollTo = [&](int value) {
            bar->setValue(value);
            QCoreApplication::processEvents();
            mostWidgets = std::max(mostWidgets, liveCardWidgets(list).size());
            ++steps;
        };
        // Down to the end, then back up to the top.
        for (const bool down : {true, false}) {
            while (down ? bar->value() < bar->maximum() : bar->value() > 0) {
                scrollTo(bar->value() + (down ? step : -step));
                if (steps % 25 == 0)
                    verifyViewShowsTheList(list, order, texts);
                if (QTest::currentTestFailed())
                    return;
                QVERIFY(steps < 100000);
            }
            verifyViewShowsTheList(list, order, texts);
            if (QTest::currentTestFailed())
                return;
            const QList<ItemCardView*> inView = cardsInView(list);
            QCOMPARE((down ? inView.last() : inView.first())->item().id, (down ? items.last() : items.first()).id);
        }
        // A 700-pixel view holds about ten cards; the rows around it and the spare cards add a few
        // dozen at most, against 1,530 rows.
        QVERIFY2(mostWidgets <= 60, qPrintable(QStringLiteral("%1 card widgets").arg(mostWidgets)));
        QVERIFY(steps > 50);
    }

    // Text typed into a card's editor is still there after the card scrolled far out and back.
    void editingCardSurvivesScrolling()
    {
        WorkspaceClient client(nullptr, QString());
        const QList<Item> items = fillBoard(client, 800);
        ShownList shown(client, QSize(480, 600));
        QVERIFY(shown.exposed);
        BoardContentView& list = shown.list;
        loadAllPages(list);

        const Item& edited = items.at(2);
        QPointer<ItemCardView> card = list.ensureCardFor(edited.id);
        QVERIFY(card);
        card->trigger(ItemCardAction::edit);
        QVERIFY(card->isEditing());
        QPointer<EditorView> editor = card->editor();
        QVERIFY(editor);
        editor->textEditor()->setFocus();
        editor->textEditor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor->textEditor(), QStringLiteral(" typed before scrolling"));
        const QString typed = editor->text();
        QVERIFY(typed.endsWith(QStringLiteral(" typed before scrolling")));

        QScrollBar* bar = list.scrollArea()->verticalScrollBar();
        for (int value = 0; value < bar->maximum(); value += 500) {
            bar->setValue(value);
            QCoreApplication::processEvents();
        }
        bar->setValue(bar->maximum());
        QCoreApplication::processEvents();
        QVERIFY(list.card(items.last().id));
        // Other rows passed through the view: none of them took the editing card.
        QVERIFY(card);
        QCOMPARE(card->item().id, edited.id);
        QVERIFY(liveCardWidgets(list).size() <= 60);

        bar->setValue(0);
        QCoreApplication::processEvents();
        QCOMPARE(list.card(edited.id), card.data());
        QVERIFY(card->isEditing());
        QCOMPARE(card->editor(), editor.data());
        QCOMPARE(editor->text(), typed);
        QVERIFY(cardsInView(list).contains(card.data()));
    }

    // Down from the first card reaches the last item of a list of many pages, each card scrolled
    // into view and named for a screen reader as it takes the focus; Up comes back.
    void keyboardReachesTheLastItem()
    {
        WorkspaceClient client(nullptr, QString());
        const int count = BoardContentView::pageSize * 6 + 7;
        const QList<Item> items = fillBoard(client, count);
        ShownList shown(client, QSize(480, 600));
        QVERIFY(shown.exposed);
        BoardContentView& list = shown.list;
        QVERIFY(list.hasMore());

        ItemCardView* first = list.ensureCardFor(items.first().id);
        QVERIFY(first);
        first->setFocus(Qt::TabFocusReason);
        QWidget* viewport = list.scrollArea()->viewport();
        for (int i = 1; i < count; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
            auto* focused = qobject_cast<ItemCardView*>(QApplication::focusWidget());
            QVERIFY2(focused && focused->item().id == items.at(i).id,
                qPrintable(QStringLiteral("after %1 Down").arg(i)));
            const QRect inViewport(focused->mapTo(viewport, QPoint(0, 0)), focused->size());
            QVERIFY2(viewport->rect().contains(inViewport),
                qPrintable(QStringLiteral("card %1 is not in view").arg(i)));
        }
        QVERIFY(!list.hasMore());
        auto* last = qobject_cast<ItemCardView*>(QApplication::focusWidget());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(last);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name).simplified(), textOf(count - 1).simplified());
        QVERIFY(accessible->state().focused);

        // Back up past the cards that were let go on the way down.
        for (int i = count - 2; i >= count - 40; --i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        auto* back = qobject_cast<ItemCardView*>(QApplication::focusWidget());
        QVERIFY(back);
        QCOMPARE(back->item().id, items.at(count - 40).id);
        QVERIFY(liveCardWidgets(list).size() <= 60);

        // Tab goes on from card to card (through each card's buttons) past the cards made at first.
        ItemCardView* top = list.ensureCardFor(items.first().id);
        QVERIFY(top);
        top->setFocus(Qt::TabFocusReason);
        QList<QUuid> visited {items.first().id};
        for (int press = 0; press < 300 && visited.size() < 30; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (auto* focused = qobject_cast<ItemCardView*>(QApplication::focusWidget()))
                visited << focused->item().id;
        }
        QCOMPARE(visited.size(), 30);
        for (int i = 0; i < visited.size(); ++i)
            QCOMPARE(visited.at(i), items.at(i).id);
    }

    // One item of a column with several pages loaded moves within it or leaves it: every loaded row
    // is found again at its new place, and rows that the move pushed past the loaded pages are not.
    void changeFindsEveryRowAtItsNewPlace_data()
    {
        QTest::addColumn<int>("changed");
        QTest::addColumn<QString>("change");
        QTest::newRow("to the top") << 120 << "order 0";
        QTest::newRow("past the loaded pages") << 5 << "order 1000";
        QTest::newRow("archived") << 5 << "archive";
        QTest::newRow("to In Progress") << 130 << "status";
    }

    void changeFindsEveryRowAtItsNewPlace()
    {
        QFETCH(int, changed);
        QFETCH(QString, change);
        WorkspaceClient client(nullptr, QString());
        const QList<Item> items = fillBoard(client, 1000);
        ShownList shown(client, QSize(480, 600));
        QVERIFY(shown.exposed);
        BoardContentView& list = shown.list;
        loadAllPages(&list, 3);
        Item item = items.at(changed);
        // The changed item's card is there when the change comes.
        QVERIFY(list.ensureCardFor(item.id));

        if (change == QLatin1String("order 0"))
            item.order = 0;
        else if (change == QLatin1String("order 1000"))
            item.order = 1000;
        else if (change == QLatin1String("archive"))
            item.archivedAt = QDateTime::currentDateTimeUtc();
        else
            item.status = ItemStatus::inProgress;
        item.updatedAt = QDateTime::currentDateTimeUtc();
        QCoro::waitFor(client.workspace().updateItem(item));
        QCoreApplication::processEvents();

        QList<Item> column;
        for (const Item& candidate : items) {
            const Item& now = candidate.id == item.id ? item : candidate;
            if (now.status == ItemStatus::todo && !now.isArchived())
                column << now;
        }
        std::stable_sort(column.begin(), column.end(), [](const Item& a, const Item& b) { return a.order < b.order; });
        QList<QUuid> columnIds;
        QHash<QUuid, QString> texts;
        for (const Item& each : std::as_const(column)) {
            columnIds << each.id;
            texts.insert(each.id, each.content);
        }

        // Each card is its own item's, in the rows' order, before and after scrolling.
        const auto verifyCards = [&list](const QList<QUuid>& loaded) {
            const QList<ItemCardView*> cards = list.cards();
            QVERIFY(!cards.isEmpty());
            for (qsizetype i = 0; i < cards.size(); ++i) {
                const QUuid id = cards.at(i)->item().id;
                QCOMPARE(list.card(id), cards.at(i));
                QVERIFY(loaded.contains(id));
                if (i > 0)
                    QVERIFY(loaded.indexOf(cards.at(i - 1)->item().id) < loaded.indexOf(id));
            }
        };
        verifyCards(list.shownItemIds());
        if (QTest::currentTestFailed())
            return;

        // Scrolling near the end loads more rows: the loaded rows are always the column's first ones.
        for (int place = 0; place < 3; ++place) {
            const QList<QUuid> loaded = list.shownItemIds();
            QCOMPARE(loaded, columnIds.first(loaded.size()));
            const qsizetype row = place * (loaded.size() - 1) / 2;
            ItemCardView* card = list.ensureCardFor(loaded.at(row));
            QVERIFY2(card, qPrintable(QStringLiteral("row %1 has no card").arg(row)));
            QCOMPARE(card->item().id, loaded.at(row));
            verifyViewShowsTheList(list, list.shownItemIds(), texts);
        }
        // The first row past the loaded ones, and an item that left the column, have no row.
        const QList<QUuid> loaded = list.shownItemIds();
        QVERIFY(loaded.size() < columnIds.size());
        QVERIFY(!list.ensureCardFor(columnIds.at(loaded.size())));
        if (!columnIds.contains(item.id))
            QVERIFY(!list.ensureCardFor(item.id));
        verifyCards(loaded);
    }

    // An item that changes while its row has no card shows the change, at its new height, when it
    // is scrolled back into view.
    void changedItemShowsAfterScrollingBack()
    {
        WorkspaceClient client(nullptr, QString());
        const QList<Item> items = fillBoard(client, 600);
        ShownList shown(client, QSize(480, 600));
        QVERIFY(shown.exposed);
        BoardContentView& list = shown.list;
        loadAllPages(list);
        const Item target = items.at(1);
        QVERIFY(list.card(target.id));
        const int shortHeight = list.card(target.id)->height();

        QScrollBar* bar = list.scrollArea()->verticalScrollBar();
        bar->setValue(bar->maximum());
        QCoreApplication::processEvents();
        QVERIFY(!list.card(target.id));

        Item changed = target;
        changed.content = QStringLiteral("rewritten while out of view\n\nwith\n\nfour\n\nparagraphs");
        changed.updatedAt = QDateTime::currentDateTimeUtc();
        QCoro::waitFor(client.workspace().updateItem(changed));
        QCoreApplication::processEvents();

        bar->setValue(0);
        QCoreApplication::processEvents();
        ItemCardView* card = list.card(target.id);
        QVERIFY(card);
        QCOMPARE(card->textView()->text(), changed.content);
        QCOMPARE(card->accessibleName().simplified(), changed.content.simplified());
        QVERIFY(card->height() > shortHeight);
        QHash<QUuid, QString> texts;
        for (const Item& item : items)
            texts.insert(item.id, item.id == target.id ? changed.content : item.content);
        verifyViewShowsTheList(list, list.shownItemIds(), texts);
    }
};

QTEST_MAIN(LongItemListTest)
#include "LongItemListTest.moc"
