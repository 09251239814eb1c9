// Keyboard-only use of the main window where the focus has to go somewhere sensible: along the rail
// with the arrow keys, and on from a card that leaves the list. Real widgets, a real store in a
// temporary folder, the offscreen platform. (What screen readers hear is tested over the real
// accessibility bus by screen_reader_test.py: offscreen, Qt 6.4 has no bridge, so its update
// handler is never called.)
#include "ShownBoard.h"
#include "app/BoardContentView.h"
#include "app/ContentView.h"
#include "app/ItemCardView.h"
#include "app/MainContentView.h"
#include "app/NotificationCenter.h"
#include "app/RailButton.h"
#include "app/RailView.h"
#include "richtext/FloatingNewItemComposer.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

namespace {
QString focusName()
{
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QStringLiteral("(nothing)");
}
}

class KeyboardFocusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void railArrowKeys_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Down") << "railBoards" << int(Qt::Key_Down) << "railArchived";
        QTest::newRow("Down across the gap") << "railReports" << int(Qt::Key_Down) << "railNotifications";
        QTest::newRow("Up") << "railReports" << int(Qt::Key_Up) << "railArchived";
        QTest::newRow("Up at the top stays") << "railBoards" << int(Qt::Key_Up) << "railBoards";
        // Signed out the last shown button is "Sign In"; the hidden account button is skipped.
        QTest::newRow("Down at the bottom stays") << "railSignIn" << int(Qt::Key_Down) << "railSignIn";
        QTest::newRow("Down skips the hidden account") << "railFeedback" << int(Qt::Key_Down) << "railSignIn";
        QTest::newRow("Home") << "railFeedback" << int(Qt::Key_Home) << "railBoards";
        QTest::newRow("End") << "railArchived" << int(Qt::Key_End) << "railSignIn";
    }

    void railArrowKeys()
    {
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, expected);
        QWidget window;
        auto* rail = new RailView(&window);
        QWidget* after = new QToolButton(&window); // where Qt's own handling would send the focus
        after->setObjectName(QStringLiteral("afterRail"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy selections(rail, &RailView::selectionChanged);
        rail->button(from)->setFocus(Qt::TabFocusReason);
        QCOMPARE(focusName(), from);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(focusName(), expected);
        // Moving the focus chooses nothing.
        QCOMPARE(selections.count(), 0);
    }

    void railKeysActivate_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Space") << int(Qt::Key_Space);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
    }

    void railKeysActivate()
    {
        QFETCH(int, key);
        ShownBoard shown({});
        QVERIFY(shown.show());
        RailView* rail = shown.view.rail();
        QVERIFY(rail);
        QSignalSpy selections(rail, &RailView::selectionChanged);
        QSignalSpy feedback(rail, &RailView::feedbackRequested);
        rail->button(QStringLiteral("railBoards"))->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(focusName(), QStringLiteral("railReports"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(selections.count(), 1);
        QCOMPARE(rail->selection(), RailSelection::boardsOverview);
        QVERIFY(rail->button(QStringLiteral("railReports"))->isSelected());
        rail->button(QStringLiteral("railReports"))->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(focusName(), QStringLiteral("railFeedback"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(feedback.count(), 1);
    }

    // A card that leaves the list from the keyboard hands the focus on: to the card below it, to the
    // one above when it was last, to the composer's button when none is left. Deleting, archiving and
    // moving to another status all take the card out of the list.
    void focusFollowsARemovedCard_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("expected"); // index of the card that gets the focus, -1 for the composer
        QTest::newRow("delete first") << 3 << 0 << int(Qt::Key_Delete) << 0 << 1;
        QTest::newRow("delete middle") << 3 << 1 << int(Qt::Key_Delete) << 0 << 2;
        QTest::newRow("delete last") << 3 << 2 << int(Qt::Key_Delete) << 0 << 1;
        QTest::newRow("delete only") << 1 << 0 << int(Qt::Key_Delete) << 0 << -1;
        QTest::newRow("move middle to Done") << 3 << 1 << int(Qt::Key_3) << int(Qt::AltModifier) << 2;
        QTest::newRow("move last to In Progress") << 2 << 1 << int(Qt::Key_2) << int(Qt::AltModifier) << 0;
    }

    void focusFollowsARemovedCard()
    {
        QFETCH(int, count);
        QFETCH(int, removed);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, expected);
        QStringList contents;
        for (int i = 0; i < count; ++i)
            contents << QStringLiteral("item %1").arg(i);
        ShownBoard shown(contents);
        QVERIFY(shown.show());
        const QList<Item>& items = shown.items;
        BoardContentView* list = shown.list();
        QTRY_COMPARE(list->cards().size(), count);

        ItemCardView* leaving = list->card(items.at(removed).id);
        leaving->setFocus(Qt::TabFocusReason);
        QTest::keyClick(leaving, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTRY_VERIFY(!list->card(items.at(removed).id));
        QWidget* focus = QApplication::focusWidget();
        QVERIFY2(focus, "the focus went nowhere");
        if (expected < 0) {
            QCOMPARE(focus, list->composer()->addButton());
        } else {
            auto* card = qobject_cast<ItemCardView*>(focus);
            QVERIFY2(card, qPrintable(focus->objectName()));
            QCOMPARE(card->item().content, items.at(expected).content);
            // The keyboard carries on from there.
            QTest::keyClick(card, Qt::Key_Space);
            QVERIFY(card->isShowingMetadata());
        }
    }

    // A card that stays (or one the focus is not on) leaves the focus where it is.
    void focusStaysWhenOtherCardsLeave()
    {
        ShownBoard shown({QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")});
        QVERIFY(shown.show());
        WorkspaceClient& client = shown.client;
        const Item first = shown.items.at(0);
        const Item second = shown.items.at(1);
        const Item third = shown.items.at(2);
        BoardContentView* list = shown.list();
        QTRY_COMPARE(list->cards().size(), 3);
        ItemCardView* focused = list->card(third.id);
        focused->setFocus(Qt::TabFocusReason);
        QCoro::waitFor(client.workspace().deleteItem(first));
        QTRY_COMPARE(list->cards().size(), 2);
        QCOMPARE(QApplication::focusWidget(), focused);
        // Nor does a change to the focused card that keeps it in the list.
        Item renamed = focused->item();
        renamed.content = QStringLiteral("third, renamed");
        QCoro::waitFor(client.workspace().updateItem(renamed));
        QTRY_COMPARE(list->card(third.id)->item().content, renamed.content);
        QCOMPARE(list->card(third.id), focused);
        QCOMPARE(QApplication::focusWidget(), focused);
        QVERIFY(list->card(second.id));
    }
};

QTEST_MAIN(KeyboardFocusTest)
#include "KeyboardFocusTest.moc"
