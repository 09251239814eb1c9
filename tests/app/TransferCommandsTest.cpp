// The File menu's import and export against a real workspace and store: a Trello board whose list
// needs a status goes through the question dialog, driven by the keyboard; a cancelled question and a
// damaged file import nothing and say why; an export of the selected board writes its file.
#include "app/TransferCommands.h"

#include "WorkspaceFixture.h"
#include "app/ListStatusDialog.h"
#include "store/LocalDataService.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {
QString fixture(const QString& name)
{
    return qEnvironmentVariable("PLENKO_TEST_DATA") + QStringLiteral("/transfer/") + name;
}
}

class TransferCommandsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WorkspaceClient> m_client;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<TransferCommands> m_commands;
    QTemporaryDir m_dir;

    ListStatusDialog* question() const { return m_window->findChild<ListStatusDialog*>(); }
    QMessageBox* outcome() const { return m_window->findChild<QMessageBox*>(QStringLiteral("transferOutcome")); }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_client = std::make_unique<WorkspaceClient>(nullptr, QStringLiteral("transfer@example.com"));
        QVERIFY2(m_client->isValid(), qPrintable(m_client->errorString()));
        m_client->workspace().loadBoards(false);
        m_window = std::make_unique<QWidget>();
        m_window->show();
        m_commands = std::make_unique<TransferCommands>(
            TransferCommands::Services {m_client->store(), m_client->preferences(), m_client->workspace(),
                [] { return false; }, m_client->toasts()},
            m_window.get());
    }

    void cleanup()
    {
        m_commands.reset();
        m_window.reset();
        m_client.reset();
    }

    void trelloListAskedByDialog_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("answered") << true;
        QTest::newRow("cancelled") << false;
    }

    void trelloListAskedByDialog()
    {
        QFETCH(bool, accept);
        QSignalSpy finished(m_commands.get(), &TransferCommands::finished);
        (void)m_commands->importFile(fixture(QStringLiteral("trello-board.json")));
        QTRY_VERIFY(question() && question()->isVisible());
        auto* choice = question()->findChild<QComboBox*>(QStringLiteral("listStatus"));
        QVERIFY(choice);
        choice->setFocus();
        QTest::keyClick(choice, Qt::Key_End); // Done
        QCOMPARE(choice->currentText(), QStringLiteral("Done"));
        QTest::keyClick(question(), accept ? Qt::Key_Return : Qt::Key_Escape);

        if (!accept) {
            QTRY_VERIFY(!question() || !question()->isVisible());
            QTest::qWait(50);
            QCOMPARE(finished.count(), 0);
            QVERIFY(m_client->workspace().boards().isEmpty());
            return;
        }
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(finished.first().at(0).toBool());
        QCOMPARE(boardNames(m_client->workspace().boards()), QStringList {QStringLiteral("Launch 🚀")});
        QTRY_VERIFY(outcome() && outcome()->isVisible());
        QCOMPARE(outcome()->textFormat(), Qt::PlainText);
        QVERIFY(outcome()->text().contains(QStringLiteral("shortened")));
        const auto items
            = LocalDataService::fetchLocalItems(m_client->workspace().boards().first().id, 0, m_client->store());
        QVERIFY(items.has_value());
        QCOMPARE(items->size(), 5);
        const auto someday = std::find_if(items->cbegin(), items->cend(),
            [](const auto& item) { return item->content().startsWith(QStringLiteral("Someday")); });
        QVERIFY(someday != items->cend());
        QCOMPARE((*someday)->status(), ItemStatus::done);
    }

    void damagedFileImportsNothing()
    {
        const QString file = m_dir.filePath(QStringLiteral("damaged.csv"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("Title,Status\r\nfine,Todo\r\n\"<b>never closed,Todo\r\n");
        out.close();
        QSignalSpy finished(m_commands.get(), &TransferCommands::finished);
        (void)m_commands->importFile(file);
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!finished.first().at(0).toBool());
        QVERIFY(outcome() && outcome()->isVisible());
        QVERIFY(outcome()->text().startsWith(QStringLiteral("damaged.csv: Line 3: a quoted field is never closed")));
        QVERIFY(outcome()->text().endsWith(QStringLiteral("Nothing was imported.")));
        QVERIFY(m_client->workspace().boards().isEmpty());
    }

    void exportsTheSelectedBoard()
    {
        QVERIFY(!m_commands->exportBoardAction()->isEnabled());
        const Board board = m_client->createBoard(QStringLiteral("Errands"), StorageOption::local);
        QVERIFY(!board.id.isNull());
        (void)m_client->workspace().selectBoard(board.id);
        QTRY_VERIFY(m_commands->exportBoardAction()->isEnabled());

        QSignalSpy finished(m_commands.get(), &TransferCommands::finished);
        const QString file = m_dir.filePath(QStringLiteral("errands.md"));
        ExportSelection selection;
        selection.boardId = board.id;
        (void)m_commands->exportTo(file, selection);
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY2(finished.first().at(0).toBool(), qPrintable(finished.first().at(1).toString()));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().startsWith("# Errands\n"));
    }
};

QTEST_MAIN(TransferCommandsTest)
#include "TransferCommandsTest.moc"
