// The token store against a real Secret Service (gnome-keyring in a private D-Bus session, see
// scripts/with-keyring.sh), and against no secret service at all, in a child process.
#include "net/KeyringTokenStore.h"
#include "net/NetworkService.h"
#include "support/LogCapture.h"

#include <QCoro/QCoroTask>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUuid>

namespace {
// A service name of its own per run, so the test never meets real tokens or an earlier run's.
QString freshService()
{
    return QStringLiteral("net.plenko.test-") + QUuid::createUuid().toString(QUuid::Id128);
}

QString readToken(TokenStore& store, const QString& account)
{
    const TokenReadResult read = QCoro::waitFor(store.read(account));
    if (!read)
        return QStringLiteral("<error: %1>").arg(read.error());
    return read->value_or(QStringLiteral("<absent>"));
}
}

class TokenStoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        KeyringTokenStore probe(freshService());
        const TokenWriteResult saved = QCoro::waitFor(probe.save(QStringLiteral("probe"), QStringLiteral("x")));
        if (probe.isMemoryOnly() || !saved)
            QFAIL(qPrintable(QStringLiteral("No working Secret Service (%1): run the tests through "
                                            "scripts/with-keyring.sh inside dbus-run-session.")
                                 .arg(saved ? QStringLiteral("no service") : saved.error())));
        QVERIFY(QCoro::waitFor(probe.remove(QStringLiteral("probe"))));
    }

    void saveReadRemove_data()
    {
        QTest::addColumn<QString>("token");
        QTest::newRow("ascii") << "eyJhbGciOiJIUzI1NiJ9.payload.signature";
        QTest::newRow("utf-8") << "tökén-✓";
        QTest::newRow("long") << QString(4096, QLatin1Char('x'));
    }

    void saveReadRemove()
    {
        QFETCH(QString, token);
        KeyringTokenStore store(freshService());
        const QString account = NetworkService::accessTokenAccount;

        QCOMPARE(readToken(store, account), QStringLiteral("<absent>"));
        QVERIFY(QCoro::waitFor(store.save(account, QStringLiteral("older"))));
        QVERIFY(QCoro::waitFor(store.save(account, token)));
        QCOMPARE(readToken(store, account), token);
        QVERIFY(!store.isMemoryOnly());

        QVERIFY(QCoro::waitFor(store.remove(account)));
        QCOMPARE(readToken(store, account), QStringLiteral("<absent>"));
        QVERIFY(QCoro::waitFor(store.remove(account)));
    }

    void servicesAndAccountsAreSeparate()
    {
        const QString service = freshService();
        KeyringTokenStore first(service);
        KeyringTokenStore sameService(service);
        KeyringTokenStore otherService(freshService());
        QVERIFY(QCoro::waitFor(first.save(NetworkService::accessTokenAccount, QStringLiteral("A"))));
        QVERIFY(QCoro::waitFor(first.save(NetworkService::refreshTokenAccount, QStringLiteral("R"))));

        QCOMPARE(readToken(sameService, NetworkService::accessTokenAccount), QStringLiteral("A"));
        QCOMPARE(readToken(sameService, NetworkService::refreshTokenAccount), QStringLiteral("R"));
        QCOMPARE(readToken(otherService, NetworkService::accessTokenAccount), QStringLiteral("<absent>"));
        QVERIFY(QCoro::waitFor(first.remove(NetworkService::accessTokenAccount)));
        QVERIFY(QCoro::waitFor(first.remove(NetworkService::refreshTokenAccount)));
    }

    // What one run of the transport stores, the next run loads; a logout leaves nothing behind, even
    // when the service cannot be reached.
    void transportTokensSurviveARestart()
    {
        const QString service = freshService();
        {
            NetworkService run(QStringLiteral("http://127.0.0.1:9"), std::make_shared<KeyringTokenStore>(service));
            QCoro::waitFor(run.loadTokens());
            QVERIFY(run.accessToken().isEmpty());
            QCoro::waitFor(run.setTokens({ QStringLiteral("access-1"), QStringLiteral("refresh-1") }));
        }
        {
            NetworkService nextRun(QStringLiteral("http://127.0.0.1:9"), std::make_shared<KeyringTokenStore>(service));
            QCoro::waitFor(nextRun.loadTokens());
            QCOMPARE(nextRun.tokenLoadState(), NetworkService::TokenLoadState::loaded);
            QCOMPARE(nextRun.accessToken(), QStringLiteral("access-1"));
            QCOMPARE(nextRun.refreshToken(), QStringLiteral("refresh-1"));
            QCoro::waitFor(nextRun.logout());
        }
        KeyringTokenStore store(service);
        QCOMPARE(readToken(store, NetworkService::accessTokenAccount), QStringLiteral("<absent>"));
        QCOMPARE(readToken(store, NetworkService::refreshTokenAccount), QStringLiteral("<absent>"));
    }

    void noSecretService_data()
    {
        QTest::addColumn<QString>("busAddress"); // empty: the variable is unset
        QTest::newRow("bus address points at nothing") << "unix:path=/nonexistent/plenko-test-bus";
        QTest::newRow("no session bus at all") << QString();
    }

    // Without a secret service the tokens still work for the run, one line says they will not last,
    // and nothing is written anywhere else.
    void noSecretService()
    {
        QFETCH(QString, busAddress);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (busAddress.isEmpty())
            environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        else
            environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        environment.remove(QStringLiteral("DISPLAY"));

        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/token_store_probe"), {});
        QVERIFY(child.waitForFinished(30000));
        const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(child.exitCode(), 0);

        const QStringList warnings = lines.filter(QStringLiteral("will not survive a restart"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(lines.contains(QStringLiteral("access=access-1")));
        QVERIFY(lines.contains(QStringLiteral("refresh=refresh-1")));
        QVERIFY(lines.contains(QStringLiteral("after logout=<absent>")));
    }
};

QTEST_GUILESS_MAIN(TokenStoreTest)
#include "TokenStoreTest.moc"
