// After a real browser sign-in, the access and refresh tokens are in no file the application wrote:
// not in its store, preferences, caches or usage-event queue, and not in the keyring's own files.
// With a Secret Service (a private gnome-keyring) the next start is signed in again, so the tokens
// came back from the keyring; without one they lived in memory for the run only, and the next start
// is signed out.
#include "AppProcess.h"
#include "PrivateKeyring.h"
#include "domain/Ids.h"
#include "support/DevServer.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr int timeoutMs = 30000;

// Every file under the folder that holds one of the needles, in UTF-8 or UTF-16.
QStringList filesHolding(const QString& folder, const QStringList& needles, int* scanned)
{
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        ++*scanned;
        for (const QString& needle : needles) {
            const QByteArray utf16(reinterpret_cast<const char*>(needle.utf16()), needle.size() * 2);
            if (bytes.contains(needle.toUtf8()) || bytes.contains(utf16))
                found.append(path);
        }
    }
    return found;
}
}

class TokenFilesTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PrivateKeyring> m_keyring;
    std::unique_ptr<DevServer> m_server;

private Q_SLOTS:
    void initTestCase()
    {
        m_keyring = std::make_unique<PrivateKeyring>();
        QVERIFY2(m_keyring->isRunning(), qPrintable(m_keyring->errorString()));
        m_server = std::make_unique<DevServer>();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }

    void tokensAreInNoFile_data()
    {
        QTest::addColumn<bool>("secretService");
        QTest::newRow("private gnome-keyring") << true;
        QTest::newRow("no Secret Service") << false;
    }

    void tokensAreInNoFile()
    {
        QFETCH(bool, secretService);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString email = QStringLiteral("tokens-%1@example.com").arg(secretService ? 1 : 0);
        AppProcess app({root.path(), m_server->baseUrl().toString(),
            secretService ? m_keyring->busAddress()
                          : QStringLiteral("unix:path=/nonexistent/plenko-test-bus")});
        QVERIFY2(app.start(), qPrintable(app.errorString()));
        QVERIFY2(app.waitForReady(timeoutMs) == QStringLiteral("ready signedIn=0 boards=0"),
            qPrintable(app.logTail()));

        auto answer = app.ask(QStringLiteral("signin ") + email, timeoutMs);
        QVERIFY2(answer && answer->startsWith(QLatin1String("ack signin ")),
            qPrintable(answer.value_or(app.logTail())));
        answer = app.ask(QStringLiteral("tokens"), timeoutMs);
        QVERIFY(answer);
        const QStringList words = answer->split(QLatin1Char(' '));
        QCOMPARE(words.size(), 4);
        const QStringList tokens = words.mid(2);
        for (const QString& token : tokens)
            QVERIFY2(token.size() >= 16, qPrintable(*answer));

        // Some ordinary use, so the store, the preferences and the caches have been written.
        answer = app.ask(QStringLiteral("board cloud Errands"), timeoutMs);
        QVERIFY2(answer && answer->startsWith(QLatin1String("ack board ")),
            qPrintable(answer.value_or(app.logTail())));
        const QString board = answer->section(QLatin1Char(' '), 2, 2);
        answer = app.ask(QStringLiteral("add %1 %2 TODO Buy stamps").arg(board, uuidText(QUuid::createUuid())), timeoutMs);
        QVERIFY2(answer && answer->startsWith(QLatin1String("ack add")),
            qPrintable(answer.value_or(QString()) + app.logTail()));
        answer = app.ask(QStringLiteral("sync"), timeoutMs);
        QVERIFY2(answer == QStringLiteral("ack sync 1 0"), qPrintable(answer.value_or(QString()) + app.logTail()));
        QVERIFY2(app.quit(timeoutMs), qPrintable(app.logTail()));

        int scanned = 0;
        QStringList leaks = filesHolding(root.path(), tokens, &scanned);
        leaks += filesHolding(m_keyring->folder(), tokens, &scanned);
        QVERIFY2(leaks.isEmpty(),
            qPrintable(QStringLiteral("token text in: ") + leaks.join(QStringLiteral(", "))));
        // The same scan does find what the application did write: the item's text in its store.
        QVERIFY2(QFile::exists(app.storeFile()), qPrintable(app.storeFile()));
        QVERIFY(!filesHolding(root.path(), {QStringLiteral("Buy stamps")}, &scanned).isEmpty());

        // The next start: signed in from the keyring, or signed out when the tokens were in memory only.
        QVERIFY2(app.start(), qPrintable(app.errorString()));
        const auto ready = app.waitForReady(timeoutMs);
        QVERIFY2(ready, qPrintable(app.logTail()));
        QVERIFY2(ready->startsWith(
                     secretService ? QLatin1String("ready signedIn=1") : QLatin1String("ready signedIn=0")),
            qPrintable(*ready));
        answer = app.ask(QStringLiteral("tokens"), timeoutMs);
        QVERIFY(answer);
        if (secretService)
            QCOMPARE(answer->split(QLatin1Char(' ')).mid(2), tokens);
        else
            QCOMPARE(*answer, QStringLiteral("ack tokens  "));
        QVERIFY2(app.quit(timeoutMs), qPrintable(app.logTail()));
        QVERIFY(filesHolding(root.path(), tokens, &scanned).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TokenFilesTest)
#include "TokenFilesTest.moc"
