// The application process keeps a change whose save failed (another connection held the store's
// write lock) in its unit of work; when the session ends, by Quit or by SIGTERM from the system,
// that change is written before the process goes.
#include "AppProcess.h"
#include "domain/Ids.h"
#include "support/DevServer.h"

#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {
constexpr int answerTimeoutMs = 30000;

QString storedContent(const QString& fileName, const QUuid& itemId)
{
    sqlite3* database = nullptr;
    QString content;
    if (sqlite3_open_v2(fileName.toUtf8().constData(), &database, SQLITE_OPEN_READONLY, nullptr)
        == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        const QByteArray sql
            = "SELECT content FROM local_item WHERE id = '" + uuidText(itemId).toLatin1() + "'";
        if (sqlite3_prepare_v2(database, sql.constData(), -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            content = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
    }
    sqlite3_close(database);
    return content;
}
}

class ShutdownTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unsavedChangeIsWrittenAtTheEnd_data()
    {
        QTest::addColumn<bool>("bySignal");
        QTest::newRow("Quit") << false;
        QTest::newRow("SIGTERM") << true;
    }

    void unsavedChangeIsWrittenAtTheEnd()
    {
        QFETCH(bool, bySignal);
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QTemporaryDir root;
        AppProcess app({root.path(), server.baseUrl().toString(), QString()});
        QVERIFY2(app.start(), qPrintable(app.errorString()));
        QVERIFY2(app.waitForReady(answerTimeoutMs), qPrintable(app.logTail()));
        auto answer = app.ask(QStringLiteral("board local Notes"), answerTimeoutMs);
        QVERIFY2(answer && answer->startsWith(QLatin1String("ack board ")), qPrintable(app.logTail()));
        const QString board = answer->section(QLatin1Char(' '), 2, 2);
        const QUuid item = QUuid::createUuid();
        app.send(QStringLiteral("add %1 %2 TODO first words").arg(board, uuidText(item)));
        QVERIFY(app.waitForAnswer(answerTimeoutMs));
        QCOMPARE(storedContent(app.storeFile(), item), QStringLiteral("first words"));

        // Another connection holds the write lock while the edit is saved: that save fails.
        sqlite3* holder = nullptr;
        QCOMPARE(
            sqlite3_open_v2(app.storeFile().toUtf8().constData(), &holder, SQLITE_OPEN_READWRITE, nullptr),
            SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        answer = app.ask(QStringLiteral("edit %1 second thoughts").arg(uuidText(item)), answerTimeoutMs);
        QCOMPARE(sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(holder);
        QVERIFY2(answer && answer->startsWith(QLatin1String("ack edit")), qPrintable(app.logTail()));
        QCOMPARE(storedContent(app.storeFile(), item), QStringLiteral("first words"));

        QVERIFY2(
            bySignal ? app.terminate(answerTimeoutMs) : app.quit(answerTimeoutMs), qPrintable(app.logTail()));
        QCOMPARE(storedContent(app.storeFile(), item), QStringLiteral("second thoughts"));
    }
};

QTEST_GUILESS_MAIN(ShutdownTest)
#include "ShutdownTest.moc"
