#include "app/AppCommands.h"
#include "app/AppNotifications.h"
#include "app/BoardEditorShortcutMonitor.h"
#include "app/NotificationCenter.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

class ShortcutsAndCommandsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shortcutMonitor_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("posted");
        QTest::addColumn<QString>("typed");

        const int ctrl = Qt::ControlModifier;
        QTest::newRow("ctrl+1") << int(Qt::Key_1) << ctrl << QString(AppNotification::requestTodoTab) << "";
        QTest::newRow("ctrl+2") << int(Qt::Key_2) << ctrl << QString(AppNotification::requestInProgressTab) << "";
        QTest::newRow("ctrl+3") << int(Qt::Key_3) << ctrl << QString(AppNotification::requestDoneTab) << "";
        QTest::newRow("ctrl+s") << int(Qt::Key_S) << ctrl << QString(AppNotification::requestEditorSave) << "";
        QTest::newRow("ctrl+shift+1 is not ours") << int(Qt::Key_1) << int(ctrl | Qt::ShiftModifier) << "" << "";
        QTest::newRow("alt+ctrl+1 reaches the field") << int(Qt::Key_1) << int(ctrl | Qt::AltModifier) << "" << "1";
        QTest::newRow("ctrl+shift+s is not ours") << int(Qt::Key_S) << int(ctrl | Qt::ShiftModifier) << "" << "";
        QTest::newRow("plain 2 is typed") << int(Qt::Key_2) << int(Qt::NoModifier) << "" << "2";
        QTest::newRow("ctrl+4 is not ours") << int(Qt::Key_4) << ctrl << "" << "";
    }

    void shortcutMonitor()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, posted);
        QFETCH(QString, typed);

        NotificationCenter center;
        BoardEditorShortcutMonitor monitor(center);
        QVERIFY(monitor.isMonitoring());
        QSignalSpy spy(&center, &NotificationCenter::posted);

        QLineEdit field;
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        field.setFocus();
        QTest::keyClick(&field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        if (posted.isEmpty()) {
            QCOMPARE(spy.count(), 0);
        } else {
            QCOMPARE(spy.count(), 1);
            QCOMPARE(spy.at(0).at(0).toString(), posted);
        }
        QCOMPARE(field.text(), typed);
    }

    void monitorStopsWithItsOwner()
    {
        NotificationCenter center;
        QSignalSpy spy(&center, &NotificationCenter::posted);
        QLineEdit field;
        {
            BoardEditorShortcutMonitor monitor(center);
        }
        QTest::keyClick(&field, Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(spy.count(), 0);
    }

    void observersDieWithTheirContext()
    {
        NotificationCenter center;
        int calls = 0;
        {
            QObject context;
            center.observe(QString(AppNotification::requestDoneTab), &context, [&calls] { ++calls; });
            center.post(QString(AppNotification::requestDoneTab));
            center.post(QString(AppNotification::requestTodoTab));
            QCOMPARE(calls, 1);
        }
        center.post(QString(AppNotification::requestDoneTab));
        QCOMPARE(calls, 1);
    }

    void commands()
    {
        NotificationCenter center;
        QSignalSpy spy(&center, &NotificationCenter::posted);
        QMainWindow window;
        int updateChecks = 0;
        int refreshEvents = 0;
        int aboutShown = 0;
        int shortcutsShown = 0;
        AppCommands commands(*window.menuBar(), center,
            { [&] { ++updateChecks; }, [&] { ++refreshEvents; }, [&] { ++aboutShown; }, [&] { ++shortcutsShown; } });

        // Signed out: the two sync commands are off, the others on.
        QVERIFY(commands.newItemAction()->isEnabled());
        QVERIFY(commands.toggleSidebarAction()->isEnabled());
        QVERIFY(!commands.syncBoardAction()->isEnabled());
        QVERIFY(!commands.refreshAllAction()->isEnabled());
        commands.setSignedIn(true);
        QVERIFY(commands.syncBoardAction()->isEnabled());
        QVERIFY(commands.refreshAllAction()->isEnabled());

        QCOMPARE(commands.newItemAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(commands.syncBoardAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(commands.toggleSidebarAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_QuoteLeft));
        QCOMPARE(commands.checkForUpdatesAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));

        commands.newItemAction()->trigger();
        commands.syncBoardAction()->trigger();
        commands.toggleSidebarAction()->trigger();
        commands.refreshAllAction()->trigger();
        commands.checkForUpdatesAction()->trigger();

        const QStringList expected { AppNotification::requestNewItemEditor, AppNotification::requestBoardRefresh,
            AppNotification::requestSidebarToggle, AppNotification::requestAllBoardsRefresh };
        QStringList seen;
        for (const auto& call : spy)
            seen << call.at(0).toString();
        QCOMPARE(seen, expected);
        QCOMPARE(refreshEvents, 1);
        QCOMPARE(updateChecks, 1);
        commands.aboutAction()->trigger();
        commands.keyboardShortcutsAction()->trigger();
        QCOMPARE(aboutShown, 1);
        QCOMPARE(shortcutsShown, 1);
    }

    // The desktop's usual menus, in the usual order: Quit ends File, About leads into Check for
    // Updates… in Help, and every key is written the desktop's way.
    void menusFollowTheDesktop()
    {
        NotificationCenter center;
        QMainWindow window;
        AppCommands commands(*window.menuBar(), center, {});
        QAction* extra = new QAction(QStringLiteral("Quick Capture…"), &window);
        commands.addFileAction(extra);

        QStringList menus;
        for (QAction* action : window.menuBar()->actions())
            menus << action->text().remove(QLatin1Char('&'));
        QCOMPARE(menus, QStringList({ "File", "Edit", "View", "Boards", "Help" }));

        const auto titles = [](QMenu* menu) {
            QStringList result;
            for (QAction* action : menu->actions())
                result << (action->isSeparator() ? QStringLiteral("-") : action->text().remove(QLatin1Char('&')));
            return result;
        };
        QMenu* file = window.menuBar()->actions().at(0)->menu();
        QCOMPARE(titles(file), QStringList({ "New Item", "Sync Board Items", "Quick Capture…", "-", "Quit" }));
        QCOMPARE(commands.quitAction()->shortcut(), QKeySequence(QKeySequence::Quit));
        QMenu* edit = window.menuBar()->actions().at(1)->menu();
        QCOMPARE(titles(edit), QStringList({ "Undo", "Redo", "-", "Cut", "Copy", "Paste", "-", "Select All" }));
        QMenu* help = window.menuBar()->actions().at(4)->menu();
        QCOMPARE(titles(help), QStringList({ "Keyboard Shortcuts", "-", "About Plenko", "Check for Updates…" }));

        for (QAction* action : window.findChildren<QAction*>()) {
            const QString key = action->shortcut().toString(QKeySequence::NativeText);
            QVERIFY2(!key.contains(QChar(0x2318)) && !key.contains(QChar(0x21E7)), qPrintable(key));
        }
        QCOMPARE(commands.syncBoardAction()->shortcut().toString(QKeySequence::NativeText), QStringLiteral("Ctrl+R"));
    }

    // The Edit menu acts on the focused field.
    void editMenuActsOnTheFocusedField()
    {
        NotificationCenter center;
        QMainWindow window;
        AppCommands commands(*window.menuBar(), center, {});
        auto* field = new QLineEdit(&window);
        window.setCentralWidget(field);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("hello"));
        QMenu* edit = window.menuBar()->actions().at(1)->menu();
        for (QAction* action : edit->actions()) {
            if (action->text() == QStringLiteral("Select All"))
                action->trigger();
        }
        QCOMPARE(field->selectedText(), QStringLiteral("hello"));
        for (QAction* action : edit->actions()) {
            if (action->text() == QStringLiteral("Undo"))
                action->trigger();
        }
        QVERIFY(field->text() != QStringLiteral("hello"));
    }
};

QTEST_MAIN(ShortcutsAndCommandsTest)
#include "ShortcutsAndCommandsTest.moc"
