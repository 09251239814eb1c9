#include "WorkspaceFixture.h"
#include "support/DevServerTestCase.h"

#include "app/Palette.h"
#include "app/quickcapture/QuickCaptureComposer.h"
#include "app/quickcapture/QuickCaptureController.h"
#include "richtext/EditorView.h"
#include "session/AuthState.h"
#include "store/PreferenceKeys.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>

#include <cmath>

namespace {
QList<Item> liveItems(WorkspaceClient& client, const QUuid& boardId)
{
    const auto board = client.workspace().findBoard(boardId);
    return board ? board->undeletedItems() : QList<Item> {};
}
}

class QuickCaptureTest : public DevServerTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Palette::applyTo(*qApp);
        DevServerTestCase::initTestCase();
    }

    // No board chosen; a board chosen but not loaded yet (as at start); the board with its editor.
    void threeStates()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        const Board board = client.createBoard(QStringLiteral("Inbox with a rather long name"));

        auto composer = std::make_unique<QuickCaptureComposer>(client.workspace(), nullptr);
        composer->resize(380, 200);
        composer->show();
        QCOMPARE(composer->state(), QuickCaptureComposer::State::noBoard);
        QCOMPARE(composer->currentPage()->objectName(), QStringLiteral("noQuickCaptureBoard"));
        const auto labels = composer->currentPage()->findChildren<QLabel*>();
        QCOMPARE(labels.first()->text(), QStringLiteral("SET A QUICK CAPTURE BOARD"));
        QCOMPARE(labels.last()->text(), QStringLiteral("Board -> Settings -> Enable Quick Capture Board."));
        composer->grab().save(QStringLiteral("/tmp/quickcapture-no-board.png"));

        client.workspace().setQuickCaptureBoard(board);
        QCOMPARE(composer->state(), QuickCaptureComposer::State::ready);
        QCOMPARE(composer->editor()->maxCharacters(), 300);
        composer->resize(380, 220);
        composer->grab().save(QStringLiteral("/tmp/quickcapture-ready.png"));
        composer.reset();

        // A restarted application knows the id before it has loaded its boards.
        client.reopen();
        QCOMPARE(client.workspace().quickCaptureBoardId(), std::optional(board.id));
        composer = std::make_unique<QuickCaptureComposer>(client.workspace(), nullptr);
        QCOMPARE(composer->state(), QuickCaptureComposer::State::loading);
        QCOMPARE(composer->currentPage()->objectName(), QStringLiteral("loadingQuickCaptureBoard"));
        client.workspace().loadBoards(false);
        QCOMPARE(composer->state(), QuickCaptureComposer::State::ready);
        QCOMPARE(composer->currentPage()->objectName(), QStringLiteral("quickCaptureReady"));
        QCOMPARE(composer->boardNameLabel()->toolTip(), board.name);
    }

    void addsToTheQuickCaptureBoard_data()
    {
        QTest::addColumn<bool>("cloud");
        QTest::addColumn<QString>("draft");
        QTest::addColumn<QString>("added"); // empty: nothing is added
        QTest::newRow("local") << false << QStringLiteral("  Buy milk \n") << QStringLiteral("Buy milk");
        QTest::newRow("cloud") << true << QStringLiteral("Call Bo") << QStringLiteral("Call Bo");
        QTest::newRow("only white space") << false << QStringLiteral(" \n\t ") << QString();
    }

    void addsToTheQuickCaptureBoard()
    {
        QFETCH(bool, cloud);
        QFETCH(QString, draft);
        QFETCH(QString, added);
        WorkspaceClient client(m_server.get(), QStringLiteral("ana@example.com"));
        const QUuid inbox = client.createBoard(QStringLiteral("Inbox"), cloud ? StorageOption::cloud : StorageOption::local).id;
        client.addItem(inbox, QStringLiteral("Existing"));
        const Board board = client.board(inbox);
        client.workspace().setQuickCaptureBoard(board);

        QuickCaptureComposer composer(client.workspace(), nullptr);
        composer.setDraft(draft);
        composer.submit();
        if (added.isEmpty()) {
            QVERIFY(!composer.isSubmitting());
            QTest::qWait(50);
            QCOMPARE(liveItems(client, board.id).size(), 1);
            return;
        }
        // A local add completes at once; a cloud add waits for the service and blocks a second press.
        QCOMPARE(composer.isSubmitting(), cloud);
        composer.submit();
        QTRY_VERIFY(composer.didSubmit());
        QVERIFY(composer.draft().isEmpty());
        const QList<Item> items = liveItems(client, board.id);
        QCOMPARE(items.size(), 2);
        const auto item = std::find_if(items.cbegin(), items.cend(), [&](const Item& each) { return each.content == added; });
        QVERIFY(item != items.cend());
        QCOMPARE(item->status, ItemStatus::todo);
        QCOMPARE(item->order, board.items.first().order + 1);
        QCOMPARE(item->didSync, cloud);
    }

    // Under the offscreen platform there is no tray: the menu action opens the same panel.
    void actionOpensThePanelWithoutATray()
    {
        WorkspaceClient client(nullptr, QStringLiteral("ana@example.com"));
        QuickCaptureController controller(client.workspace(), nullptr);
        QCOMPARE(controller.trayIcon() != nullptr, QSystemTrayIcon::isSystemTrayAvailable());
        if (controller.trayIcon())
            QCOMPARE(controller.trayIcon()->toolTip(), QStringLiteral("Quick Capture"));
        QVERIFY(!controller.action()->icon().isNull());
        controller.action()->trigger();
        QVERIFY(controller.panel()->isVisible());
        QCOMPARE(controller.panel()->windowTitle(), QStringLiteral("Quick Capture"));
        controller.togglePanel();
        QVERIFY(!controller.panel()->isVisible());
    }

    // The tray icon is read against whatever the panel is: its tile stands out from both a white
    // and a black panel, and its plus from the tile.
    void trayIconReadsOnLightAndDarkPanels()
    {
        const QImage icon = QuickCaptureController::icon().pixmap(QSize(24, 24), 2.0).toImage();
        QVERIFY(!icon.isNull());
        const auto luminance = [](const QColor& color) {
            const auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
            return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
        };
        const auto contrast = [&luminance](const QColor& a, const QColor& b) {
            const double la = luminance(a);
            const double lb = luminance(b);
            return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
        };
        const QColor tile = icon.pixelColor(icon.width() / 4, icon.height() / 4 + 2);
        const QColor plus = icon.pixelColor(icon.width() / 2, icon.height() / 2);
        QCOMPARE(tile.alpha(), 255);
        QVERIFY2(contrast(tile, Qt::white) >= 3.0, qPrintable(tile.name()));
        QVERIFY2(contrast(tile, Qt::black) >= 3.0, qPrintable(tile.name()));
        QVERIFY2(contrast(plus, tile) >= 3.0, qPrintable(plus.name()));
    }
};

QTEST_MAIN(QuickCaptureTest)
#include "QuickCaptureTest.moc"
