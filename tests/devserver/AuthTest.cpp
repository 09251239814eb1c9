// Sign-in through the devserver's browser page, one-time login tokens, expiring access tokens,
// rotating refresh tokens and their reuse, logout and the sessions list, over raw HTTP.
#include "Api.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QUrlQuery>

class AuthTest : public QObject
{
    Q_OBJECT

private:
    // Walks the browser half of sign-in: start, page, account choice; returns the one-time token.
    QString browserSignIn(DevServer& server, const QString& nonce, const QString& email, const QString& name)
    {
        const DevServer::Reply start
            = server.request("GET", QStringLiteral("/auth/google/start?deviceNonce=") + nonce);
        if (start.status != 200)
            return {};
        const QUrl loginUrl(start.object().value(QStringLiteral("loginUrl")).toString());
        if (loginUrl.host() != QLatin1String("127.0.0.1") || loginUrl.port() != server.port())
            return {};
        const DevServer::Reply page
            = server.request("GET", loginUrl.path() + QLatin1Char('?') + loginUrl.query());
        if (page.status != 200 || !page.body.contains("Sign in to Plenko"))
            return {};
        const DevServer::Reply chosen = server.request("GET",
            QStringLiteral("/auth/google/complete?deviceNonce=%1&email=%2&displayName=%3")
                .arg(nonce, QString::fromLatin1(QUrl::toPercentEncoding(email)),
                    QString::fromLatin1(QUrl::toPercentEncoding(name))));
        if (chosen.status != 302)
            return {};
        const QUrl callback(QString::fromUtf8(chosen.header("Location")));
        if (callback.scheme() != QLatin1String("plenko") || callback.host() != QLatin1String("auth")
            || callback.path() != QLatin1String("/callback"))
            return {};
        return QUrlQuery(callback).queryItemValue(QStringLiteral("ott"), QUrl::FullyDecoded);
    }

    DevServer::Reply login(DevServer& server, const QString& nonce, const QString& ott)
    {
        return server.request("POST", QStringLiteral("/auth/login"),
            Api::bytes({{QStringLiteral("deviceNonce"), nonce}, {QStringLiteral("ott"), ott}}));
    }

    DevServer::Reply refresh(DevServer& server, const QString& refreshToken)
    {
        return server.request("POST", QStringLiteral("/auth/refresh"),
            Api::bytes({{QStringLiteral("refreshToken"), refreshToken}}));
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void browserSignInGivesTokensForTheChosenAccount()
    {
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const QString nonce = QStringLiteral("0F1E2D3C4B5A69788796A5B4C3D2E1F0");
        const QString ott
            = browserSignIn(server, nonce, QStringLiteral("ann+work@example.com"), QStringLiteral("Ann Lee"));
        QVERIFY(!ott.isEmpty());

        const DevServer::Reply tokens = login(server, nonce, ott);
        QCOMPARE(tokens.status, 200);
        const QString access = tokens.object().value(QStringLiteral("accessToken")).toString();
        QVERIFY(!access.isEmpty());
        QVERIFY(!tokens.object().value(QStringLiteral("refreshToken")).toString().isEmpty());

        const QJsonObject user = server.request("GET", QStringLiteral("/api/users/me"), std::nullopt, access)
                                     .object()
                                     .value(QStringLiteral("user"))
                                     .toObject();
        QCOMPARE(user.value(QStringLiteral("email")).toString(), QStringLiteral("ann+work@example.com"));
        QCOMPARE(user.value(QStringLiteral("displayName")).toString(), QStringLiteral("Ann Lee"));
        QVERIFY(user.contains(QStringLiteral("lastLoginAt")));
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F-]{36}$"))
                    .match(user.value(QStringLiteral("id")).toString())
                    .hasMatch());

        // The page offers the account for the next sign-in.
        server.request("GET", QStringLiteral("/auth/google/start?deviceNonce=N2"));
        QVERIFY(server.request("GET", QStringLiteral("/auth/google/page?deviceNonce=N2"))
                    .body.contains("ann+work@example.com"));
    }

    void signInRefusals_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("code");
        QTest::newRow("token used a second time") << "reuse"
                                                  << "INVALID_LOGIN_TOKEN";
        QTest::newRow("token with another device's nonce") << "otherNonce"
                                                           << "INVALID_LOGIN_TOKEN";
        QTest::newRow("token older than five minutes") << "expired"
                                                       << "LOGIN_TOKEN_EXPIRED";
        QTest::newRow("made-up token") << "madeUp"
                                       << "INVALID_LOGIN_TOKEN";
    }

    void signInRefusals()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, code);
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const QString nonce = QStringLiteral("NONCE1");
        QString ott = browserSignIn(server, nonce, QStringLiteral("bob@example.com"), QStringLiteral("Bob"));
        QVERIFY(!ott.isEmpty());
        QString presentedNonce = nonce;
        if (scenario == QLatin1String("reuse"))
            QCOMPARE(login(server, nonce, ott).status, 200);
        else if (scenario == QLatin1String("otherNonce"))
            presentedNonce = QStringLiteral("NONCE2");
        else if (scenario == QLatin1String("expired"))
            QVERIFY(server.advanceClock(301));
        else
            ott = QStringLiteral("ott_invented");

        // Refused with 400, not 401: a client must not take it for a stale bearer token.
        const DevServer::Reply refused = login(server, presentedNonce, ott);
        QCOMPARE(refused.status, 400);
        QCOMPARE(refused.object().value(QStringLiteral("code")).toString(), code);
        QCOMPARE(refused.object().value(QStringLiteral("path")).toString(), QStringLiteral("/auth/login"));
        if (scenario == QLatin1String("otherNonce"))
            QCOMPARE(login(server, nonce, ott).status, 200); // still good for the device it was made for
    }

    void startWithoutNonceIsRefused()
    {
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QCOMPARE(server.request("GET", QStringLiteral("/auth/google/start")).status, 400);
        QCOMPARE(
            server.request("GET", QStringLiteral("/auth/google/page?deviceNonce=never-started")).status, 400);
    }

    void accessTokenExpiresAfterItsLifetime()
    {
        DevServer::Options options;
        options.accessTtlSeconds = 60;
        DevServer server(options);
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        QVERIFY2(ann.isValid(), qPrintable(server.errorString()));
        // Whole seconds of real time may pass meanwhile, hence the margin before the limit.
        QVERIFY(server.advanceClock(58));
        QCOMPARE(server.request("GET", QStringLiteral("/api/users/me"), std::nullopt, ann.accessToken).status,
            200);
        QVERIFY(server.advanceClock(2));
        const DevServer::Reply expired
            = server.request("GET", QStringLiteral("/api/users/me"), std::nullopt, ann.accessToken);
        QCOMPARE(expired.status, 401);
        QCOMPARE(expired.object().value(QStringLiteral("code")).toString(), QStringLiteral("TOKEN_EXPIRED"));

        const DevServer::Reply renewed = refresh(server, ann.refreshToken);
        QCOMPARE(renewed.status, 200);
        const QString access = renewed.object().value(QStringLiteral("accessToken")).toString();
        QCOMPARE(server.request("GET", QStringLiteral("/api/users/me"), std::nullopt, access).status, 200);
    }

    void adminExpiryAffectsOnlyTheGivenToken()
    {
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        const DevServer::Account bob
            = server.createAccount(QStringLiteral("bob@example.com"), QStringLiteral("Bob"));
        QVERIFY(server.expireAccessTokens(ann.accessToken));
        QCOMPARE(server.request("GET", QStringLiteral("/api/users/me"), std::nullopt, ann.accessToken).status,
            401);
        QCOMPARE(server.request("GET", QStringLiteral("/api/users/me"), std::nullopt, bob.accessToken).status,
            200);
    }

    // A session ends for both its tokens, and only that session: by logout, or when a replaced
    // refresh token comes back (it was copied: the session ends for the thief and the person alike).
    void anEndedSessionTakesBothTokens_data()
    {
        QTest::addColumn<bool>("reuse");
        QTest::newRow("logout") << false;
        QTest::newRow("refresh token used twice") << true;
    }

    void anEndedSessionTakesBothTokens()
    {
        QFETCH(bool, reuse);
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        const DevServer::Account otherDevice
            = server.createAccount(QStringLiteral("ann@example.com"), QString());
        QCOMPARE(otherDevice.userId, ann.userId);
        const auto me = [&server](const QString& accessToken) {
            return server.request("GET", QStringLiteral("/api/users/me"), std::nullopt, accessToken).status;
        };
        QString access = ann.accessToken;
        QString refreshToken = ann.refreshToken;
        if (reuse) {
            const DevServer::Reply first = refresh(server, ann.refreshToken);
            QCOMPARE(first.status, 200);
            refreshToken = first.object().value(QStringLiteral("refreshToken")).toString();
            access = first.object().value(QStringLiteral("accessToken")).toString();
            QVERIFY(refreshToken != ann.refreshToken);
            QCOMPARE(me(access), 200);
            const DevServer::Reply replayed = refresh(server, ann.refreshToken);
            QCOMPARE(replayed.status, 401);
            QCOMPARE(replayed.object().value(QStringLiteral("code")).toString(),
                QStringLiteral("INVALID_REFRESH_TOKEN"));
        } else {
            QCOMPARE(
                server
                    .request("POST", QStringLiteral("/auth/logout"),
                        Api::bytes({{QStringLiteral("refreshToken"), ann.refreshToken}}), ann.accessToken)
                    .status,
                204);
        }
        QCOMPARE(refresh(server, refreshToken).status, 401);
        QCOMPARE(me(access), 401);
        QCOMPARE(me(otherDevice.accessToken), 200);
        QCOMPARE(refresh(server, otherDevice.refreshToken).status, 200);
    }

    // "Last used" follows requests, to the minute.
    void sessionLastUsedFollowsUse()
    {
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account ann
            = server.createAccount(QStringLiteral("ann@example.com"), QStringLiteral("Ann"));
        const auto session = [&] {
            return server.request("GET", QStringLiteral("/api/sessions"), std::nullopt, ann.accessToken)
                .object()
                .value(QStringLiteral("sessions"))
                .toArray()
                .at(0)
                .toObject();
        };
        const auto time = [](const QJsonObject& object, const char* key) {
            return QDateTime::fromString(object.value(QLatin1String(key)).toString(), Qt::ISODate);
        };
        const QJsonObject created = session();
        const QDateTime start = time(created, "createdAt");
        QVERIFY(start.isValid());
        QCOMPARE(time(created, "lastUsedAt"), start);
        // Made by the admin endpoint, not by a client: nothing to say where from.
        QVERIFY(created.value(QStringLiteral("clientAddress")).isNull());

        QVERIFY(server.advanceClock(30));
        QCOMPARE(time(session(), "lastUsedAt"), start);
        QVERIFY(server.advanceClock(60));
        const qint64 later = start.secsTo(time(session(), "lastUsedAt"));
        QVERIFY2(later >= 90 && later < 100, qPrintable(QString::number(later)));
        QCOMPARE(time(session(), "createdAt"), start);
    }

    void bearerTokenIsRequired_data()
    {
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<QString>("code");
        QTest::newRow("no header") << QByteArray() << "UNAUTHORIZED";
        QTest::newRow("not a bearer") << QByteArray("Basic YTpi") << "UNAUTHORIZED";
        QTest::newRow("unknown token") << QByteArray("Bearer at_unknown") << "INVALID_TOKEN";
    }

    void bearerTokenIsRequired()
    {
        QFETCH(QByteArray, authorization);
        QFETCH(QString, code);
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(server.baseUrl().toString() + QStringLiteral("/api/boards")));
        if (!authorization.isEmpty())
            request.setRawHeader("Authorization", authorization);
        QNetworkReply* reply = network.get(request);
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 401);
        QCOMPARE(QJsonDocument::fromJson(reply->readAll()).object().value(QStringLiteral("code")).toString(),
            code);
        delete reply;
    }
};

QTEST_GUILESS_MAIN(AuthTest)
#include "AuthTest.moc"
