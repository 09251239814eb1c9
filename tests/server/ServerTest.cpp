// plenko-server over raw HTTP on 127.0.0.1: password accounts from sign-up to tokens, refused
// sign-ins and their limit under every spelling of an e-mail, sign-up and its limit, the password
// policy, sign-in starts and their limit, storage failures kept out of answers, invitation-only sign-up,
// sessions and their revocation, trusted proxies, the request log, HTTPS, the routes it must not have,
// /health, the config file's errors, the database's schema version, and many concurrent writes through two
// server processes on one database. With PLENKO_TEST_DATABASE=postgresql (a second ctest entry)
// the same tests run on PostgreSQL, in a private cluster the test makes and removes.
#include "Clock.h"
#include "Database.h"
#include "HttpError.h"
#include "support/ServerAccounts.h"
#include "support/ServerTestCase.h"
#include "support/WritingClient.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSslCertificate>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <csignal>
#include <memory>
#include <tuple>

namespace {

using namespace ServerAccounts;

const QString ann = QStringLiteral("ann@example.com");
const QString annPassword = QStringLiteral("correct horse");

// Ann's account, made through the sign-in page; the sign-in it started stays open for more forms.
bool annSignedUp(ServerProcess& server)
{
    return startSignIn(server) && signUp(server, ann, annPassword).status == 302;
}

// A whole sign-in as the application makes it, from a client that names itself with this agent.
Tokens signedIn(ServerProcess& server, const QString& email, const QString& password, const QByteArray& agent)
{
    if (!startSignIn(server))
        return {};
    return login(server, callbackToken(signIn(server, email, password)), agent);
}

int refreshStatus(ServerProcess& server, const QString& refreshToken)
{
    return server
        .sendJson("POST", QStringLiteral("/auth/refresh"), {{QStringLiteral("refreshToken"), refreshToken}})
        .status;
}

QJsonArray sessionsOf(ServerProcess& server, const QString& accessToken)
{
    return server.getWithToken(QStringLiteral("/api/sessions"), accessToken)
        .json()
        .value(QStringLiteral("sessions"))
        .toArray();
}

// The request lines of the log that name this method and path.
QStringList logLines(const ServerProcess& server, const QString& methodAndPath)
{
    return server.output().filter(QLatin1Char(' ') + methodAndPath + QLatin1Char(' '));
}

// Runs openssl to make a key and a certificate for 127.0.0.1 valid one day; empty on success.
QString makeCertificate(const QString& certificatePath, const QString& keyPath)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
        {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
            QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
            QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
            QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
            QStringLiteral("subjectAltName=IP:127.0.0.1"), QStringLiteral("-keyout"), keyPath,
            QStringLiteral("-out"), certificatePath});
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit
        || openssl.exitCode() != 0)
        return QStringLiteral("openssl could not make a certificate: %1 %2")
            .arg(openssl.errorString(), QString::fromUtf8(openssl.readAllStandardError()));
    return {};
}

// Exchanges the one-time token as the application does and returns the signed-in user's e-mail.
QString emailAfterLogin(ServerProcess& server, const QString& ott)
{
    const QString access = accessToken(server, ott);
    if (access.isEmpty())
        return {};
    return server.getWithToken(QStringLiteral("/api/users/me"), access)
        .json()
        .value(QStringLiteral("user"))
        .toObject()
        .value(QStringLiteral("email"))
        .toString();
}

} // namespace

class ServerTest : public ServerTestCase
{
    Q_OBJECT

private Q_SLOTS:
    // Ann has an account; someone fills in the sign-in or the sign-up form. A refusal says why on
    // the page to try again, and leaves Ann's account as it was.
    void accountFormsCheckWhatTheyAreGiven_data()
    {
        QTest::addColumn<bool>("signingUp");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        // The same words whether the e-mail or the password was wrong.
        const QString wrong = QStringLiteral("Wrong e-mail or password.");
        QTest::newRow("right password") << false << "ann@example.com"
                                        << "correct horse" << 302 << "";
        QTest::newRow("e-mail in other case") << false << "Ann@Example.com"
                                              << "correct horse" << 302 << "";
        QTest::newRow("wrong password") << false << "ann@example.com"
                                        << "correct hors" << 401 << wrong;
        QTest::newRow("password in other case") << false << "ann@example.com"
                                                << "Correct Horse" << 401 << wrong;
        QTest::newRow("empty password") << false << "ann@example.com"
                                        << "" << 401 << wrong;
        QTest::newRow("unknown e-mail") << false << "bob@example.com"
                                        << "correct horse" << 401 << wrong;
        QTest::newRow("existing e-mail") << true << "ANN@example.com"
                                         << "another password" << 409 << "already an account";
        QTest::newRow("nine characters") << true << "cy@example.com"
                                         << "123456789" << 400 << "10 to 1024 characters";
        QTest::newRow("\"password\"") << true << "cy@example.com"
                                      << "password" << 400 << "10 to 1024 characters";
        QTest::newRow("eight spaces") << true << "cy@example.com"
                                      << "        " << 400 << "10 to 1024 characters";
        QTest::newRow("common password") << true << "cy@example.com"
                                         << "Basketball" << 400 << "among the most common ones";
        QTest::newRow("one character repeated") << true << "cy@example.com"
                                                << "zzzzzzzzzzzz" << 400 << "one character repeated";
        QTest::newRow("not an e-mail") << true << "cy.example.com"
                                       << "long enough" << 400 << "not an e-mail address";
    }

    void accountFormsCheckWhatTheyAreGiven()
    {
        QFETCH(bool, signingUp);
        QFETCH(QString, email);
        QFETCH(QString, password);
        QFETCH(int, status);
        QFETCH(QString, message);
        ServerProcess server(config());
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        QCOMPARE(emailAfterLogin(server, callbackToken(signUp(server, ann, annPassword))), ann);

        QVERIFY(startSignIn(server));
        const ServerProcess::Reply reply
            = signingUp ? signUp(server, email, password) : signIn(server, email, password);
        QCOMPARE(reply.status, status);
        if (status == 302) {
            QCOMPARE(emailAfterLogin(server, callbackToken(reply)), ann);
            return;
        }
        QVERIFY2(reply.body.contains(message.toUtf8()), reply.body.constData());
        QVERIFY(reply.body.contains("name=\"password\""));
        QVERIFY(reply.header("Location").isEmpty());
        QCOMPARE(signIn(server, ann, annPassword).status, 302);
    }

    void failedSignInsAreLimited_data()
    {
        QTest::addColumn<QString>("limits");
        QTest::addColumn<bool>("sameAccount");
        QTest::newRow("per account")
            << "[signIn]\nmaxFailuresPerAccount=3\nmaxFailuresPerAddress=100\nfailureWindowSeconds=600\n"
            << true;
        QTest::newRow("per address")
            << "[signIn]\nmaxFailuresPerAccount=100\nmaxFailuresPerAddress=3\nfailureWindowSeconds=600\n"
            << false;
    }

    void failedSignInsAreLimited()
    {
        QFETCH(QString, limits);
        QFETCH(bool, sameAccount);
        ServerProcess server(config(limits));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(annSignedUp(server));
        QCOMPARE(
            signUp(server, QStringLiteral("bob@example.com"), QStringLiteral("battery staple")).status, 302);

        for (int attempt = 0; attempt < 3; ++attempt) {
            const QString email = sameAccount ? ann : QStringLiteral("guess%1@example.com").arg(attempt);
            QCOMPARE(signIn(server, email, QStringLiteral("wrong guess")).status, 401);
        }
        // Even the right password is refused now, without saying whether it was right.
        const ServerProcess::Reply blocked = signIn(server, ann, annPassword);
        QCOMPARE(blocked.status, 429);
        QVERIFY(blocked.body.contains("Too many failed sign-ins. Try again in 10 minutes."));
        QVERIFY(blocked.header("Location").isEmpty());
        // Until the oldest of the three failures leaves the 600-second window (the three Argon2id checks
        // take a few seconds on a busy machine).
        bool isNumber = false;
        const int retryAfter = blocked.header("Retry-After").toInt(&isNumber);
        QVERIFY2(
            isNumber && retryAfter > 540 && retryAfter <= 600, blocked.header("Retry-After").constData());
        // A limit on one account leaves the others alone; a limit on the address blocks them all.
        QCOMPARE(signIn(server, QStringLiteral("bob@example.com"), QStringLiteral("battery staple")).status,
            sameAccount ? 302 : 429);
        // Failures are kept in the database: a restart does not reset the count.
        server.stop();
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        const ServerProcess::Reply stillBlocked = signIn(server, ann, annPassword);
        QCOMPARE(stillBlocked.status, 429);
        QVERIFY(stillBlocked.header("Retry-After").toInt() > 0);
    }

    // Once an account's failures reach the limit, no other spelling of its e-mail gets more guesses:
    // the limit and the lookup name accounts by one key. On PostgreSQL the database follows
    // C.UTF-8, as production clusters follow a UTF-8 locale, where lower('İ') is 'i'.
    void everySpellingOfAnEmailSharesItsLimit_data()
    {
        QTest::addColumn<QString>("spelling");
        QTest::addColumn<int>("status");
        QTest::newRow("upper case") << "KIM@EXAMPLE.COM" << 429;
        QTest::newRow("full-width letters") << "\uff4b\uff49\uff4d@example.com" << 429;
        // Another address under the key: no account has it, so the right password does not fit.
        QTest::newRow("dotted capital I") << "K\u0130M@example.com" << 401;
    }

    void everySpellingOfAnEmailSharesItsLimit()
    {
        QFETCH(QString, spelling);
        QFETCH(int, status);
        QString database = QStringLiteral("data.sqlite");
        if (cluster()) {
            static int count = 0;
            const QString name = QStringLiteral("plenko_utf8_%1").arg(++count);
            cluster()->queryValue(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 LC_COLLATE 'C.UTF-8'"
                                                 " LC_CTYPE 'C.UTF-8'")
                                      .arg(name));
            database
                = QStringLiteral("postgresql://postgres@127.0.0.1:%1/%2").arg(cluster()->port()).arg(name);
        }
        ServerProcess server(config(
            QStringLiteral("[signIn]\nmaxFailuresPerAccount=3\nmaxFailuresPerAddress=100\n"), database));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        QCOMPARE(
            signUp(server, QStringLiteral("kim@example.com"), QStringLiteral("correct horse")).status, 302);
        for (int attempt = 0; attempt < 3; ++attempt)
            QCOMPARE(
                signIn(server, QStringLiteral("kim@example.com"), QStringLiteral("wrong guess")).status, 401);
        QCOMPARE(signIn(server, spelling, QStringLiteral("correct horse")).status, status);
    }

    void signInStartsAreLimitedPerAddress()
    {
        const QString database = newDatabase();
        ServerProcess server(config({}, database));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Database db;
        QVERIFY(!db.open(location(server, database)));
        // A sign-in started 31 minutes ago can no longer finish: the next start removes it.
        db.execute(QStringLiteral("INSERT INTO login_nonces (nonce, created_at) VALUES ('stale', ?)"),
            {QDateTime::currentSecsSinceEpoch() - 31 * 60});
        // A nonce longer than any device makes is refused, and not kept.
        const ServerProcess::Reply tooLong
            = server.get(QStringLiteral("/auth/google/start?deviceNonce=") + QString(129, QLatin1Char('n')));
        QCOMPARE(tooLong.status, 400);
        QVERIFY(tooLong.json()
                    .value(QStringLiteral("message"))
                    .toString()
                    .contains(QStringLiteral("\"deviceNonce\"")));
        for (int start = 0; start < 30; ++start)
            QCOMPARE(server.get(QStringLiteral("/auth/google/start?deviceNonce=N%1").arg(start)).status, 200);
        QVERIFY(!db.queryOne(QStringLiteral("SELECT nonce FROM login_nonces WHERE nonce = 'stale'")));
        QVERIFY(db.queryOne(QStringLiteral("SELECT nonce FROM login_nonces WHERE nonce = 'N29'")));
        const ServerProcess::Reply limited
            = server.get(QStringLiteral("/auth/google/start?deviceNonce=late"));
        QCOMPARE(limited.status, 429);
        QCOMPARE(limited.json().value(QStringLiteral("code")).toString(),
            QStringLiteral("TOO_MANY_SIGN_IN_STARTS"));
        const int retryAfter = limited.header("Retry-After").toInt();
        QVERIFY2(retryAfter > 0 && retryAfter <= 600, limited.header("Retry-After").constData());
    }

    // What a database says about a failure (it may quote the data) goes to the log under a request
    // id; the answer names only that id. Also when the failing write went out with the commit, and
    // the connections serve on.
    void storageFailuresAreLoggedNotAnswered_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("a statement of its own") << "feedback";
        QTest::newRow("a write sent with the commit") << "changes";
    }

    void storageFailuresAreLoggedNotAnswered()
    {
        QFETCH(QString, table);
        const QString database = newDatabase();
        ServerProcess server(config({}, database));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const QString access = signedUp(server, ann, annPassword);
        QVERIFY(!access.isEmpty());
        const ServerProcess::Reply board = server.post(QStringLiteral("/api/boards"),
            QByteArrayLiteral(R"({"name": "Notes"})"), QByteArrayLiteral("application/json"), access);
        QCOMPARE(board.status, 200);
        const QString boardId = board.json().value(QStringLiteral("id")).toString();
        {
            Database db;
            QVERIFY(!db.open(location(server, database)));
            db.execute(QStringLiteral("DROP TABLE ") + table);
        }
        const ServerProcess::Reply failed = table == QLatin1String("feedback")
            ? server.send("POST", QStringLiteral("/api/feedback"),
                QByteArrayLiteral(R"({"text":"secret words"})"), QByteArrayLiteral("application/json"),
                access)
            : server.sendJson("POST",
                QStringLiteral("/api/boards/%1/items/%2")
                    .arg(boardId, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()),
                {{QStringLiteral("content"), QStringLiteral("secret words")},
                    {QStringLiteral("status"), QStringLiteral("TODO")}, {QStringLiteral("order"), 1},
                    {QStringLiteral("createdAt"), QStringLiteral("2026-01-01T00:00:00Z")},
                    {QStringLiteral("boardId"), boardId}},
                access);
        QCOMPARE(failed.status, 500);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(server.getWithToken(QStringLiteral("/api/boards"), access).status, 200);
        const QString message = failed.json().value(QStringLiteral("message")).toString();
        const QRegularExpressionMatch id = QRegularExpression(
            QStringLiteral("^The service could not complete this request. \\(request ([0-9a-f]{16})\\)$"))
                                               .match(message);
        QVERIFY2(id.hasMatch(), failed.body.constData());
        const QRegularExpression driverText(QStringLiteral("no such table|does not exist"));
        QVERIFY2(!QString::fromUtf8(failed.body).contains(driverText), failed.body.constData());
        QTRY_VERIFY2(!server.output().filter(id.captured(1)).filter(driverText).isEmpty(),
            qPrintable(server.output().join(QLatin1Char('\n'))));
    }

    void invitationOnlySignUpRefusesUnknownEmails()
    {
        ServerProcess server(config({}, newDatabase(), QStringLiteral("invitation")));
        const ServerProcess::Outcome invited = ServerProcess::run({QStringLiteral("--config"),
            server.configPath(), QStringLiteral("--invite"), QStringLiteral("Cy@example.com")});
        QCOMPARE(invited.exitCode, 0);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));

        const ServerProcess::Reply refused
            = signUp(server, QStringLiteral("dee@example.com"), QStringLiteral("long enough"));
        QCOMPARE(refused.status, 403);
        QVERIFY(refused.body.contains("by invitation only"));
        QCOMPARE(
            signIn(server, QStringLiteral("dee@example.com"), QStringLiteral("long enough")).status, 401);

        const ServerProcess::Reply accepted
            = signUp(server, QStringLiteral("cy@example.com"), QStringLiteral("long enough"));
        QCOMPARE(emailAfterLogin(server, callbackToken(accepted)), QStringLiteral("cy@example.com"));
        // An invitation makes one account; an e-mail with an account answers word for word as one
        // without an invitation, so sign-up does not tell which e-mails have accounts.
        QVERIFY(startSignIn(server));
        const ServerProcess::Reply taken
            = signUp(server, QStringLiteral("cy@example.com"), QStringLiteral("other password"));
        QCOMPARE(taken.status, 403);
        QCOMPARE(QString::fromUtf8(taken.body),
            QString::fromUtf8(refused.body)
                .replace(QStringLiteral("dee@example.com"), QStringLiteral("cy@example.com")));
        QCOMPARE(signIn(server, QStringLiteral("cy@example.com"), QStringLiteral("long enough")).status, 302);
    }

    void signUpIsLimitedPerAddress()
    {
        ServerProcess server(config(QStringLiteral(
            "maxSignUpsPerAddress=3\nsignUpWindowSeconds=600\n[server]\ntrustedProxies=127.0.0.1\n")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        // Refused attempts count too: they are how taken e-mails would be probed.
        QCOMPARE(signUp(server, ann, annPassword).status, 302);
        QCOMPARE(signUp(server, ann, annPassword).status, 409);
        QCOMPARE(signUp(server, QStringLiteral("bad address"), QStringLiteral("correct horse")).status, 400);

        const ServerProcess::Reply limited
            = signUp(server, QStringLiteral("bob@example.com"), QStringLiteral("battery staple"));
        QCOMPARE(limited.status, 429);
        QVERIFY2(
            limited.body.contains("Too many sign-ups from your network address. Try again in 10 minutes."),
            limited.body.constData());
        bool isNumber = false;
        const int retryAfter = limited.header("Retry-After").toInt(&isNumber);
        QVERIFY2(isNumber && retryAfter > 0 && retryAfter <= 600, limited.header("Retry-After").constData());
        QVERIFY(limited.header("Location").isEmpty());
        // No account was made, and signing in is not what is limited.
        QCOMPARE(
            signIn(server, QStringLiteral("bob@example.com"), QStringLiteral("battery staple")).status, 401);
        QCOMPARE(signIn(server, ann, annPassword).status, 302);
        // The limit is per client address: another client behind the trusted proxy may sign up.
        QVERIFY(startSignIn(server));
        const ServerProcess::Reply elsewhere = server.send("POST", QStringLiteral("/auth/google/signup"),
            form({{QStringLiteral("deviceNonce"), nonce},
                {QStringLiteral("email"), QStringLiteral("bob@example.com")},
                {QStringLiteral("password"), QStringLiteral("battery staple")}}),
            formType, {}, {{"X-Forwarded-For", "203.0.113.9"}});
        QCOMPARE(elsewhere.status, 302);
    }

    void sessionsAreListedAndRevocable()
    {
        ServerProcess server(config());
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(annSignedUp(server));
        QCOMPARE(
            signUp(server, QStringLiteral("bob@example.com"), QStringLiteral("battery staple")).status, 302);
        // U+009B is the one-byte form of the escape that starts terminal commands.
        const QString laptopAgent = QStringLiteral("Laptop/1.0 \u009b2J");
        const Tokens laptop = signedIn(server, ann, annPassword, laptopAgent.toUtf8());
        const Tokens desktop = signedIn(server, ann, annPassword, "Desktop/2.0");
        const Tokens bob = signedIn(
            server, QStringLiteral("bob@example.com"), QStringLiteral("battery staple"), "Other/1.0");
        QVERIFY(!laptop.access.isEmpty() && !desktop.access.isEmpty() && !bob.access.isEmpty());

        // The caller sees their own sessions only, the one they ask from marked current.
        const QJsonArray listed = sessionsOf(server, laptop.access);
        QCOMPARE(listed.size(), 2);
        QString laptopId;
        QString desktopId;
        for (const QJsonValue& value : listed) {
            const QJsonObject session = value.toObject();
            const bool isLaptop = session.value(QStringLiteral("userAgent")).toString() == laptopAgent;
            (isLaptop ? laptopId : desktopId) = session.value(QStringLiteral("id")).toString();
            QCOMPARE(session.value(QStringLiteral("current")).toBool(), isLaptop);
            QCOMPARE(session.value(QStringLiteral("clientAddress")).toString(), QStringLiteral("127.0.0.1"));
            QVERIFY(session.value(QStringLiteral("createdAt")).toString().endsWith(QLatin1Char('Z')));
            QVERIFY(session.value(QStringLiteral("lastUsedAt")).toString().endsWith(QLatin1Char('Z')));
        }
        QVERIFY(!laptopId.isEmpty() && !desktopId.isEmpty());
        const QString bobId
            = sessionsOf(server, bob.access).at(0).toObject().value(QStringLiteral("id")).toString();

        // Another person's session cannot be ended, nor told apart from a missing one.
        QCOMPARE(
            server.send("DELETE", QStringLiteral("/api/sessions/") + bobId, {}, {}, laptop.access).status,
            404);
        QCOMPARE(server.getWithToken(QStringLiteral("/api/users/me"), bob.access).status, 200);

        QCOMPARE(
            server.send("DELETE", QStringLiteral("/api/sessions/") + desktopId, {}, {}, laptop.access).status,
            204);
        const ServerProcess::Reply refused
            = server.getWithToken(QStringLiteral("/api/users/me"), desktop.access);
        QCOMPARE(refused.status, 401);
        QCOMPARE(refused.json().value(QStringLiteral("code")).toString(), QStringLiteral("INVALID_TOKEN"));
        QCOMPARE(refreshStatus(server, desktop.refresh), 401);
        QCOMPARE(
            server.send("DELETE", QStringLiteral("/api/sessions/") + desktopId, {}, {}, laptop.access).status,
            404);
        QCOMPARE(sessionsOf(server, laptop.access).size(), 1);

        // The operator's commands work on the running server's database.
        const ServerProcess::Outcome listedByOperator = ServerProcess::run({QStringLiteral("--config"),
            server.configPath(), QStringLiteral("--list-sessions"), QStringLiteral("ANN@example.com")});
        QCOMPARE(listedByOperator.exitCode, 0);
        const QStringList rows = listedByOperator.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows.at(1).startsWith(laptopId + QLatin1Char('\t')), qPrintable(listedByOperator.out));
        // What the client sent reaches the operator's terminal escaped.
        QVERIFY2(rows.at(1).endsWith(QStringLiteral("\t127.0.0.1\tLaptop/1.0 \\x9b2J")),
            qPrintable(listedByOperator.out));

        const ServerProcess::Outcome revoked = ServerProcess::run(
            {QStringLiteral("--config"), server.configPath(), QStringLiteral("--revoke-sessions"), ann});
        QCOMPARE(revoked.exitCode, 0);
        QVERIFY2(revoked.out.contains(QStringLiteral("Ended 1 session(s)")), qPrintable(revoked.out));
        QCOMPARE(server.getWithToken(QStringLiteral("/api/users/me"), laptop.access).status, 401);
        QCOMPARE(refreshStatus(server, laptop.refresh), 401);
        QCOMPARE(server.getWithToken(QStringLiteral("/api/users/me"), bob.access).status, 200);

        const ServerProcess::Outcome unknown
            = ServerProcess::run({QStringLiteral("--config"), server.configPath(),
                QStringLiteral("--revoke-sessions"), QStringLiteral("nobody\x1b]0;x\x07@example.com")});
        QCOMPARE(unknown.exitCode, 2);
        QVERIFY2(unknown.err.contains(
                     QStringLiteral("no account has the e-mail nobody\\x1b]0;x\\x07@example.com")),
            qPrintable(unknown.err));
    }

    void sessionsEndAtTheirMaximumAge_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("ageDays");
        QTest::addColumn<bool>("throughRefresh");
        QTest::addColumn<bool>("ended");
        QTest::newRow("default 90 days, 89 days old") << "" << 89 << false << false;
        QTest::newRow("default 90 days, 91 days old, access token") << "" << 91 << false << true;
        QTest::newRow("default 90 days, 91 days old, refresh token") << "" << 91 << true << true;
        QTest::newRow("7 days, 8 days old") << "[sessions]\nmaxAgeDays=7\n" << 8 << true << true;
        QTest::newRow("no limit, 3650 days old") << "[sessions]\nmaxAgeDays=0\n" << 3650 << true << false;
    }

    void sessionsEndAtTheirMaximumAge()
    {
        QFETCH(QString, settings);
        QFETCH(int, ageDays);
        QFETCH(bool, throughRefresh);
        QFETCH(bool, ended);
        const QString database = newDatabase();
        ServerProcess server(config(settings, database));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(annSignedUp(server));
        const Tokens tokens = signedIn(server, ann, annPassword, "Laptop/1.0");
        QVERIFY(!tokens.access.isEmpty());
        {
            Database db;
            const std::optional<QString> opened = db.open(location(server, database));
            QVERIFY2(!opened, qPrintable(opened.value_or(QString())));
            QCOMPARE(db.execute(QStringLiteral("UPDATE session_details SET created_at = ?"),
                         {Clock::iso(QDateTime::currentDateTimeUtc().addDays(-ageDays))}),
                1);
        }

        // Whichever token comes first finds the session too old and ends it, the other one with it.
        int refreshed = 0;
        ServerProcess::Reply me;
        if (throughRefresh)
            refreshed = refreshStatus(server, tokens.refresh);
        me = server.getWithToken(QStringLiteral("/api/users/me"), tokens.access);
        if (!throughRefresh)
            refreshed = refreshStatus(server, tokens.refresh);
        if (ended) {
            QCOMPARE(refreshed, 401);
            QCOMPARE(me.status, 401);
            QCOMPARE(me.json().value(QStringLiteral("code")).toString(), QStringLiteral("INVALID_TOKEN"));
            // Signing in again makes a new session that works.
            const Tokens again = signedIn(server, ann, annPassword, "Laptop/1.0");
            QCOMPARE(server.getWithToken(QStringLiteral("/api/users/me"), again.access).status, 200);
        } else {
            QCOMPARE(refreshed, 200);
            QCOMPARE(me.status, 200);
        }
    }

    void forwardedForIsReadOnlyFromTrustedProxies_data()
    {
        QTest::addColumn<QString>("trusted");
        QTest::addColumn<QByteArray>("failing");
        QTest::addColumn<QByteArray>("other");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<int>("otherStatus");
        // Without trusted proxies the header is anyone's to write: every request is the peer's.
        QTest::newRow("no trusted proxy")
            << "" << QByteArray("203.0.113.5") << QByteArray("203.0.113.6") << "127.0.0.1" << 429;
        QTest::newRow("peer not trusted")
            << "10.0.0.1" << QByteArray("203.0.113.5") << QByteArray("203.0.113.6") << "127.0.0.1" << 429;
        QTest::newRow("trusted peer")
            << "127.0.0.1" << QByteArray("203.0.113.5") << QByteArray("203.0.113.6") << "203.0.113.5" << 302;
        QTest::newRow("IPv6 client") << "127.0.0.1, ::1" << QByteArray("2001:db8::5")
                                     << QByteArray("2001:db8::6") << "2001:db8::5" << 302;
        // What the client wrote before the proxy's own entry is not believed.
        QTest::newRow("forged entries") << "127.0.0.1" << QByteArray("198.51.100.7, 203.0.113.5")
                                        << QByteArray("198.51.100.7, 203.0.113.6") << "203.0.113.5" << 302;
        QTest::newRow("chain of proxies") << "127.0.0.1, 10.0.0.0/8" << QByteArray("203.0.113.5, 10.1.2.3")
                                          << QByteArray("203.0.113.6, 10.1.2.3") << "203.0.113.5" << 302;
        QTest::newRow("malformed entry")
            << "127.0.0.1, 10.0.0.0/8" << QByteArray("203.0.113.5, bogus, 10.1.2.3")
            << QByteArray("203.0.113.6, bogus, 10.1.2.4") << "10.1.2.3" << 302;
    }

    void forwardedForIsReadOnlyFromTrustedProxies()
    {
        QFETCH(QString, trusted);
        QFETCH(QByteArray, failing);
        QFETCH(QByteArray, other);
        QFETCH(QString, logged);
        QFETCH(int, otherStatus);
        ServerProcess server(config(QStringLiteral(
            "[signIn]\nmaxFailuresPerAccount=100\nmaxFailuresPerAddress=2\n[server]\ntrustedProxies=%1\n")
                                        .arg(trusted)));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(annSignedUp(server));
        for (int attempt = 0; attempt < 2; ++attempt)
            QCOMPARE(
                signIn(server, ann, QStringLiteral("wrong"), {{"X-Forwarded-For", failing}}).status, 401);
        QCOMPARE(signIn(server, ann, annPassword, {{"X-Forwarded-For", failing}}).status, 429);
        QCOMPARE(signIn(server, ann, annPassword, {{"X-Forwarded-For", other}}).status, otherStatus);
        QVERIFY(QTest::qWaitFor(
            [&] { return logLines(server, QStringLiteral("POST /auth/google/complete")).size() == 4; },
            5000));
        const QString first = logLines(server, QStringLiteral("POST /auth/google/complete")).first();
        QVERIFY2(first.section(QLatin1Char(' '), 1, 1) == logged, qPrintable(first));
    }

    void eachRequestIsLoggedWithoutSecrets()
    {
        ServerProcess server(config());
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const ServerProcess::Reply health = server.get(QStringLiteral("/health?token=secret-in-query"));
        QCOMPARE(health.status, 200);
        QVERIFY(health.header("Content-Type").startsWith("application/json"));
        QCOMPARE(health.json().value(QStringLiteral("status")).toString(), QStringLiteral("ok"));
        QVERIFY(annSignedUp(server));
        const Tokens tokens = signedIn(server, ann, annPassword, "Laptop/1.0");
        QVERIFY(!tokens.access.isEmpty());
        QCOMPARE(server.get(QStringLiteral("/no/such%0Aline")).status, 404);

        QVERIFY(QTest::qWaitFor(
            [&] { return !logLines(server, QStringLiteral("GET /no/such%0Aline")).isEmpty(); }, 5000));
        static const QRegularExpression line(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z 127\\.0\\.0\\.1 (GET|POST) "
                           "/\\S* \\d{3} \\d+ms$"));
        const QStringList requests = server.output().filter(QStringLiteral(" 127.0.0.1 "));
        // health, start, page, sign-up, start, page, sign-in, login, 404.
        QCOMPARE(requests.size(), 9);
        for (const QString& request : requests)
            QVERIFY2(line.match(request).hasMatch(), qPrintable(request));
        QVERIFY2(logLines(server, QStringLiteral("GET /health"))
                     .first()
                     .contains(QStringLiteral(" GET /health 200 ")),
            qPrintable(server.output().join(QLatin1Char('\n'))));
        const QString all = server.output().join(QLatin1Char('\n'));
        for (const QString& secret : {QStringLiteral("secret-in-query"), QStringLiteral("correct horse"),
                 QStringLiteral("correct%20horse"), tokens.access, tokens.refresh, nonce,
                 QStringLiteral("ott_")})
            QVERIFY2(!all.contains(secret), qPrintable(secret));
    }

    void httpsWithTheConfiguredCertificate()
    {
        QTemporaryDir files;
        const QString certificate = files.filePath(QStringLiteral("cert.pem"));
        const QString error = makeCertificate(certificate, files.filePath(QStringLiteral("key.pem")));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QFile certificateFile(certificate);
        QVERIFY(certificateFile.open(QIODevice::ReadOnly));
        const QList<QSslCertificate> trusted = QSslCertificate::fromData(certificateFile.readAll());
        QCOMPARE(trusted.size(), 1);

        ServerProcess server(config(QStringLiteral("[tls]\ncertificate=%1\nprivateKey=%2\n")
                                        .arg(certificate, files.filePath(QStringLiteral("key.pem")))));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QCOMPARE(server.scheme(), QStringLiteral("https"));
        // A client that does not trust the certificate gets no answer.
        const ServerProcess::Reply untrusted = server.get(QStringLiteral("/health"));
        QCOMPARE(untrusted.status, 0);
        QVERIFY2(untrusted.error.contains(QStringLiteral("self-signed")), qPrintable(untrusted.error));

        server.trustCertificate(trusted.first());
        // Connections that never start their handshake hold no one else up: neither while they
        // stay open nor after they went.
        std::vector<std::unique_ptr<QTcpSocket>> silent;
        for (int i = 0; i < 40; ++i) {
            silent.push_back(std::make_unique<QTcpSocket>());
            silent.back()->connectToHost(QHostAddress::LocalHost, server.port());
            QVERIFY(silent.back()->waitForConnected(5000));
        }
        QCOMPARE(server.get(QStringLiteral("/health")).status, 200);
        silent.clear();
        const ServerProcess::Reply health = server.get(QStringLiteral("/health"));
        QVERIFY2(health.status == 200, qPrintable(health.error));
        QCOMPARE(health.header("Strict-Transport-Security"), QByteArray("max-age=31536000"));
        // The sign-in page is offered on HTTPS too, and the whole sign-in works over it.
        const QString loginUrl = server.get(QStringLiteral("/auth/google/start?deviceNonce=") + nonce)
                                     .json()
                                     .value(QStringLiteral("loginUrl"))
                                     .toString();
        QVERIFY2(loginUrl.startsWith(QStringLiteral("https://127.0.0.1:")), qPrintable(loginUrl));
        QVERIFY(annSignedUp(server));
        const Tokens tokens = signedIn(server, ann, annPassword, "Laptop/1.0");
        QCOMPARE(server.getWithToken(QStringLiteral("/api/users/me"), tokens.access).status, 200);
    }

    // Every answer carries the headers that keep a browser from sniffing it, HTML ones those that
    // keep it from being framed or kept; the devserver's development routes are not there at all.
    void answersCarrySecurityHeaders_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("html");
        const QByteArray get("GET");
        const QByteArray post("POST");
        QTest::newRow("sign-in page")
            << get << QStringLiteral("/auth/google/page?deviceNonce=") + nonce << 200 << true;
        QTest::newRow("release page") << get << "/releases/0.1.0" << 200 << true;
        QTest::newRow("JSON") << get << "/health" << 200 << false;
        QTest::newRow("error") << get << "/no/such/path" << 404 << false;
        QTest::newRow("admin accounts") << post << "/__admin/accounts" << 404 << false;
        QTest::newRow("admin reset") << post << "/__admin/reset" << 404 << false;
        QTest::newRow("admin clock") << post << "/__admin/clock" << 404 << false;
        QTest::newRow("admin faults") << post << "/__admin/faults" << 404 << false;
        QTest::newRow("admin feedback") << get << "/__admin/feedback" << 404 << false;
        // The devserver's password-less account picker answers a GET with a redirect.
        QTest::newRow("sign-in without password")
            << get
            << "/auth/google/complete?deviceNonce=" + nonce + "&email=eve%40example.com&displayName=Eve"
            << 405 << false;
    }

    void answersCarrySecurityHeaders()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(bool, html);
        ServerProcess server(config());
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        const ServerProcess::Reply reply = method == "GET"
            ? server.get(path)
            : server.post(path,
                QByteArrayLiteral(
                    "{\"email\": \"eve@example.com\", \"kind\": \"status\", \"advanceSeconds\": 60}"),
                QByteArrayLiteral("application/json"));
        QCOMPARE(reply.status, status);
        QVERIFY(reply.header("Location").isEmpty());
        QCOMPARE(reply.header("X-Content-Type-Options"), QByteArray("nosniff"));
        QCOMPARE(reply.header("X-Frame-Options"), html ? QByteArray("DENY") : QByteArray());
        QCOMPARE(reply.header("Referrer-Policy"), html ? QByteArray("no-referrer") : QByteArray());
        QCOMPARE(reply.header("Cache-Control"), html ? QByteArray("no-store") : QByteArray());
        const QByteArray policy = reply.header("Content-Security-Policy");
        QCOMPARE(policy.contains("frame-ancestors 'none'"), html);
        QCOMPARE(policy.contains("default-src 'none'"), html);
        // Plain HTTP: no HSTS, which a browser would ignore there anyway.
        QVERIFY(reply.header("Strict-Transport-Security").isEmpty());
    }

    void absoluteAddressesUseThePublicBaseUrl()
    {
        ServerProcess server(config(QStringLiteral("[server]\npublicBaseUrl=https://plenko.example.com\n")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const ServerProcess::Reply appcast
            = server.send("GET", QStringLiteral("/appcast.json"), {}, {}, {}, {{"Host", "attacker.example"}});
        QCOMPARE(appcast.status, 200);
        const QString download = appcast.json()
                                     .value(QStringLiteral("items"))
                                     .toArray()
                                     .first()[QStringLiteral("downloadUrl")]
                                     .toString();
        QVERIFY2(download.startsWith(QStringLiteral("https://plenko.example.com/releases/")),
            qPrintable(download));
    }

    void aLostDatabaseConnectionIsOpenedAgain()
    {
        if (!cluster())
            QSKIP("A SQLite file has no connection to lose.");
        const QString database = newDatabase();
        ServerProcess server(config({}, database));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QCOMPARE(server.get(QStringLiteral("/health")).status, 200);
        {
            // What a restart of PostgreSQL or an idle timeout does to the server's connection.
            Database admin;
            QVERIFY(!admin.open(database));
            const QList<Row> ended = admin.query(
                QStringLiteral("SELECT pg_terminate_backend(pid) AS ended FROM pg_stat_activity"
                               " WHERE datname = current_database() AND pid <> pg_backend_pid()"));
            // One connection for each worker and the server's own.
            QVERIFY(ended.size() > 1);
        }
        // Whichever worker takes a request finds its connection gone and opens it again.
        for (int i = 0; i < 8; ++i)
            QCOMPARE(server.get(QStringLiteral("/health")).status, 200);
        QVERIFY(annSignedUp(server));
    }

    // A write whose outcome nothing reads may go out with the next statement (PostgreSQL batches
    // them). Its failure still fails its whole transaction, and the connection works on.
    void aWriteSentLaterFailsItsWholeTransaction_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("failure met by the next statement") << "statement";
        QTest::newRow("failure met by the commit") << "commit";
        QTest::newRow("work refused before they went out") << "refusal";
    }

    void aWriteSentLaterFailsItsWholeTransaction()
    {
        QFETCH(QString, end);
        QTemporaryDir dir;
        Database db;
        QVERIFY(!db.open(cluster() ? newDatabase() : dir.filePath(QStringLiteral("notes.sqlite"))));
        db.execute(QStringLiteral("CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT NOT NULL)"));
        const QString insert = QStringLiteral("INSERT INTO notes (id, text) VALUES (?, ?)");
        const auto count
            = [&] { return db.queryOne(QStringLiteral("SELECT COUNT(*) AS n FROM notes"))->integer("n"); };
        const bool refused = end == QLatin1String("refusal");
        int failure = 0;
        try {
            db.transaction([&] {
                db.executeLater(insert, {1, QStringLiteral("first")});
                db.executeLater(insert, {refused ? 2 : 1, QStringLiteral("same id")});
                db.executeLater(insert, {5, QStringLiteral("after the failure")});
                if (refused)
                    throw HttpError::badRequest(QStringLiteral("refused"));
                if (end == QLatin1String("statement"))
                    db.query(QStringLiteral("SELECT text FROM notes"));
            });
        } catch (const HttpError& error) {
            failure = error.status;
        }
        QCOMPARE(failure, refused ? 400 : 500);
        QCOMPARE(count(), 0);
        // A read-only start meets the write and runs it again as a writer; savepoints go out later too.
        db.retrying(
            [&] {
                db.transaction([&] { db.executeLater(insert, {3, QStringLiteral("kept")}); });
                db.executeLater(insert, {4, QStringLiteral("kept too")});
            },
            TransactionStart::Reading);
        QCOMPARE(count(), 2);
    }

    // Each refusal exits with status 2 before listening, and says why in one line.
    void refusedStartsAndCommandsSayWhy_data()
    {
        QTest::addColumn<QString>("configText");
        QTest::addColumn<QString>("message");
        // After --config and the file, when there is one.
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no database") << "[server]\nport=0\n"
                                     << "database/path is required" << QStringList();
        QTest::newRow("unknown key") << config(QStringLiteral("[server]\nprot=80\n"))
                                     << "unknown key \"server/prot\"" << QStringList();
        QTest::newRow("bad policy") << config({}, newDatabase(), QStringLiteral("anyone"))
                                    << "accounts/signUp must be \"open\" or \"invitation\"" << QStringList();
        QTest::newRow("port too large")
            << "[server]\nport=70000\n[database]\npath=data.sqlite\n"
            << "server/port must be a whole number from 0 to 65535" << QStringList();
        QTest::newRow("address not an IP") << "[server]\naddress=example.com\n[database]\npath=data.sqlite\n"
                                           << "server/address must be an IP address" << QStringList();
        QTest::newRow("base URL not http")
            << "[server]\npublicBaseUrl=ftp://example.com\n[database]\npath=data.sqlite\n"
            << "server/publicBaseUrl must be an http or https address" << QStringList();
        QTest::newRow("limit not a number")
            << config(QStringLiteral("[signIn]\nmaxFailuresPerAccount=many\n"))
            << "signIn/maxFailuresPerAccount must be a whole number" << QStringList();
        QTest::newRow("session age negative")
            << config(QStringLiteral("[sessions]\nmaxAgeDays=-1\n"))
            << "sessions/maxAgeDays must be a whole number from 0 to 3650" << QStringList();
        QTest::newRow("trusted proxy not an address")
            << config(QStringLiteral("[server]\ntrustedProxies=127.0.0.1, proxy.local\n"))
            << "server/trustedProxies: \"proxy.local\" is not an IP address or subnet" << QStringList();
        QTest::newRow("database in a missing folder") << "[database]\npath=no/such/folder/data.sqlite\n"
                                                      << "cannot open the database" << QStringList();
        const auto tls = [](const char* certificate, const char* key) {
            QString text = QStringLiteral("[tls]\ncertificate=%1\n").arg(QLatin1String(certificate));
            if (*key)
                text += QStringLiteral("privateKey=%1\n").arg(QLatin1String(key));
            return config(text);
        };
        QTest::newRow("missing certificate")
            << tls("missing.pem", "key.pem") << "cannot read the TLS certificate" << QStringList();
        QTest::newRow("missing key") << tls("cert.pem", "missing.pem") << "cannot read the TLS private key"
                                     << QStringList();
        QTest::newRow("certificate not PEM")
            << tls("plenko-server.ini", "key.pem") << "holds no PEM certificate" << QStringList();
        QTest::newRow("key not PEM") << tls("cert.pem", "cert.pem") << "holds no unencrypted PEM private key"
                                     << QStringList();
        QTest::newRow("key of another certificate")
            << tls("cert.pem", "other-key.pem") << "does not belong to the certificate" << QStringList();
        QTest::newRow("certificate without key")
            << tls("cert.pem", "") << "tls/certificate and tls/privateKey go together" << QStringList();
        QTest::newRow("invitation of a bad e-mail")
            << config({}, newDatabase(), QStringLiteral("invitation")) << "not an e-mail address"
            << QStringList {QStringLiteral("--invite"), QStringLiteral("nobody")};
        QTest::newRow("no config") << QString() << "--config <file> is required" << QStringList();
        QTest::newRow("missing config file")
            << QString() << "cannot read the config file /nonexistent/plenko.ini"
            << QStringList {QStringLiteral("--config"), QStringLiteral("/nonexistent/plenko.ini")};
    }

    void refusedStartsAndCommandsSayWhy()
    {
        QFETCH(QString, configText);
        QFETCH(QString, message);
        QFETCH(QStringList, arguments);
        ServerProcess server(configText);
        if (configText.contains(QLatin1String("[tls]"))) {
            QString error = makeCertificate(
                server.filePath(QStringLiteral("cert.pem")), server.filePath(QStringLiteral("key.pem")));
            if (error.isEmpty())
                error = makeCertificate(server.filePath(QStringLiteral("other-cert.pem")),
                    server.filePath(QStringLiteral("other-key.pem")));
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
        if (!configText.isEmpty())
            arguments = QStringList {QStringLiteral("--config"), server.configPath()} + arguments;
        const ServerProcess::Outcome outcome = ServerProcess::run(arguments);
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY2(outcome.err.startsWith(QStringLiteral("plenko-server: ")), qPrintable(outcome.err));
        QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err));
        QVERIFY(!outcome.out.contains(QStringLiteral("listening")));
    }

    void accountsSurviveARestartAndTheSchemaIsVersioned()
    {
        const QString database = newDatabase();
        ServerProcess server(config({}, database));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(annSignedUp(server));
        server.stop();
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        QCOMPARE(signIn(server, ann, annPassword).status, 302);
        server.stop();

        {
            Database db;
            const std::optional<QString> opened = db.open(location(server, database));
            QVERIFY2(!opened, qPrintable(opened.value_or(QString())));
            const QList<Row> versions = db.query(QStringLiteral("SELECT version FROM schema_version"));
            QCOMPARE(versions.size(), 1);
            QCOMPARE(versions.first().integer(QStringLiteral("version")), 6);
            // A database written by a newer server is refused rather than misread.
            QCOMPARE(db.execute(QStringLiteral("UPDATE schema_version SET version = 99")), 1);
        }
        const ServerProcess::Outcome outcome
            = ServerProcess::run({QStringLiteral("--config"), server.configPath()});
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY2(
            outcome.err.contains(QStringLiteral("schema version 99, newer than")), qPrintable(outcome.err));
    }

    // A database from before the fifth migration holds every change of an item; the migration keeps
    // each item's latest and makes a second row for the same board and item impossible.
    void theFifthMigrationKeepsEachItemsLatestChange()
    {
        const QString database = newDatabase();
        ServerProcess server(config({}, database));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        server.stop();
        const QString stored = location(server, database);
        const QString board = QUuid::createUuid().toString(QUuid::WithoutBraces);
        {
            Database db;
            QVERIFY(!db.open(stored));
            db.execute(QStringLiteral("DROP INDEX changes_board_item"));
            db.execute(
                QStringLiteral("INSERT INTO boards (id, name, created_at, updated_at, created_by)"
                               " VALUES (?, 'Plans', '2026-01-01T00:00:00Z', '2026-01-01T00:00:00Z', 'x')"),
                {board});
            const std::tuple<int, const char*, const char*> changes[]
                = {{1, "a", "upsert"}, {2, "b", "upsert"}, {3, "a", "upsert"}, {4, "a", "remove"},
                    {5, "b", "upsert"}, {6, "c", "upsert"}};
            for (const auto& [seq, item, kind] : changes)
                db.execute(
                    QStringLiteral("INSERT INTO changes (board_id, seq, item_id, kind) VALUES (?, ?, ?, ?)"),
                    {board, seq, QString::fromLatin1(item), QString::fromLatin1(kind)});
            db.execute(QStringLiteral("UPDATE schema_version SET version = 4"));
        }
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        server.stop();

        Database db;
        QVERIFY(!db.open(stored));
        QStringList kept;
        for (const Row& row :
            db.query(QStringLiteral("SELECT seq, item_id, kind FROM changes WHERE board_id = ?"
                                    " ORDER BY seq"),
                {board}))
            kept.append(QStringLiteral("%1 %2 %3")
                            .arg(row.integer(QStringLiteral("seq")))
                            .arg(row.text(QStringLiteral("item_id")), row.text(QStringLiteral("kind"))));
        QCOMPARE(kept,
            (QStringList {
                QStringLiteral("4 a remove"), QStringLiteral("5 b upsert"), QStringLiteral("6 c upsert")}));
        QCOMPARE(db.queryOne(QStringLiteral("SELECT version FROM schema_version"))
                     ->integer(QStringLiteral("version")),
            6);
        QVERIFY_THROWS_EXCEPTION(HttpError,
            db.execute(QStringLiteral(
                           "INSERT INTO changes (board_id, seq, item_id, kind) VALUES (?, 7, 'c', 'upsert')"),
                {board}));
    }

    // Two server processes on one database take writes from 8 clients at once, on two boards,
    // through the item routes and through syncs. Each board's revisions must come out as 1, 2, 3, ...
    // with no number given twice or skipped, every acknowledged write must be there, and every
    // client's incremental syncs must add up to the board as a full sync shows it.
    void readsGoOnWhileAWriterHoldsTheBoard_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("sync without pending items")
            << QByteArray("POST") << QStringLiteral("/api/boards/%1/sync")
            << QByteArray(R"({"checkpoint": 0, "items": []})");
        QTest::newRow("board list") << QByteArray("GET") << QStringLiteral("/api/boards") << QByteArray();
        QTest::newRow("notifications")
            << QByteArray("GET") << QStringLiteral("/api/notifications") << QByteArray();
    }

    void readsGoOnWhileAWriterHoldsTheBoard()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        const QString database = newDatabase();
        ServerProcess server(config({}, database));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const QString token = signedUp(server, ann, annPassword);
        QVERIFY(!token.isEmpty());
        const ServerProcess::Reply created = server.post(QStringLiteral("/api/boards"),
            QByteArrayLiteral(R"({"name": "Held"})"), QByteArrayLiteral("application/json"), token);
        QCOMPARE(created.status, 200);
        const QString boardId = created.json().value(QStringLiteral("id")).toString();

        // Another writer's transaction that has changed the board and not committed: on SQLite it
        // holds the file's write lock, on PostgreSQL the board's row lock.
        Database writer;
        QVERIFY(!writer.open(location(server, database)));
        ServerProcess::Reply read;
        writer.transaction([&] {
            writer.execute(QStringLiteral("UPDATE boards SET name = 'Uncommitted' WHERE id = ?"), {boardId});
            read = server.send(method, path.contains(QLatin1String("%1")) ? path.arg(boardId) : path, body,
                body.isEmpty() ? QByteArray() : QByteArrayLiteral("application/json"), token);
        });
        QCOMPARE(read.status, 200);
        QVERIFY2(!read.body.contains("Uncommitted"), read.body.constData());
    }

    void acknowledgedWritesSurviveAKilledServer()
    {
        const QString database = newDatabase();
        auto first = std::make_unique<ServerProcess>(config({}, database));
        QVERIFY2(first->start(), qPrintable(first->errorString()));
        const QString token = signedUp(*first, ann, annPassword);
        QVERIFY(!token.isEmpty());
        const ServerProcess::Reply created = first->post(QStringLiteral("/api/boards"),
            QByteArrayLiteral(R"({"name": "Kept"})"), QByteArrayLiteral("application/json"), token);
        QCOMPARE(created.status, 200);
        const QString boardId = created.json().value(QStringLiteral("id")).toString();
        QSet<QString> acknowledged;
        for (int i = 0; i < 20; ++i) {
            const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
            const ServerProcess::Reply written
                = first->sendJson("POST", QStringLiteral("/api/boards/%1/items/%2").arg(boardId, id),
                    {{QStringLiteral("content"), QStringLiteral("item %1").arg(i)},
                        {QStringLiteral("status"), QStringLiteral("TODO")}, {QStringLiteral("order"), i},
                        {QStringLiteral("createdAt"), QStringLiteral("2026-01-01T00:00:00Z")},
                        {QStringLiteral("boardId"), boardId}},
                    token);
            QCOMPARE(written.status, 200);
            acknowledged.insert(id);
        }
        // Killed right after its last answer, with no chance to flush or close anything.
        QCOMPARE(::kill(pid_t(first->processId()), SIGKILL), 0);
        ServerProcess second(config({}, location(*first, database)));
        QVERIFY2(second.start(), qPrintable(second.errorString()));
        const ServerProcess::Reply full = fullSync(second, boardId, token);
        QCOMPARE(full.status, 200);
        QCOMPARE(newItemIds(full), acknowledged);
    }

    void concurrentWritesThroughTwoServersKeepRevisionsInOrder()
    {
        const QString database = newDatabase();
        ServerProcess first(config({}, database));
        QVERIFY2(first.start(), qPrintable(first.errorString()));
        ServerProcess second(config({}, location(first, database)));
        QVERIFY2(second.start(), qPrintable(second.errorString()));

        const QString token = signedUp(first, ann, annPassword);
        QVERIFY(!token.isEmpty());
        // The token is kept in the shared database, so the other server knows it too.
        const ServerProcess::Reply me = second.getWithToken(QStringLiteral("/api/users/me"), token);
        QCOMPARE(me.status, 200);
        const QString userId
            = me.json().value(QStringLiteral("user")).toObject().value(QStringLiteral("id")).toString();
        QStringList boards;
        for (int b = 0; b < 2; ++b) {
            const ServerProcess::Reply created = first.sendJson("POST", QStringLiteral("/api/boards"),
                {{QStringLiteral("name"), QStringLiteral("Board %1").arg(b)}}, token);
            QCOMPARE(created.status, 200);
            boards.append(created.json().value(QStringLiteral("id")).toString());
        }

        constexpr int clientCount = 8;
        constexpr int writesEach = 50;
        std::vector<std::unique_ptr<WritingClient>> clients;
        for (int c = 0; c < clientCount; ++c)
            clients.push_back(std::make_unique<WritingClient>(c,
                (c < clientCount / 2 ? first : second).port(), token, userId, boards.at(c % 2), c % 4 >= 2));
        auto allDone = [&clients] {
            return std::ranges::all_of(clients, [](const auto& client) { return client->done(); });
        };
        for (const auto& client : clients)
            client->write(writesEach);
        QVERIFY(QTest::qWaitFor(allDone, 240000));
        for (const auto& client : clients)
            client->catchUp();
        QVERIFY(QTest::qWaitFor(allDone, 60000));
        for (const auto& client : clients) {
            QVERIFY2(client->failure.isEmpty(), qPrintable(client->failure));
            QCOMPARE(client->acks.size(), writesEach);
        }

        for (const QString& boardId : std::as_const(boards)) {
            const ServerProcess::Reply full = fullSync(second, boardId, token);
            QCOMPARE(full.status, 200);
            QHash<QString, QPair<qint64, QString>> stored;
            for (const QJsonValue& value : full.json().value(QStringLiteral("newItems")).toArray()) {
                const QString id = value[QStringLiteral("id")].toString();
                QVERIFY2(!stored.contains(id), "an item came twice");
                stored.insert(id,
                    {value[QStringLiteral("revision")].toInteger(),
                        value[QStringLiteral("content")].toString()});
            }
            QVERIFY(full.json().value(QStringLiteral("modifiedItems")).toArray().isEmpty());

            QSet<qint64> revisions;
            QHash<QString, WritingClient::Ack> lastAck;
            int writes = 0;
            for (const auto& client : clients) {
                if (client->boardId != boardId)
                    continue;
                qint64 previous = 0;
                for (const WritingClient::Ack& ack : client->acks) {
                    // One client writes one after another: each answer names a later revision.
                    QVERIFY2(ack.revision > previous, "a later write got an earlier revision");
                    previous = ack.revision;
                    revisions.insert(ack.revision);
                    lastAck.insert(ack.itemId, ack);
                    ++writes;
                }
                QCOMPARE(client->seen.size(), stored.size());
                for (auto it = stored.cbegin(); it != stored.cend(); ++it)
                    QCOMPARE(client->seen.value(it.key()), it.value().first);
            }
            QCOMPARE(writes, clientCount / 2 * writesEach);
            // Unique, and without gaps: every write took exactly one revision.
            QCOMPARE(revisions.size(), writes);
            QCOMPARE(*std::ranges::max_element(revisions), qint64(writes));
            QCOMPARE(full.json().value(QStringLiteral("latestCheckpoint")).toInteger(), qint64(writes));
            // Every acknowledged write is there, as its last write left it.
            QCOMPARE(stored.size(), lastAck.size());
            for (auto it = lastAck.cbegin(); it != lastAck.cend(); ++it) {
                QVERIFY2(stored.contains(it.key()), "an acknowledged item is missing");
                QCOMPARE(stored.value(it.key()).first, it.value().revision);
                QCOMPARE(stored.value(it.key()).second, it.value().content);
            }
        }
    }
};

QTEST_GUILESS_MAIN(ServerTest)
#include "ServerTest.moc"
