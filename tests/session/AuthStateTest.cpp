// The sign-in state against a scripted service on 127.0.0.1: the browser start with its nonce, which
// callbacks complete a sign-in, restoring a stored sign-in, the error toasts and the usage events.
#include "ScriptedHttpServer.h"
#include "analytics/AnalyticsQueue.h"
#include "net/MemoryTokenStore.h"
#include "session/AuthState.h"
#include "wirecodec/ResponseEncoder.h"
#include "workspace/ToastManager.h"

#include <QCoro/QCoroTask>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString loginUrl = QStringLiteral("http://127.0.0.1:1/login?session=1");

QByteArray profileBody()
{
    User user;
    user.id = QUuid::fromString(QStringLiteral("7c9e6679-7425-40de-944b-e07fc1f90ae7"));
    user.email = QStringLiteral("ada@example.test");
    user.displayName = QStringLiteral("Ada");
    user.updatedAt = QDateTime(QDate(2024, 5, 1), QTime(12, 30), Qt::UTC);
    return encodeBody(CurrentUserResponse { user });
}

// A service, its sign-in state and what it recorded, all private to one test.
struct Session
{
    explicit Session(const QString& storedAccessToken = {})
        : store(std::make_shared<MemoryTokenStore>())
        , api(server.baseUrl(), store)
        , analytics(AnalyticsSettings { QStringLiteral("test-token"), QUrl(QStringLiteral("http://127.0.0.1:9/track")),
              queueFolder.path(), std::chrono::hours(1) })
    {
        if (!storedAccessToken.isEmpty()) {
            QCoro::waitFor(store->save(NetworkService::accessTokenAccount, storedAccessToken));
            QCoro::waitFor(store->save(NetworkService::refreshTokenAccount, QStringLiteral("r0")));
        }
        // Start-up waits once for the token read.
        QCoro::waitFor(api.loadTokens());
        analytics.initialize();
    }

    std::unique_ptr<AuthState> makeAuth(bool browserOpens = true)
    {
        return std::make_unique<AuthState>(api, analytics, toasts, [this, browserOpens](const QUrl& url) {
            openedUrls.append(url);
            return browserOpens;
        });
    }

    // The event names recorded so far, with their sign-in properties, e.g. "sign_in_failed method=google stage=start".
    QStringList events() const
    {
        QStringList names;
        const AnalyticsQueue queue(queueFolder.path());
        for (const QJsonObject& event : queue.events()) {
            const QJsonObject properties = event.value(QStringLiteral("properties")).toObject();
            QString text = event.value(QStringLiteral("event")).toString();
            for (const QString& key : { QStringLiteral("method"), QStringLiteral("stage") })
                if (properties.contains(key))
                    text += QStringLiteral(" %1=%2").arg(key, properties.value(key).toString());
            names.append(text);
        }
        return names;
    }

    QString toastText() const { return toasts.toast() ? toasts.toast()->message : QString(); }

    ScriptedHttpServer server;
    QTemporaryDir queueFolder;
    std::shared_ptr<MemoryTokenStore> store;
    NetworkService api;
    UsageAnalytics analytics;
    ToastManager toasts;
    QList<QUrl> openedUrls;
};
}

class AuthStateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void deviceNonceIs32HexDigits()
    {
        const QString first = AuthState::makeDeviceNonce();
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{32}$")).match(first).hasMatch());
        QVERIFY(first != AuthState::makeDeviceNonce());
    }

    void startSignInOpensTheLoginPage()
    {
        Session session;
        session.server.script({ ScriptedReply::json(200, encodeBody(StartLoginResponse { loginUrl })) });
        auto auth = session.makeAuth();
        QCoro::waitFor(auth->startSignIn());

        QVERIFY(auth->pendingDeviceNonce());
        const RecordedRequest& sent = session.server.requests().value(0);
        QCOMPARE(sent.method, QByteArray("GET"));
        QCOMPARE(sent.target, ("/auth/google/start?deviceNonce=" + *auth->pendingDeviceNonce()).toUtf8());
        QCOMPARE(session.openedUrls, QList<QUrl> { QUrl(loginUrl) });
        QCOMPARE(session.events(), QStringList({ "app_opened", "sign_in_started method=google" }));
        QVERIFY(!session.toasts.isShowing());
        QVERIFY(!auth->isLoggedIn());
    }

    void startSignInFailures_data()
    {
        QTest::addColumn<QList<ScriptedReply>>("replies");
        QTest::addColumn<bool>("browserOpens");
        QTest::addColumn<QString>("toast");
        QTest::addColumn<QString>("event");

        QTest::newRow("service refuses") << QList { ScriptedReply::text(503, "Maintenance") } << true
                                         << "Failed to start sign-in Maintenance"
                                         << "sign_in_failed method=google stage=start";
        QTest::newRow("browser does not open")
            << QList { ScriptedReply::json(200, encodeBody(StartLoginResponse { loginUrl })) } << false
            << "Failed to open URL in default browser: " + loginUrl << "sign_in_started method=google";
    }

    void startSignInFailures()
    {
        QFETCH(QList<ScriptedReply>, replies);
        QFETCH(bool, browserOpens);
        QFETCH(QString, toast);
        QFETCH(QString, event);

        Session session;
        session.server.script(replies);
        auto auth = session.makeAuth(browserOpens);
        QCoro::waitFor(auth->startSignIn());

        QVERIFY(session.toasts.isShowing());
        QCOMPARE(session.toasts.toast()->type, ToastType::error);
        QCOMPARE(session.toastText(), toast);
        QCOMPARE(session.events().value(1), event);
    }

    void callbacks_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("startFirst");
        QTest::addColumn<QString>("ott"); // empty: the callback is dropped

        QTest::newRow("sign-in callback") << "plenko://auth/callback?ott=abc" << true << "abc";
        QTest::newRow("first ott wins, decoded") << "plenko://auth/callback?ott=a%2Bb%20c&ott=zzz" << true << "a+b c";
        QTest::newRow("no ott") << "plenko://auth/callback" << true << QString();
        QTest::newRow("ott without value") << "plenko://auth/callback?ott=" << true << QString();
        QTest::newRow("other host") << "plenko://other/callback?ott=abc" << true << QString();
        QTest::newRow("other path") << "plenko://auth/done?ott=abc" << true << QString();
        QTest::newRow("other scheme") << "https://auth/callback?ott=abc" << true << QString();
        QTest::newRow("upper-case scheme and host") << "PLENKO://AUTH/callback?ott=abc" << true << QString();
        QTest::newRow("escaped path") << "plenko://auth/%63allback?ott=abc" << true << QString();
        QTest::newRow("upper-case path") << "plenko://auth/Callback?ott=abc" << true << QString();
        QTest::newRow("no sign-in started here") << "plenko://auth/callback?ott=abc" << false << QString();
    }

    void callbacks()
    {
        QFETCH(QString, url);
        QFETCH(bool, startFirst);
        QFETCH(QString, ott);

        Session session;
        session.server.script({ ScriptedReply::json(200, encodeBody(StartLoginResponse { loginUrl })),
            ScriptedReply::json(200, encodeBody(LoginTokens { QStringLiteral("a1"), QStringLiteral("r1") })),
            ScriptedReply::json(200, profileBody()) });
        auto auth = session.makeAuth();
        if (startFirst)
            QCoro::waitFor(auth->startSignIn());
        else
            session.server.script({});
        const std::optional<QString> nonce = auth->pendingDeviceNonce();
        const qsizetype before = session.server.requests().size();

        auth->handleCallback(url);

        if (ott.isEmpty()) {
            QTest::qWait(200);
            QCOMPARE(session.server.requests().size(), before);
            QVERIFY(!auth->isLoggedIn());
            QCOMPARE(auth->pendingDeviceNonce(), nonce);
            return;
        }
        QTRY_VERIFY(auth->currentUser().has_value());
        QVERIFY(auth->isLoggedIn());
        const RecordedRequest& login = session.server.requests().value(1);
        QCOMPARE(login.method, QByteArray("POST"));
        QCOMPARE(login.path(), QStringLiteral("/auth/login"));
        QCOMPARE(login.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(QJsonDocument::fromJson(login.body).object(),
            QJsonObject({ { "deviceNonce", *nonce }, { "ott", ott } }));
        QCOMPARE(session.server.requests().value(2).path(), QStringLiteral("/api/users/me"));
        QCOMPARE(session.server.requests().value(2).header("Authorization"), QByteArray("Bearer a1"));
        QCOMPARE(auth->currentUser()->email, QStringLiteral("ada@example.test"));
        QVERIFY(!auth->pendingDeviceNonce());
        QCOMPARE(session.api.refreshToken(), QStringLiteral("r1"));
        QCOMPARE(QCoro::waitFor(session.store->read(NetworkService::accessTokenAccount)), TokenReadResult(QStringLiteral("a1")));
        QCOMPARE(session.events().value(2), QStringLiteral("sign_in_completed method=google"));
    }

    // A failed exchange keeps the nonce, so a second callback of the same sign-in still completes it.
    void failedCompletionCanBeRetried()
    {
        Session session;
        session.server.script({ ScriptedReply::json(200, encodeBody(StartLoginResponse { loginUrl })),
            ScriptedReply::json(400, R"({"code":"OTT_EXPIRED","message":"The sign-in link has expired."})"),
            ScriptedReply::json(200, encodeBody(LoginTokens { QStringLiteral("a1"), QStringLiteral("r1") })),
            ScriptedReply::json(200, profileBody()) });
        auto auth = session.makeAuth();
        QCoro::waitFor(auth->startSignIn());

        auth->handleCallback(QStringLiteral("plenko://auth/callback?ott=first"));
        QTRY_VERIFY(session.toasts.isShowing());
        QCOMPARE(session.toastText(), QStringLiteral("Failed to complete sign-in: The sign-in link has expired."));
        QVERIFY(!auth->isLoggedIn());
        QVERIFY(auth->pendingDeviceNonce());
        QCOMPARE(session.events().value(2), QStringLiteral("sign_in_failed method=google stage=complete"));

        auth->handleCallback(QStringLiteral("plenko://auth/callback?ott=second"));
        QTRY_VERIFY(auth->currentUser().has_value());
        QVERIFY(auth->isLoggedIn());
    }

    void storedSignInIsShownAtOnce()
    {
        Session session(QStringLiteral("stored-access"));
        session.server.script({ ScriptedReply::json(200, profileBody()) });
        auto auth = session.makeAuth();

        // Signed in before any request has even reached the service.
        QVERIFY(auth->isLoggedIn());
        QVERIFY(session.server.requests().isEmpty());
        QTRY_VERIFY(auth->currentUser().has_value());
        QCOMPARE(session.server.requests().value(0).header("Authorization"), QByteArray("Bearer stored-access"));
    }

    void profileFailureKeepsTheProfile()
    {
        Session session(QStringLiteral("stored-access"));
        session.server.script({ ScriptedReply::json(200, profileBody()), ScriptedReply::text(500, "Database down") });
        auto auth = session.makeAuth();
        QTRY_VERIFY(auth->currentUser().has_value());

        QCoro::waitFor(auth->refreshCurrentUser());
        QCOMPARE(session.toastText(), QStringLiteral("Failed to refresh current user: Database down"));
        QVERIFY(auth->currentUser().has_value());
        QVERIFY(auth->isLoggedIn());
    }

    void signOutWithTheServiceUnreachable()
    {
        Session session(QStringLiteral("stored-access"));
        session.server.script({ ScriptedReply::json(200, profileBody()), ScriptedReply::hangUp() });
        auto auth = session.makeAuth();
        QTRY_VERIFY(auth->currentUser().has_value());

        QCoro::waitFor(auth->signOut());
        QVERIFY(!auth->isLoggedIn());
        QVERIFY(!auth->currentUser());
        QCOMPARE(session.server.requests().value(1).path(), QStringLiteral("/auth/logout"));
        QCOMPARE(QCoro::waitFor(session.store->read(NetworkService::accessTokenAccount)), TokenReadResult());
        QCOMPARE(QCoro::waitFor(session.store->read(NetworkService::refreshTokenAccount)), TokenReadResult());
        // The reset after the logout event gives later events a new identity; the "logout" itself is
        // still queued for delivery, under the identity it was recorded with.
        QCOMPARE(session.events(), QStringList({ "app_opened", "logout" }));
        const AnalyticsQueue queue(session.queueFolder.path());
        const QJsonObject logout = queue.events().last().value(QStringLiteral("properties")).toObject();
        const QString recordedWith = logout.value(QStringLiteral("distinct_id")).toString();
        QVERIFY(!recordedWith.isEmpty());
        QVERIFY(queue.distinctId() != recordedWith);
    }
};

QTEST_GUILESS_MAIN(AuthStateTest)
#include "AuthStateTest.moc"
