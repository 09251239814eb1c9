// The token store against a real Secret Service (gnome-keyring in a private D-Bus session, see
// scripts/with-keyring.sh), and against no secret service at all, in a child process.
#include "ScriptedHttpServer.h"
#include "domain/WireEncoder.h"
#include "wirecodec/ResponseEncoder.h"
#include "net/Endpoint.h"
#include "net/KeyringTokenStore.h"
#include "net/NetworkService.h"
#include "support/LogCapture.h"

#include <QCoro/QCoroTask>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <functional>

// A secret as the Secret Service API carries it: session, parameters, value, content type.
struct Secret
{
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};
Q_DECLARE_METATYPE(Secret)

QDBusArgument& operator<<(QDBusArgument& argument, const Secret& secret)
{
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Secret& secret)
{
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

using Attributes = QMap<QString, QString>;

namespace {
// A service name of its own per run, so the test never meets real tokens or an earlier run's.
QString freshService()
{
    return QStringLiteral("net.plenko.test-") + QUuid::createUuid().toString(QUuid::Id128);
}

// The session's gnome-keyring driven through its own D-Bus API, as a desktop would: lock the login
// collection, unlock it with its password (scripts/with-keyring.sh sets "plenko-test"), and write or
// count items directly.
class SecretService
{
public:
    SecretService()
    {
        qDBusRegisterMetaType<Secret>();
        qDBusRegisterMetaType<Attributes>();
    }

    QDBusMessage call(const QString& path, const QString& interface, const QString& method, const QVariantList& arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"), path, interface, method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message, QDBus::Block, 10000);
    }

    QString collection()
    {
        const QDBusMessage reply = call(servicePath, serviceInterface, QStringLiteral("ReadAlias"), { QStringLiteral("default") });
        return reply.arguments().value(0).value<QDBusObjectPath>().path();
    }

    bool isLocked()
    {
        const QDBusMessage reply = call(collection(), QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"), { QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Locked") });
        return reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
    }

    bool lock()
    {
        call(servicePath, serviceInterface, QStringLiteral("Lock"),
            { QVariant::fromValue(QList<QDBusObjectPath> { QDBusObjectPath(collection()) }) });
        return isLocked();
    }

    bool unlock()
    {
        const QDBusObjectPath session = openSession();
        const Secret password { session, {}, QByteArrayLiteral("plenko-test"), QStringLiteral("text/plain") };
        call(servicePath, QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
            QStringLiteral("UnlockWithMasterPassword"),
            { QVariant::fromValue(QDBusObjectPath(collection())), QVariant::fromValue(password) });
        return !isLocked();
    }

    // Adds an item the way another writer would, beside whatever is there.
    bool addItem(const Attributes& attributes, const QByteArray& value)
    {
        const QVariantMap properties {
            { QStringLiteral("org.freedesktop.Secret.Item.Label"), QStringLiteral("written elsewhere") },
            { QStringLiteral("org.freedesktop.Secret.Item.Attributes"), QVariant::fromValue(attributes) },
        };
        const Secret secret { openSession(), {}, value, QStringLiteral("text/plain") };
        const QDBusMessage reply = call(collection(), QStringLiteral("org.freedesktop.Secret.Collection"),
            QStringLiteral("CreateItem"), { properties, QVariant::fromValue(secret), false });
        return reply.type() == QDBusMessage::ReplyMessage;
    }

    int countItems(const Attributes& attributes)
    {
        const QDBusMessage reply = call(servicePath, serviceInterface, QStringLiteral("SearchItems"),
            { QVariant::fromValue(attributes) });
        int count = 0;
        for (const QVariant& list : reply.arguments())
            count += qdbus_cast<QList<QDBusObjectPath>>(list).size();
        return count;
    }

private:
    QDBusObjectPath openSession()
    {
        const QDBusMessage reply = call(servicePath, serviceInterface, QStringLiteral("OpenSession"),
            { QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString())) });
        return reply.arguments().value(1).value<QDBusObjectPath>();
    }

    const QString servicePath = QStringLiteral("/org/freedesktop/secrets");
    const QString serviceInterface = QStringLiteral("org.freedesktop.Secret.Service");
};

// A real keyring store whose keyring refuses writes or deletes, which no real keyring can be told to
// do on demand.
class RefusingTokenStore final : public TokenStore
{
public:
    RefusingTokenStore(std::shared_ptr<TokenStore> inner, bool refuseSaves, bool refuseRemoves)
        : m_inner(std::move(inner))
        , m_refuseSaves(refuseSaves)
        , m_refuseRemoves(refuseRemoves)
    {
    }

    QCoro::Task<TokenReadResult> read(QString account) override { return m_inner->read(account); }
    QCoro::Task<TokenWriteResult> save(QString account, QString text) override
    {
        if (m_refuseSaves)
            return refused();
        return m_inner->save(account, text);
    }
    QCoro::Task<TokenWriteResult> remove(QString account) override
    {
        if (m_refuseRemoves)
            return refused();
        return m_inner->remove(account);
    }

private:
    static QCoro::Task<TokenWriteResult> refused() { co_return std::unexpected(QStringLiteral("Access denied.")); }

    std::shared_ptr<TokenStore> m_inner;
    bool m_refuseSaves;
    bool m_refuseRemoves;
};

QByteArray tokensBody(const char* access, const char* refresh)
{
    return encodeBody(LoginTokens { QString::fromLatin1(access), QString::fromLatin1(refresh) });
}

// What one run of the transport went through: sign-in, a request that needs a refresh, sign-out.
struct RunOutcome
{
    QString accessAfterSignIn;
    bool requestSucceeded = false;
    QString accessAfterRefresh;
    QString accessAfterSignOut;
    int toldInMemoryOnly = 0;
    int toldNotDeleted = 0;
};

RunOutcome signInRefreshSignOut(NetworkService& api, ScriptedHttpServer& server, const std::function<void()>& beforeSignOut = {})
{
    RunOutcome outcome;
    QSignalSpy inMemory(&api, &NetworkService::tokensKeptInMemoryOnly);
    QSignalSpy notDeleted(&api, &NetworkService::storedTokensNotDeleted);
    QCoro::waitFor(api.loadTokens());
    QCoro::waitFor(api.setTokens({ QStringLiteral("a1"), QStringLiteral("r1") }));
    outcome.accessAfterSignIn = api.accessToken();

    server.script({ ScriptedReply::json(401, "{}"), ScriptedReply::json(200, tokensBody("a2", "r2")),
        ScriptedReply::json(200, R"({"code":"JOIN-1"})"), ScriptedReply::json(200, "{}") });
    outcome.requestSucceeded
        = QCoro::waitFor(fetchRecord<InvitationResponse>(&api, EndpointRequest("GET", QStringLiteral("/api/thing")))).has_value();
    outcome.accessAfterRefresh = api.accessToken();
    if (beforeSignOut)
        beforeSignOut();
    QCoro::waitFor(api.logout());
    outcome.accessAfterSignOut = api.accessToken();
    outcome.toldInMemoryOnly = static_cast<int>(inMemory.size());
    outcome.toldNotDeleted = static_cast<int>(notDeleted.size());
    return outcome;
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

    // A save replaces every item of that service and account, also one written in another form, so a
    // plain reader of the keyring finds only the newest token.
    void saveReplacesItemsWrittenInAnotherForm()
    {
        SecretService keyring;
        const QString service = freshService();
        const QString account = NetworkService::refreshTokenAccount;
        const Attributes plainForm { { QStringLiteral("user"), account }, { QStringLiteral("server"), service },
            { QStringLiteral("type"), QStringLiteral("plaintext") },
            { QStringLiteral("xdg:schema"), QStringLiteral("org.qt.keychain") } };
        QVERIFY(keyring.addItem(plainForm, "stale-refresh"));
        const Attributes serviceAndAccount { { QStringLiteral("user"), account }, { QStringLiteral("server"), service } };
        QCOMPARE(keyring.countItems(serviceAndAccount), 1);

        KeyringTokenStore store(service);
        QVERIFY(QCoro::waitFor(store.save(account, QStringLiteral("fresh-refresh"))));
        QCOMPARE(keyring.countItems(serviceAndAccount), 1);
        QCOMPARE(readToken(store, account), QStringLiteral("fresh-refresh"));
        QVERIFY(QCoro::waitFor(store.remove(account)));
        QCOMPARE(keyring.countItems(serviceAndAccount), 0);
    }

    // The user stays signed in for the run whatever the keyring refuses, is told once, and a
    // sign-out holds across a restart. A locked keyring (its unlock prompt declined or never shown)
    // refuses every read, write and delete.
    void refusingKeyring_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("refuseSaves");
        QTest::addColumn<bool>("refuseRemoves");
        QTest::addColumn<int>("toldInMemoryOnly");
        QTest::addColumn<int>("toldNotDeleted");
        QTest::newRow("refuses writes") << false << true << false << 1 << 0;
        // Saves replace the stored tokens through the keyring itself, so only the sign-out is refused.
        QTest::newRow("refuses deletes") << false << false << true << 0 << 1;
        QTest::newRow("refuses both") << false << true << true << 1 << 1;
        QTest::newRow("locked") << true << false << false << 1 << 1;
    }

    void refusingKeyring()
    {
        QFETCH(bool, locked);
        QFETCH(bool, refuseSaves);
        QFETCH(bool, refuseRemoves);
        QFETCH(int, toldInMemoryOnly);
        QFETCH(int, toldNotDeleted);
        SecretService keyring;
        QTemporaryDir folder;
        const QString service = freshService();
        const QString marker = folder.filePath(QStringLiteral("signed-out"));
        ScriptedHttpServer server;
        {
            // Tokens from an earlier run are in the keyring.
            NetworkService earlier(server.baseUrl(), std::make_shared<KeyringTokenStore>(service));
            QCoro::waitFor(earlier.setTokens({ QStringLiteral("a0"), QStringLiteral("r0") }));
        }
        if (locked)
            QVERIFY(keyring.lock());
        auto unlock = qScopeGuard([&] {
            if (locked)
                QVERIFY(keyring.unlock());
        });

        auto keyringStore = std::make_shared<KeyringTokenStore>(service, std::chrono::seconds(3));
        NetworkService api(server.baseUrl(), std::make_shared<RefusingTokenStore>(keyringStore, refuseSaves, refuseRemoves));
        api.setSignOutMarker(marker);
        const RunOutcome outcome = signInRefreshSignOut(api, server);
        QCOMPARE(outcome.accessAfterSignIn, QStringLiteral("a1"));
        QVERIFY(outcome.requestSucceeded);
        QCOMPARE(outcome.accessAfterRefresh, QStringLiteral("a2"));
        QCOMPARE(outcome.accessAfterSignOut, QString());
        QCOMPARE(outcome.toldInMemoryOnly, toldInMemoryOnly);
        QCOMPARE(outcome.toldNotDeleted, toldNotDeleted);

        unlock.dismiss();
        if (locked)
            QVERIFY(keyring.unlock());
        KeyringTokenStore plainReader(service);
        if (locked)
            QCOMPARE(readToken(plainReader, NetworkService::accessTokenAccount), QStringLiteral("a0"));
        NetworkService nextStart(server.baseUrl(), std::make_shared<KeyringTokenStore>(service));
        nextStart.setSignOutMarker(marker);
        QCoro::waitFor(nextStart.loadTokens());
        QCOMPARE(nextStart.accessToken(), QString());
        QCOMPARE(nextStart.refreshToken(), QString());
        // Whatever delete the keyring refused has now happened.
        QCOMPARE(readToken(plainReader, NetworkService::accessTokenAccount), QStringLiteral("<absent>"));
        QCOMPARE(readToken(plainReader, NetworkService::refreshTokenAccount), QStringLiteral("<absent>"));
        QVERIFY(!QFileInfo::exists(marker));
    }

    // A secret service that owns its name and never answers: each operation fails after the store's
    // time-out, and the run goes on with tokens in memory. Its own D-Bus session, in a child process.
    void keyringThatDoesNotAnswer()
    {
        QProcess child;
        child.start(QStringLiteral("dbus-run-session"),
            { QStringLiteral("--"), QCoreApplication::applicationDirPath() + QStringLiteral("/silent_keyring_probe"),
                freshService() });
        QVERIFY(child.waitForFinished(60000));
        const QString output = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(child.exitCode(), 0);
        const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.contains(QStringLiteral("load=keyring failed")), qPrintable(output));
        QVERIFY2(lines.contains(QStringLiteral("signed in: access=a1 told=1")), qPrintable(output));
        QVERIFY2(lines.contains(QStringLiteral("refreshed: ok=1 access=a2 told=1")), qPrintable(output));
        QVERIFY2(lines.contains(QStringLiteral("signed out: access= notDeleted=1")), qPrintable(output));
        QVERIFY2(lines.contains(QStringLiteral("next start: access= refresh=")), qPrintable(output));
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
