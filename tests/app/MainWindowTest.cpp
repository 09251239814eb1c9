// The main window against a real workspace: a real store and preference file in a temporary folder
// and, for cloud boards, the stand-in service on 127.0.0.1. Widgets run on the offscreen platform.
#include "ShownBoard.h"
#include "WorkspaceFixture.h"
#include "app/AppAccessibility.h"
#include "app/AppCommands.h"
#include "app/AppNotifications.h"
#include "app/BoardContentView.h"
#include "app/BoardEditorShortcutMonitor.h"
#include "app/BoardInfoView.h"
#include "app/ContentView.h"
#include "app/EditHistoryActions.h"
#include "app/ItemCardView.h"
#include "app/ItemListState.h"
#include "app/MainContentView.h"
#include "app/NotificationCenter.h"
#include "app/RailButton.h"
#include "app/RailView.h"
#include "app/ToastView.h"
#include "app/TopNavigationView.h"
#include "app/TrashView.h"
#include "app/sidebar/SidebarView.h"
#include "richtext/EditorView.h"
#include "richtext/FloatingNewItemComposer.h"
#include "richtext/MarkdownTextEditor.h"
#include "richtext/MentionTextView.h"
#include "sidebar/SidebarListModel.h"
#include "store/PreferenceKeys.h"
#include "support/DevServerTestCase.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>

namespace {
// The widgets the Tab key visits from `start`, in order, once round the window.
QList<QWidget*> tabCycle(QWidget* start)
{
    QList<QWidget*> visited;
    start->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 200; ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || visited.contains(focus))
            break;
        visited << focus;
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    return visited;
}

// Every accessible object below `root`, depth first.
void collectAccessible(QAccessibleInterface* root, QList<QAccessibleInterface*>& out)
{
    if (!root)
        return;
    out << root;
    for (int i = 0; i < root->childCount(); ++i)
        collectAccessible(root->child(i), out);
}

QAccessibleInterface* findAccessible(QWidget* root, QAccessible::Role role, const QString& name)
{
    QList<QAccessibleInterface*> all;
    collectAccessible(QAccessible::queryAccessibleInterface(root), all);
    for (QAccessibleInterface* candidate : std::as_const(all)) {
        if (candidate->role() == role && candidate->text(QAccessible::Name) == name)
            return candidate;
    }
    return nullptr;
}

QStringList contents(const QList<const Item*>& items)
{
    QStringList result;
    for (const Item* item : items)
        result << item->content;
    return result;
}
}

class MainWindowTest : public DevServerTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // As the application does on start, before anything asks for an accessible interface.
        AppAccessibility::install();
        DevServerTestCase::initTestCase();
    }

    void firstStartCreatesTheLocalBoard()
    {
        WorkspaceClient client(nullptr, QString());
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        NotificationCenter center;
        {
            ContentView view(contextFor(client, center));
            QCoro::waitFor(view.start());
            QCOMPARE(client.workspace().boards().size(), 1);
            const Board board = client.workspace().boards().first();
            QCOMPARE(board.name, QStringLiteral("On This Computer"));
            QVERIFY(!board.syncWithServer);
            QCOMPARE(client.workspace().selectedBoard().id, board.id);
            QCOMPARE(view.mainContent()->titleLabel()->text(), QStringLiteral("On This Computer"));
            QCOMPARE(client.preferences().get(PreferenceKeys::selectedBoardId()), std::optional(board.id));
        }
        // A second start finds the board and makes no other.
        client.reopen();
        ContentView again(contextFor(client, center));
        QCoro::waitFor(again.start());
        QCOMPARE(client.workspace().boards().size(), 1);
    }

    void restoresAndKeepsTheSelectedBoard()
    {
        WorkspaceClient client(nullptr, QString());
        const Board first = client.createBoard(QStringLiteral("First"), StorageOption::local);
        const Board second = client.createBoard(QStringLiteral("Second"), StorageOption::local);
        client.preferences().set(std::optional(second.id), PreferenceKeys::selectedBoardId());
        client.reopen();

        NotificationCenter center;
        ContentView view(contextFor(client, center));
        QCoro::waitFor(view.start());
        QCOMPARE(client.workspace().selectedBoard().id, second.id);
        QCOMPARE(client.workspace().boards().size(), 2);

        QCoro::waitFor(client.workspace().selectBoard(first.id));
        QCOMPARE(client.preferences().get(PreferenceKeys::selectedBoardId()), std::optional(first.id));
    }

    void tabShortcutsWorkWhileEditing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("Ctrl+2") << int(Qt::Key_2) << int(ViewMode::inProgress);
        QTest::newRow("Ctrl+3") << int(Qt::Key_3) << int(ViewMode::done);
    }

    void tabShortcutsWorkWhileEditing()
    {
        QFETCH(int, key);
        QFETCH(int, expected);
        WorkspaceClient client(nullptr, QString());
        NotificationCenter center;
        BoardEditorShortcutMonitor monitor(center);
        ContentView view(contextFor(client, center));
        view.resize(900, 600);
        view.show();
        QCoro::waitFor(view.start());
        const Item item = client.addItem(client.workspace().selectedBoard().id, QStringLiteral("write tests"));
        BoardContentView* list = view.mainContent()->content();
        QTRY_VERIFY(list->card(item.id));
        list->card(item.id)->trigger(ItemCardAction::edit);
        QPointer<EditorView> editor = list->card(item.id)->editor();
        QVERIFY(editor);
        editor->textEditor()->setFocus();
        QTRY_VERIFY(editor->textEditor()->hasFocus());
        const QString before = editor->text();

        QTest::keyClick(editor->textEditor(), Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(int(view.currentView()), expected);
        QCOMPARE(view.mainContent()->tabs()->currentView(), ViewMode(expected));
        if (editor)
            QCOMPARE(editor->text(), before);
        QCOMPARE(client.shownItem(item.boardId, item.id)->content, QStringLiteral("write tests"));

        center.post(AppNotification::requestTodoTab);
        QCOMPARE(view.currentView(), ViewMode::todo);
    }

    void sidebarToggleAndRail()
    {
        WorkspaceClient client(nullptr, QString());
        NotificationCenter center;
        ContentView view(contextFor(client, center));
        QVERIFY(view.isSidebarVisible());
        center.post(AppNotification::requestSidebarToggle);
        QVERIFY(!view.isSidebarVisible());
        center.post(AppNotification::requestSidebarToggle);
        QVERIFY(view.isSidebarVisible());
        QSignalSpy windows(&view, &ContentView::windowRequested);
        QSignalSpy closes(&view, &ContentView::closeAuxiliaryWindowsRequested);
        view.mainContent()->settingsButton()->click();
        QCOMPARE(windows.count(), 1);
        QCOMPARE(windows.first().at(0).toString(), QStringLiteral("board-settings"));
        QCOMPARE(windows.first().at(1).toString(), QString());
        QCOMPARE(closes.count(), 1);
    }

    void refreshRules_data()
    {
        QTest::addColumn<bool>("cloud");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("help");
        QTest::newRow("local board") << false << false << "Refresh is only available for cloud boards";
        QTest::newRow("cloud board") << true << true << "Refresh board (Ctrl+R)";
    }

    void refreshRules()
    {
        QFETCH(bool, cloud);
        QFETCH(bool, enabled);
        QFETCH(QString, help);
        WorkspaceClient client(m_server.get(), QStringLiteral("refresh@plenko.test"));
        QVERIFY2(client.isValid(), qPrintable(client.errorString()));
        const Board board = client.createBoard(QStringLiteral("Board"), cloud ? StorageOption::cloud : StorageOption::local);
        QVERIFY(!board.id.isNull());
        QCoro::waitFor(client.workspace().selectBoard(board.id));
        NotificationCenter center;
        MainContentView main(contextFor(client, center));
        QCOMPARE(main.refreshButton()->isEnabled(), enabled);
        QCOMPARE(main.refreshButton()->toolTip(), help);

        client.toasts().setToast(std::nullopt);
        main.refreshBoard();
        if (cloud) {
            QTRY_VERIFY(client.workspace().boardRefreshStates().contains(board.id));
        } else {
            QTest::qWait(50);
            QVERIFY(!client.workspace().boardRefreshStates().contains(board.id));
            QVERIFY(!client.workspace().syncingBoards().contains(board.id));
            QVERIFY(!client.lastToast());
        }
    }

    void copyContentCopiesTheMarkdownSource()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createBoard(QStringLiteral("Local"), StorageOption::local);
        const Item item = client.addItem(board.id, QStringLiteral("**Ship** the [docs](https://example.com)"));
        NotificationCenter center;
        ItemListState state;
        ItemCardView card(contextFor(client, center), state);
        card.setItem(*client.shownItem(board.id, item.id));
        QVERIFY(card.textView()->document()->toPlainText() != item.content);
        card.trigger(ItemCardAction::copyContent);
        QCOMPARE(QApplication::clipboard()->text(), item.content);
        QCOMPARE(client.toastText(), QStringLiteral("Copied item content"));
        QCOMPARE(client.lastToast()->type, ToastType::success);
    }

    // Edit ▸ Undo names the last item step and Ctrl+Z takes it back outside text; Ctrl+Shift+Z and
    // Ctrl+Y redo it; in a text field the keys and the menu are the field's own.
    void editMenuUndoesItemSteps()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createSelectedBoard(QStringLiteral("Local"));
        const Item item = client.addItem(board.id, QStringLiteral("first"));
        NotificationCenter center;
        QMainWindow window;
        AppCommands commands(*window.menuBar(), center, {});
        new EditHistoryActions(commands, client.history());
        auto* list = new BoardContentView(contextFor(client, center));
        window.setCentralWidget(list);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAction* undo = commands.undoAction();
        QCOMPARE(undo->text(), QStringLiteral("Undo"));
        QVERIFY(!undo->isEnabled());

        list->card(item.id)->trigger(ItemCardAction::moveToDone);
        QTRY_COMPARE(undo->text(), QStringLiteral("Undo Move to Done"));
        list->setFocus();
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(client.shownItem(board.id, item.id)->status, ItemStatus::todo);
        QTRY_COMPARE(commands.redoAction()->text(), QStringLiteral("Redo Move to Done"));
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(client.shownItem(board.id, item.id)->status, ItemStatus::done);
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(client.shownItem(board.id, item.id)->status, ItemStatus::todo);
        QTRY_VERIFY(commands.redoAction()->isEnabled());
        QTest::keyClick(&window, Qt::Key_Y, Qt::ControlModifier);
        QTRY_COMPARE(client.shownItem(board.id, item.id)->status, ItemStatus::done);

        auto* field = new QLineEdit(list);
        field->show();
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClicks(field, QStringLiteral("hello"));
        QCOMPARE(undo->text(), QStringLiteral("Undo"));
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(field->text() != QStringLiteral("hello"));
        QCOMPARE(client.shownItem(board.id, item.id)->status, ItemStatus::done);
        QCOMPARE(client.history().undoText(), QStringLiteral("Move to Done"));
    }

    // The trash above the list: opened from the keyboard, Restore puts an item back, and Delete
    // Permanently happens only once the question is answered with Delete.
    void trashRestoresAndAsksFirst()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createSelectedBoard(QStringLiteral("Local"));
        const Item kept = client.addItem(board.id, QStringLiteral("first"));
        const Item gone = client.addItem(board.id, QStringLiteral("second"));
        NotificationCenter center;
        BoardContentView list(contextFor(client, center));
        list.show();
        TrashView* trash = list.trash();
        QVERIFY(!trash->isVisibleTo(&list));
        QCoro::waitFor(client.history().deleteItem(kept));
        QCoro::waitFor(client.history().deleteItem(gone));
        QVERIFY(trash->isVisibleTo(&list));
        QCOMPARE(trash->header()->text(), QStringLiteral("▸ Trash (2)"));

        trash->header()->setFocus();
        QTest::keyClick(trash->header(), Qt::Key_Space);
        QVERIFY(trash->isExpanded());
        auto rowButton = [&](const Item& item, const QString& name) -> QPushButton* {
            for (QWidget* row : trash->findChildren<QWidget*>(QStringLiteral("trashRow"))) {
                if (row->isVisible() && row->property("itemId").toUuid() == item.id)
                    return row->findChild<QPushButton*>(name);
            }
            return nullptr;
        };
        QVERIFY(rowButton(kept, QStringLiteral("restoreTrashed")));
        QCOMPARE(rowButton(kept, QStringLiteral("restoreTrashed"))->accessibleName(), QStringLiteral("Restore first"));
        rowButton(kept, QStringLiteral("restoreTrashed"))->click();
        QTRY_VERIFY(client.shownItem(board.id, kept.id));
        QTRY_COMPARE(trash->header()->text(), QStringLiteral("▾ Trash (1)"));

        for (const bool accept : {false, true}) {
            QTRY_VERIFY(rowButton(gone, QStringLiteral("deleteTrashed")));
            rowButton(gone, QStringLiteral("deleteTrashed"))->click();
            auto* question = trash->findChild<QMessageBox*>(QStringLiteral("trashConfirmation"));
            QVERIFY(question);
            for (QAbstractButton* button : question->buttons()) {
                if ((question->buttonRole(button) == QMessageBox::DestructiveRole) == accept) {
                    button->click();
                    break;
                }
            }
            QCOMPARE(client.history().trash().items(board.id).size(), accept ? 0 : 1);
            QTRY_VERIFY(!trash->findChild<QMessageBox*>(QStringLiteral("trashConfirmation")));
        }
        QVERIFY(!trash->isVisibleTo(&list));
        QVERIFY(!client.shownItem(board.id, gone.id));
    }

    void cardMenuAndEditingAreShared()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createBoard(QStringLiteral("Local"), StorageOption::local);
        const Item a = client.addItem(board.id, QStringLiteral("first"), ItemStatus::done);
        const Item b = client.addItem(board.id, QStringLiteral("second"), ItemStatus::done);
        NotificationCenter center;
        ItemListState state;
        ItemCardView cardA(contextFor(client, center), state);
        ItemCardView cardB(contextFor(client, center), state);
        cardA.setItem(a);
        cardB.setItem(b);

        std::unique_ptr<QMenu> menu(cardA.makeContextMenu(nullptr));
        QStringList titles;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                titles << action->text();
        }
        QCOMPARE(titles,
            QStringList({ "Todo", "In Progress", "Archive", "Edit", "Delete", "Show details", "Copy content" }));

        cardA.trigger(ItemCardAction::edit);
        QVERIFY(cardA.isEditing() && cardA.editor());
        cardB.trigger(ItemCardAction::edit);
        QVERIFY(cardB.isEditing());
        QVERIFY(!cardA.isEditing());
        QTRY_VERIFY(!cardA.editor());
        QVERIFY(!ItemCardMenu::entries(b, board, true).isEmpty());
        for (const ItemCardMenuEntry& entry : cardB.menuEntries())
            QVERIFY(entry.action != ItemCardAction::edit);
    }

    // Hover actions and the details rows are made on first use; they must still work and follow the item.
    void hoverActionsAndDetails()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createBoard(QStringLiteral("Local"), StorageOption::local);
        const Item live = client.addItem(board.id, QStringLiteral("live"));
        NotificationCenter center;
        ItemListState state;
        ItemCardView card(contextFor(client, center), state);
        card.setItem(*client.shownItem(board.id, live.id));
        card.resize(320, 120);
        card.show();
        QVERIFY(QTest::qWaitForWindowExposed(&card));

        const auto hoverButton = [&card](const char* name) {
            return card.findChild<QToolButton*>(QString::fromLatin1(name));
        };
        state.setHoveredItemId(live.id);
        QVERIFY(hoverButton("hoverEdit") && hoverButton("hoverEdit")->isVisibleTo(&card));
        QVERIFY(hoverButton("hoverCopy")->isVisibleTo(&card));
        state.setHoveredItemId(std::nullopt);
        QVERIFY(!hoverButton("hoverCopy")->isVisibleTo(&card));

        // An archived item offers no editing from the hover actions.
        Item archived = *client.shownItem(board.id, live.id);
        archived.archivedAt = QDateTime::currentDateTimeUtc();
        card.setItem(archived);
        state.setHoveredItemId(live.id);
        QVERIFY(!hoverButton("hoverEdit")->isVisibleTo(&card));
        QVERIFY(hoverButton("hoverDetails")->isVisibleTo(&card));

        hoverButton("hoverDetails")->click();
        QVERIFY(card.isShowingMetadata());
        auto* details = card.findChild<QWidget*>(QStringLiteral("itemMetadata"));
        QVERIFY(details && details->isVisibleTo(&card));
        QStringList texts;
        for (const QLabel* label : details->findChildren<QLabel*>())
            texts << label->text();
        QVERIFY2(texts.contains(QLocale().toString(live.createdAt.toLocalTime(), QLocale::ShortFormat)),
            qPrintable(texts.join(QLatin1String(" | "))));
        card.trigger(ItemCardAction::toggleDetails);
        QVERIFY(!details->isVisibleTo(&card));
    }

    void droppingACardMerges()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createSelectedBoard(QStringLiteral("Local"));
        const Item source = client.addItem(board.id, QStringLiteral("first"));
        const Item destination = client.addItem(board.id, QStringLiteral("second"));
        NotificationCenter center;
        BoardContentView list(contextFor(client, center));
        ItemCardView* target = list.card(destination.id);
        QVERIFY(target);

        std::unique_ptr<QMimeData> mime(ItemTransfer { source.id, board.id }.toMimeData());
        QDragEnterEvent enter(QPoint(10, 10), Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QVERIFY(target->isDropTargeted());
        QCOMPARE(target->findChild<QLabel*>(QStringLiteral("releaseToMerge"))->text(), QStringLiteral("Release to merge"));
        const QLabel* symbol = target->findChild<QLabel*>(QStringLiteral("releaseToMergeSymbol"));
        QVERIFY(symbol && symbol->isVisibleTo(target));
        QVERIFY(!symbol->pixmap().isNull());

        QDropEvent drop(QPointF(10, 10), Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QVERIFY(!target->isDropTargeted());
        QTRY_VERIFY(!client.shownItem(board.id, source.id));
        QCOMPARE(client.shownItem(board.id, destination.id)->content, QStringLiteral("second\n\nfirst"));
        QTRY_COMPARE(client.history().undoText(), QStringLiteral("Merge Items"));

        // A card does not take itself.
        std::unique_ptr<QMimeData> self(ItemTransfer { destination.id, board.id }.toMimeData());
        QDragEnterEvent selfEnter(QPoint(10, 10), Qt::MoveAction, self.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.card(destination.id), &selfEnter);
        QVERIFY(!selfEnter.isAccepted());
    }

    void searchAndAssigneeFiltersNarrowTheList()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createSelectedBoard(QStringLiteral("Local"));
        client.addItem(board.id, QStringLiteral("abc one"));
        Item assigned = client.newItem(client.workspace().selectedBoard(), QStringLiteral("ABC two"));
        assigned.assignee = QUuid::createUuid();
        QCoro::waitFor(client.workspace().addItem(assigned, client.workspace().selectedBoard()));
        client.addItem(board.id, QStringLiteral("other"));
        client.addItem(board.id, QStringLiteral("abc later"), ItemStatus::done);

        NotificationCenter center;
        MainContentView main(contextFor(client, center));
        BoardContentView* list = main.content();
        QCOMPARE(list->liveItems().size(), 3);
        main.openSearch();
        QVERIFY(main.isSearchOpen());
        QTest::keyClicks(main.searchField(), QStringLiteral("ABC"));
        QCOMPARE(contents(list->liveItems()), QStringList({ "abc one", "ABC two" }));
        main.searchField()->setText(QStringLiteral("   "));
        QCOMPARE(list->liveItems().size(), 3);
        main.searchField()->setText(QStringLiteral("abc"));

        std::unique_ptr<QMenu> menu(main.makeAssigneeFilterMenu(nullptr));
        QAction* without = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == QStringLiteral("Without Assignee"))
                without = action;
        }
        QVERIFY(without);
        QVERIFY(!menu->actions().isEmpty() && menu->actions().first()->text() == QStringLiteral("No board users yet"));
        without->trigger();
        QCOMPARE(contents(list->liveItems()), QStringList({ "abc one" }));
        // Switching boards keeps the filter the user chose.
        const Board other = client.createBoard(QStringLiteral("Other"));
        QCoro::waitFor(client.workspace().selectBoard(other.id));
        QCoro::waitFor(client.workspace().selectBoard(board.id));
        QVERIFY(main.assigneeFilter().withoutAssignee);
        QCOMPARE(contents(list->liveItems()), QStringList({ "abc one" }));
        QCOMPARE(main.filterButton()->toolTip(), QStringLiteral("Filtering items without an assignee"));

        main.setAssigneeFilter({ assigned.assignee, false });
        QCOMPARE(contents(list->liveItems()), QStringList({ "ABC two" }));
        QCOMPARE(main.filterButton()->toolTip(), QStringLiteral("Filtering items by selected assignee"));

        std::unique_ptr<QMenu> again(main.makeAssigneeFilterMenu(nullptr));
        for (QAction* action : again->actions()) {
            if (action->text() == QStringLiteral("Clear Filter"))
                action->trigger();
        }
        main.closeSearch();
        QCOMPARE(list->liveItems().size(), 3);
        QCOMPARE(main.tabs()->tabText(ViewMode::todo), QStringLiteral("Todo (3)"));
        QCOMPARE(main.tabs()->tabText(ViewMode::done), QStringLiteral("Done (1)"));
    }

    void archivedSectionAndPaging()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createSelectedBoard(QStringLiteral("Big"));
        const int count = BoardContentView::pageSize * 2 + 5;
        for (int i = 0; i < count; ++i)
            client.addItem(board.id, QStringLiteral("item %1").arg(i), ItemStatus::done);
        const Item archived = client.addItem(board.id, QStringLiteral("old"), ItemStatus::done);
        QCoro::waitFor(client.workspace().setItemArchived(*client.shownItem(board.id, archived.id), true));

        NotificationCenter center;
        BoardContentView list(contextFor(client, center));
        list.setCurrentView(ViewMode::done);
        QCOMPARE(list.liveItems().size(), count);
        QCOMPARE(list.archivedItems().size(), 1);
        QCOMPARE(list.shownItemIds().size(), BoardContentView::pageSize);
        QVERIFY(list.hasMore());
        QVERIFY(list.loadingLabel()->isVisibleTo(&list));
        QCOMPARE(list.loadingLabel()->text(), QStringLiteral("Loading more…"));
        QVERIFY(!list.archivedHeader()->isVisibleTo(&list));

        list.loadMore();
        list.loadMore();
        QCOMPARE(list.shownItemIds().size(), count);
        QVERIFY(!list.hasMore());
        QVERIFY(!list.loadingLabel()->isVisibleTo(&list));
        QVERIFY(list.archivedHeader()->isVisibleTo(&list));
        QCOMPARE(list.archivedHeader()->text(), QStringLiteral("Archived (1)"));
        QVERIFY(!list.card(archived.id));
        list.setArchivedExpanded(true);
        QCOMPARE(list.shownItemIds().last(), archived.id);
        QVERIFY(list.ensureCardFor(archived.id));
    }

    // Several changes in one turn of the event loop: the cards follow the items once the loop runs,
    // in the list's order, and cards of items that left the list are hidden before anything paints.
    void burstOfChangesShowsTheRightCards()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createSelectedBoard(QStringLiteral("Burst"));
        const Item alpha = client.addItem(board.id, QStringLiteral("alpha report"));
        const Item beta = client.addItem(board.id, QStringLiteral("beta report"));
        const Item gamma = client.addItem(board.id, QStringLiteral("gamma notes"));
        const Item finished = client.addItem(board.id, QStringLiteral("done report"), ItemStatus::done);

        NotificationCenter center;
        BoardContentView list(contextFor(client, center));
        list.resize(480, 640);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.cards().size(), 3);

        QWidget* container = list.scrollArea()->widget();
        const auto shownTexts = [container, &list] {
            QStringList texts;
            QList<ItemCardView*> visible;
            for (ItemCardView* card : container->findChildren<ItemCardView*>()) {
                if (card->isVisibleTo(&list))
                    visible << card;
            }
            std::sort(visible.begin(), visible.end(), [](ItemCardView* a, ItemCardView* b) { return a->y() < b->y(); });
            for (ItemCardView* card : std::as_const(visible))
                texts << card->textView()->text();
            return texts;
        };
        struct PaintWatch : QObject
        {
            std::function<QStringList()> read;
            std::optional<QStringList> firstPaint;
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() == QEvent::Paint && !firstPaint)
                    firstPaint = read();
                return false;
            }
        } watch;
        watch.read = shownTexts;
        container->installEventFilter(&watch);
        // Whatever was still to paint from showing the list paints now, not after the changes.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        watch.firstPaint.reset();

        // All in one turn: none of these waits for the event loop.
        BoardViewModel& workspace = client.workspace();
        workspace.setSearchQuery(QStringLiteral("gam"));
        list.setCurrentView(ViewMode::done);
        workspace.setSearchQuery(QStringLiteral("REPORT"));
        list.setAssigneeFilter({ std::nullopt, true });
        list.setCurrentView(ViewMode::todo);
        QCOMPARE(contents(list.liveItems()), QStringList({ "alpha report", "beta report" }));

        container->update();
        QTRY_VERIFY(watch.firstPaint.has_value());
        QCOMPARE(*watch.firstPaint, QStringList({ "alpha report", "beta report" }));
        QCOMPARE(shownTexts(), QStringList({ "alpha report", "beta report" }));
        QList<QUuid> ids;
        for (ItemCardView* card : list.cards())
            ids << card->item().id;
        QCOMPARE(ids, QList<QUuid>({ alpha.id, beta.id }));
        QVERIFY(!list.card(gamma.id));
        QVERIFY(!list.card(finished.id));

        // An edit and a new item in the same turn as a search change.
        Item edited = *client.shownItem(board.id, beta.id);
        edited.content = QStringLiteral("beta report, revised");
        QCoro::waitFor(workspace.updateItem(edited));
        const Item added = client.addItem(board.id, QStringLiteral("epsilon report"));
        workspace.setSearchQuery(QStringLiteral(" report"));
        QTRY_COMPARE(shownTexts(), QStringList({ "alpha report", "beta report, revised", "epsilon report" }));
        QCOMPARE(list.card(added.id)->textView()->text(), QStringLiteral("epsilon report"));
        container->removeEventFilter(&watch);
    }

    // A card's text is clipped by its width: narrowing, widening and new content each decide again.
    void cardClippingFollowsWidthAndContent()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createBoard(QStringLiteral("Clip"), StorageOption::local);
        QString longText;
        for (int i = 0; i < 40; ++i)
            longText += QStringLiteral("word%1 ").arg(i);
        const Item item = client.addItem(board.id, longText.trimmed());
        NotificationCenter center;
        ItemListState state;
        ItemCardView card(contextFor(client, center), state);
        card.setItem(*client.shownItem(board.id, item.id));
        QToolButton* more = card.findChild<QToolButton*>(QStringLiteral("itemExpand"));
        QVERIFY(more);
        card.resize(1600, 400);
        card.show();
        QVERIFY(QTest::qWaitForWindowExposed(&card));
        QTRY_COMPARE(card.width(), 1600);
        QVERIFY(!card.isClipped());
        QVERIFY(!more->isVisibleTo(&card));

        card.resize(160, 400);
        QTRY_VERIFY(card.isClipped());
        QVERIFY(more->isVisibleTo(&card));
        QCOMPARE(card.textView()->maximumHeight(), ItemCardView::collapsedTextHeight);
        // Only the height changes: the clipping stays.
        card.resize(160, 900);
        QTRY_COMPARE(card.height(), 900);
        QVERIFY(card.isClipped());

        card.resize(1600, 400);
        QTRY_VERIFY(!card.isClipped());
        QVERIFY(!more->isVisibleTo(&card));
        QCOMPARE(card.textView()->maximumHeight(), QWIDGETSIZE_MAX);

        // New content at a width measured before is measured again.
        card.resize(160, 400);
        QTRY_VERIFY(card.isClipped());
        const int clippedHeight = card.textView()->heightForWidth(140);
        Item shortened = *client.shownItem(board.id, item.id);
        shortened.content = QStringLiteral("short");
        card.setItem(shortened);
        QVERIFY(!card.isClipped());
        QVERIFY(card.textView()->heightForWidth(140) < clippedHeight);
        card.setItem(*client.shownItem(board.id, item.id));
        QVERIFY(card.isClipped());
        QCOMPARE(card.textView()->heightForWidth(140), clippedHeight);
    }

    void boardInfoEditingIsForOwners()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("info@plenko.test"));
        const Board local = client.createBoard(QStringLiteral("Local"), StorageOption::local);
        const Board cloud = client.createBoard(QStringLiteral("Cloud"), StorageOption::cloud);
        NotificationCenter center;
        BoardInfoView info(contextFor(client, center));

        QCoro::waitFor(client.workspace().selectBoard(local.id));
        QCOMPARE(info.shownText(),
            QStringLiteral("Add a board description so everyone stays aligned. Select Edit to write it."));
        QVERIFY(info.editButton()->isVisibleTo(&info));
        QCOMPARE(info.editButton()->toolTip(), QStringLiteral("Edit board info"));
        info.startEditing();
        QVERIFY(info.editor());
        QCOMPARE(info.editor()->placeholderText(), QStringLiteral("Share board context, rituals, or helpful links…"));
        info.editor()->setText(QStringLiteral("Weekly planning on Mondays"));
        info.editor()->submit();
        QTRY_COMPARE(client.workspace().findBoard(local.id)->info.value_or(QString()),
            QStringLiteral("Weekly planning on Mondays"));
        QTRY_COMPARE(info.shownText(), QStringLiteral("Weekly planning on Mondays"));

        // Without a signed-in user nobody is the owner of a cloud board.
        QCoro::waitFor(client.workspace().selectBoard(cloud.id));
        QVERIFY(!info.editButton()->isVisibleTo(&info));
        info.startEditing();
        QVERIFY(!info.editor());
    }

    void inviteButtonCountsTaps()
    {
        WorkspaceClient client(m_server.get(), QStringLiteral("invite@plenko.test"));
        const Board cloud = client.createSelectedBoard(QStringLiteral("Team"), StorageOption::cloud);
        NotificationCenter center;
        MainContentView main(contextFor(client, center));
        QSignalSpy settings(&main, &MainContentView::boardSettingsRequested);
        QVERIFY(main.inviteButton()->isVisibleTo(&main));
        for (int tap = 1; tap <= MainContentView::inviteTapLimit; ++tap) {
            QVERIFY(!main.isPostInvite());
            main.inviteButton()->click();
            QCOMPARE(client.preferences().get(PreferenceKeys::inviteButtonTapCount()), tap);
        }
        QCOMPARE(settings.count(), MainContentView::inviteTapLimit);
        QCOMPARE(settings.last().at(0).toString(), QStringLiteral("users"));
        QVERIFY(main.isPostInvite());
        QVERIFY(!main.inviteButton()->isVisibleTo(&main));
        QCOMPARE(main.subtitleLabel()->text(),
            QStringLiteral("You can invite teammates from Board Settings whenever you need to."));
        main.tapInvite();
        QCOMPARE(client.preferences().get(PreferenceKeys::inviteButtonTapCount()), MainContentView::inviteTapLimit);
    }

    void improvementChoices_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::newRow("accept") << "accept";
        QTest::newRow("cancel") << "cancel";
        QTest::newRow("edit") << "edit";
    }

    void improvementChoices()
    {
        QFETCH(QString, choice);
        WorkspaceClient client(m_server.get(), QStringLiteral("improve@plenko.test"));
        const Board board = client.createSelectedBoard(QStringLiteral("Cloud"), StorageOption::cloud);
        const Item item = client.addItem(board.id, QStringLiteral("fix the  login bug"));
        NotificationCenter center;
        BoardContentView list(contextFor(client, center));
        ItemCardView* card = list.card(item.id);
        QVERIFY(card);

        card->trigger(ItemCardAction::improveText);
        QVERIFY(card->magicState().isWorking);
        QVERIFY(card->overlay()->isVisibleTo(card));
        QTRY_VERIFY(card->magicState().result.has_value());
        const QString improved = QStringLiteral("Fix the login bug.");
        QCOMPARE(*card->magicState().result, improved);
        QCOMPARE(card->overlay()->shownResult(), improved);

        if (choice == QStringLiteral("accept")) {
            card->overlay()->acceptButton()->click();
            QVERIFY(card->magicState().isIdle());
            QTRY_COMPARE(client.shownItem(board.id, item.id)->content, improved);
        } else if (choice == QStringLiteral("cancel")) {
            card->overlay()->cancelButton()->click();
            QVERIFY(card->magicState().isIdle());
            QVERIFY(!card->overlay()->isVisibleTo(card));
            QTest::qWait(50);
            QCOMPARE(client.shownItem(board.id, item.id)->content, item.content);
        } else {
            card->overlay()->editButton()->click();
            QVERIFY(card->magicState().isIdle());
            QVERIFY(card->isEditing());
            QCOMPARE(card->editor()->text(), improved);
            QCOMPARE(client.shownItem(board.id, item.id)->content, item.content);
        }
    }

    void improvementFailures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("revoked");
        QTest::newRow("service error") << 500
                                       << QByteArray(R"({"status":500,"code":"INTERNAL","message":"Improver down","path":"/x","timestamp":"2024-01-01T00:00:00Z"})")
                                       << false;
        QTest::newRow("revoked board") << 403
                                       << QByteArray(R"({"status":403,"code":"BOARD_ACCESS_DENIED","message":"No access","path":"/x","timestamp":"2024-01-01T00:00:00Z"})")
                                       << true;
    }

    void improvementFailures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, revoked);
        WorkspaceClient client(m_server.get(), QStringLiteral("fail@plenko.test"));
        const Board board = client.createSelectedBoard(QStringLiteral("Cloud"), StorageOption::cloud);
        const Item item = client.addItem(board.id, QStringLiteral("some text"));
        NotificationCenter center;
        BoardContentView list(contextFor(client, center));
        QPointer<ItemCardView> card = list.card(item.id);
        QVERIFY(card);
        client.toasts().setToast(std::nullopt);
        QSignalSpy toasts(&client.toasts(), &ToastManager::toastChanged);
        QVERIFY(m_server->failNext(1, status, QStringLiteral("/api/boards"), body));

        card->trigger(ItemCardAction::improveText);
        if (revoked) {
            // The selection keeps a removed board while no other exists, so look at the board list.
            QTRY_VERIFY(!client.boardNamed(QStringLiteral("Cloud")));
            QTRY_VERIFY(card.isNull() || card->magicState().isIdle());
            QVERIFY(client.toastText() != QStringLiteral("No access"));
        } else {
            QTRY_VERIFY(card->magicState().isIdle());
            QVERIFY(!card->overlay()->isVisibleTo(card));
            QCOMPARE(toasts.count(), 1);
            QCOMPARE(client.toastText(), QStringLiteral("Improver down"));
            QCOMPARE(client.lastToast()->type, ToastType::error);
            QCOMPARE(client.shownItem(board.id, item.id)->content, item.content);
        }
    }

    // Everything the mouse does on the main window, the keyboard does too: Tab goes rail, sidebar,
    // header, tabs, cards; arrows move within lists; Return and Space choose; the focused card
    // answers its keys and opens its menu from the keyboard.
    void keyboardReachesEverything()
    {
        WorkspaceClient client(nullptr, QString());
        const Board other = client.createBoard(QStringLiteral("Other"), StorageOption::local);
        const Board board = client.createSelectedBoard(QStringLiteral("Main"));
        const Item first = client.addItem(board.id, QStringLiteral("first"));
        const Item second = client.addItem(board.id, QStringLiteral("second"));
        NotificationCenter center;
        ContentView view(contextFor(client, center));
        QVERIFY(showStarted(view));
        BoardContentView* list = view.mainContent()->content();
        QTRY_VERIFY(list->card(first.id) && list->card(second.id));

        const QList<QWidget*> cycle = tabCycle(view.rail()->button(QStringLiteral("railBoards")));
        const auto position = [&cycle](const QWidget* widget) { return cycle.indexOf(const_cast<QWidget*>(widget)); };
        QListView* sidebarList = nullptr;
        for (QListView* candidate : view.sidebar()->findChildren<QListView*>()) {
            if (candidate->isVisible() && candidate->model()->rowCount() > 0 && !sidebarList)
                sidebarList = candidate;
        }
        QVERIFY(sidebarList);
        // Each card's own buttons right after it; the Add button in the corner after the last card.
        const QList<const QWidget*> expectedOrder { view.rail()->button(QStringLiteral("railBoards")),
            view.rail()->button(QStringLiteral("railReports")), view.rail()->button(QStringLiteral("railFeedback")),
            sidebarList, view.mainContent()->settingsButton(), view.mainContent()->searchButton(),
            view.mainContent()->tabs()->tab(ViewMode::todo), view.mainContent()->tabs()->tab(ViewMode::done),
            list->card(first.id), list->card(first.id)->assigneeButton(), list->card(second.id),
            list->card(second.id)->assigneeButton(), list->composer()->addButton() };
        int previous = -1;
        for (const QWidget* widget : expectedOrder) {
            const int at = position(widget);
            QVERIFY2(at > previous, qPrintable(widget->objectName() + QStringLiteral(" at ") + QString::number(at)));
            previous = at;
        }
        QCOMPARE(position(list->card(first.id)->assigneeButton()), position(list->card(first.id)) + 1);
        QCOMPARE(position(list->card(second.id)), position(list->card(first.id)) + 2);
        // The sidebar's scroll area is no stop of its own.
        for (const QWidget* stop : cycle)
            QVERIFY2(!qobject_cast<const QScrollArea*>(stop), qPrintable(stop->objectName()));

        // The sidebar: arrows move, Return and Space choose the board.
        sidebarList->setFocus(Qt::TabFocusReason);
        const auto rowOf = [sidebarList](const QUuid& id) {
            for (int row = 0; row < sidebarList->model()->rowCount(); ++row) {
                if (sidebarList->model()->index(row, 0).data(SidebarListModel::EntryIdRole).toUuid() == id)
                    return row;
            }
            return -1;
        };
        // Moving through the rows selects nothing: selected is the open board's row alone, read as open.
        const auto selectedRows = [sidebarList] {
            QList<int> rows;
            for (const QModelIndex& index : sidebarList->selectionModel()->selectedIndexes())
                rows << index.row();
            return rows;
        };
        QCOMPARE(sidebarList->accessibleName(), QStringLiteral("Local Boards"));
        sidebarList->setCurrentIndex(sidebarList->model()->index(rowOf(other.id), 0));
        QCOMPARE(selectedRows(), QList<int> { rowOf(board.id) });
        QCOMPARE(sidebarList->model()->index(rowOf(board.id), 0).data(Qt::AccessibleTextRole).toString(),
            QStringLiteral("Main, open"));
        QTest::keyClick(sidebarList, Qt::Key_Return);
        QTRY_COMPARE(client.workspace().selectedBoard().id, other.id);
        QCOMPARE(selectedRows(), QList<int> { rowOf(other.id) });
        QCOMPARE(sidebarList->model()->index(rowOf(board.id), 0).data(Qt::AccessibleTextRole).toString(),
            QStringLiteral("Main"));
        sidebarList->setCurrentIndex(sidebarList->model()->index(rowOf(board.id), 0));
        QTest::keyClick(sidebarList, Qt::Key_Space);
        QTRY_COMPARE(client.workspace().selectedBoard().id, board.id);
        QTRY_VERIFY(list->card(first.id));

        // The tabs: Right shows the next column.
        QToolButton* todoTab = view.mainContent()->tabs()->tab(ViewMode::todo);
        todoTab->setFocus(Qt::TabFocusReason);
        QTest::keyClick(todoTab, Qt::Key_Right);
        QCOMPARE(view.currentView(), ViewMode::inProgress);
        QCOMPARE(QApplication::focusWidget(), view.mainContent()->tabs()->tab(ViewMode::inProgress));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QCOMPARE(view.currentView(), ViewMode::todo);

        // The cards: Down and Up move between them.
        ItemCardView* firstCard = list->card(first.id);
        firstCard->setFocus(Qt::TabFocusReason);
        QTest::keyClick(firstCard, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), list->card(second.id));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), firstCard);

        // Ctrl+C copies the markdown, Return edits. (Space for the details is checked where the
        // focus follows a removed card.)
        QTest::keyClick(firstCard, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("first"));
        QTest::keyClick(firstCard, Qt::Key_Return);
        QVERIFY(firstCard->isEditing());
        list->listState().setEditingItemId(std::nullopt);
        QTRY_VERIFY(!firstCard->editor());
        // Leaving the editor gives the focus back to its card.
        QCOMPARE(QApplication::focusWidget(), firstCard);

        // Shift+F10 and the menu key (delivered by the window system as a keyboard context menu
        // event) open the card's menu on the card.
        const auto menuOpens = [](const std::function<void()>& press) {
            QString seen;
            QTimer::singleShot(0, [&seen] {
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    seen = menu->objectName();
                    menu->close();
                }
            });
            press();
            return seen == QStringLiteral("itemContextMenu");
        };
        QVERIFY(menuOpens([firstCard] { QTest::keyClick(firstCard, Qt::Key_F10, Qt::ShiftModifier); }));
        QVERIFY(menuOpens([firstCard] {
            QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
            QApplication::sendEvent(firstCard, &menuKey);
        }));

        // Alt+3 moves to Done; there Alt+A archives and Delete deletes.
        // Offscreen, nothing activates the window again when a menu closes, as a window manager does.
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QCOMPARE(QApplication::focusWidget(), firstCard);
        QTest::keyClick(firstCard, Qt::Key_3, Qt::AltModifier);
        QTRY_COMPARE(client.shownItem(board.id, first.id)->status, ItemStatus::done);
        view.mainContent()->setCurrentView(ViewMode::done);
        QTRY_VERIFY(list->card(first.id));
        ItemCardView* doneCard = list->card(first.id);
        doneCard->setFocus(Qt::TabFocusReason);
        QTest::keyClick(doneCard, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(client.shownItem(board.id, first.id)->isArchived());
        view.mainContent()->setCurrentView(ViewMode::todo);
        QTRY_VERIFY(list->card(second.id));
        ItemCardView* secondCard = list->card(second.id);
        secondCard->setFocus(Qt::TabFocusReason);
        // A Todo item offers no archiving: the key does nothing.
        QTest::keyClick(secondCard, Qt::Key_A, Qt::AltModifier);
        QVERIFY(!client.shownItem(board.id, second.id)->isArchived());
        QTest::keyClick(secondCard, Qt::Key_Delete);
        QTRY_VERIFY(!client.shownItem(board.id, second.id) || client.shownItem(board.id, second.id)->isDeleted());
    }

    // Saving a new item moves the keyboard to its card, or keeps the composer open and empty for the
    // next one (Ctrl+Shift+Return); the editor is named for a screen reader, not only painted.
    void savingChoosesWhereTheKeyboardGoes_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("keepsComposing");
        QTest::newRow("Ctrl+Return: the new card") << Qt::KeyboardModifiers(Qt::ControlModifier) << false;
        QTest::newRow("Ctrl+Shift+Return: the composer")
            << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier) << true;
    }

    void savingChoosesWhereTheKeyboardGoes()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, keepsComposing);
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createSelectedBoard(QStringLiteral("Main"));
        client.addItem(board.id, QStringLiteral("first"));
        NotificationCenter center;
        ContentView view(contextFor(client, center));
        QVERIFY(showStarted(view));
        BoardContentView* list = view.mainContent()->content();

        list->openNewItemEditor();
        MarkdownTextEditor* editor = list->composer()->editor()->textEditor();
        QTRY_COMPARE(QApplication::focusWidget(), editor);
        QCOMPARE(editor->accessibleName(), QStringLiteral("Write a new item"));
        QTest::keyClicks(editor, QStringLiteral("second"));
        QTest::keyClick(editor, Qt::Key_Return, modifiers);
        QTRY_COMPARE(contents(list->liveItems()), QStringList({ "first", "second" }));
        if (keepsComposing) {
            QVERIFY(list->composer()->isComposerVisible());
            QCOMPARE(QApplication::focusWidget(), editor);
            QCOMPARE(list->composer()->draft(), QString());
        } else {
            QVERIFY(!list->composer()->isComposerVisible());
            const Item* added = list->liveItems().last();
            QTRY_VERIFY(list->card(added->id));
            QTRY_COMPARE(QApplication::focusWidget(), list->card(added->id));
        }
    }

    // What a screen reader finds: each card's plain text, status and assignee; buttons named by
    // their purpose; a button pressed through the accessibility interface does its work; toasts are
    // announced as alerts.
    void screenReadersFindAndPressControls()
    {
        WorkspaceClient client(nullptr, QString());
        const Board board = client.createSelectedBoard(QStringLiteral("Main"));
        const Item item = client.addItem(board.id, QStringLiteral("**Ship** the [docs](https://example.com)"));
        NotificationCenter center;
        ContentView view(contextFor(client, center));
        QVERIFY(showStarted(view));
        QTRY_VERIFY(view.mainContent()->content()->card(item.id));

        QAccessibleInterface* card = findAccessible(&view, QAccessible::ListItem, QStringLiteral("Ship the docs"));
        QVERIFY(card);
        QCOMPARE(card->text(QAccessible::Description), QStringLiteral("Todo, Not assigned"));

        QList<QAccessibleInterface*> all;
        collectAccessible(QAccessible::queryAccessibleInterface(&view), all);
        const QRegularExpression symbolName(QStringLiteral("^[a-z]+(\\.[a-z0-9]+)+$"));
        int buttons = 0;
        for (QAccessibleInterface* candidate : std::as_const(all)) {
            if (candidate->role() != QAccessible::PushButton || candidate->state().invisible)
                continue;
            ++buttons;
            const QString name = candidate->text(QAccessible::Name);
            QVERIFY2(!name.trimmed().isEmpty(), qPrintable(candidate->object()->objectName()));
            QVERIFY2(!symbolName.match(name).hasMatch(), qPrintable(name));
            QVERIFY2(!name.contains(QStringLiteral("(Ctrl")), qPrintable(name));
        }
        QVERIFY(buttons >= 10);

        // The key is the button's shortcut, in the desktop's "mnemonic;path;accelerator" form, never
        // part of its name; the tooltip that shows the key is not read as a description.
        QSignalSpy windows(&view, &ContentView::windowRequested);
        QAccessibleInterface* settings = findAccessible(&view, QAccessible::PushButton, QStringLiteral("Board settings"));
        QVERIFY(settings && settings->actionInterface());
        QCOMPARE(settings->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
            QStringList { QStringLiteral(";;Ctrl+,") });
        QCOMPARE(settings->text(QAccessible::Description), QString());
        settings->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(windows.count(), 1);
        QCOMPARE(windows.first().at(0).toString(), QStringLiteral("board-settings"));

        // The banner is still up from adding the item; the next toast is what it tells. (The alert
        // event itself reaches only a running accessibility bridge, which the offscreen platform
        // does not have.)
        QVERIFY(view.toastView()->isVisible());
        client.toasts().showToast(ToastType::success, QStringLiteral("Copied item content"), 1.0);
        QAccessibleInterface* toast
            = findAccessible(&view, QAccessible::Notification, QStringLiteral("Copied item content"));
        QVERIFY(toast);
        QCOMPARE(toast->object(), view.toastView());

        // The status tabs are tabs, counted in words, the one shown selected; the card's Assign
        // button says which item it assigns.
        QAccessibleInterface* todo = findAccessible(&view, QAccessible::PageTab, QStringLiteral("Todo, 1 item"));
        QAccessibleInterface* done = findAccessible(&view, QAccessible::PageTab, QStringLiteral("Done, 0 items"));
        QVERIFY(todo && done);
        QVERIFY(todo->state().selected && !done->state().selected);
        QVERIFY(findAccessible(&view, QAccessible::PageTabList, QStringLiteral("Item status")));
        QVERIFY(findAccessible(&view, QAccessible::PushButton, QStringLiteral("Assign Ship the docs to a board member")));

        // An open card menu is named and has its place among the application's windows; Qt's own
        // application interface leaves popups out, and a screen reader ignores a menu without one.
        std::unique_ptr<QMenu> menu(view.mainContent()->content()->card(item.id)->makeContextMenu(&view));
        menu->popup(view.mapToGlobal(QPoint(20, 20)));
        QTRY_VERIFY(menu->isVisible());
        QAccessibleInterface* menuInterface = QAccessible::queryAccessibleInterface(menu.get());
        QCOMPARE(menuInterface->text(QAccessible::Name), QStringLiteral("Item actions"));
        QAccessibleInterface* application = menuInterface->parent();
        QCOMPARE(application->role(), QAccessible::Application);
        const int place = application->indexOfChild(menuInterface);
        QVERIFY(place >= 0);
        QCOMPARE(application->child(place), menuInterface);
        menu->close();
        QCOMPARE(application->indexOfChild(menuInterface), -1);
    }

    void toastBannerFollowsThePresenter()
    {
        ToastManager toasts;
        QWidget host;
        host.resize(600, 400);
        ToastView banner(toasts, &host);
        host.show();
        QVERIFY(!banner.isVisible());
        toasts.showToast(ToastType::info, QStringLiteral("Item added"), 0.2);
        QVERIFY(banner.isVisible());
        QCOMPARE(banner.message(), QStringLiteral("Item added"));
        QVERIFY(banner.width() <= ToastView::maximumWidth);
        QVERIFY(!banner.actionButton()->isVisibleTo(&banner));
        QTRY_VERIFY(!banner.isVisible());

        bool acted = false;
        toasts.setToast(Toast { ToastType::error, QStringLiteral("Failed"), QStringLiteral("Retry"), [&acted] { acted = true; } });
        toasts.setShowing(true);
        QVERIFY(banner.actionButton()->isVisibleTo(&banner));
        banner.actionButton()->click();
        QVERIFY(acted);
    }

};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
