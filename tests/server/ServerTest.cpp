// plenko-server over raw HTTP on 127.0.0.1: password accounts from sign-up to tokens, refused
// sign-ins and their limit, invitation-only sign-up, the routes it must not have, /health, the
// config file's errors and the database's schema version.
#include "ServerProcess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>
#include <sqlite3.h>

namespace {

const QByteArray formType = QByteArrayLiteral("application/x-www-form-urlencoded");
const QString nonce = QStringLiteral("5A69788796A5B4C3D2E1F00F1E2D3C4B");

QString config(const QString& signUp, const QString& more = {})
{
    return QStringLiteral("[server]\naddress=127.0.0.1\nport=0\n[database]\npath=data.sqlite\n"
                          "[accounts]\nsignUp=%1\n%2")
        .arg(signUp, more);
}

QByteArray form(const QList<QPair<QString, QString>>& fields)
{
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

QJsonObject json(const ServerProcess::Reply& reply)
{
    return QJsonDocument::fromJson(reply.body).object();
}

// The one-time token of a redirect to plenko://auth/callback, or empty for any other answer.
QString callbackToken(const ServerProcess::Reply& reply)
{
    const QUrl callback(QString::fromUtf8(reply.header("Location")));
    if (reply.status != 302 || callback.scheme() != QLatin1String("plenko")
        || callback.host() != QLatin1String("auth") || callback.path() != QLatin1String("/callback"))
        return {};
    return QUrlQuery(callback).queryItemValue(QStringLiteral("ott"), QUrl::FullyDecoded);
}

bool startSignIn(ServerProcess& server)
{
    const ServerProcess::Reply start = server.get(QStringLiteral("/auth/google/start?deviceNonce=") + nonce);
    const QUrl loginUrl(json(start).value(QStringLiteral("loginUrl")).toString());
    if (start.status != 200 || loginUrl.path() != QLatin1String("/auth/google/page"))
        return false;
    const ServerProcess::Reply page = server.get(loginUrl.path() + QLatin1Char('?') + loginUrl.query());
    return page.status == 200 && page.body.contains("type=\"password\"");
}

ServerProcess::Reply signUp(ServerProcess& server, const QString& email, const QString& password)
{
    return server.post(QStringLiteral("/auth/google/signup"),
        form({{QStringLiteral("deviceNonce"), nonce}, {QStringLiteral("email"), email},
            {QStringLiteral("displayName"), QStringLiteral("Ann Lee")},
            {QStringLiteral("password"), password}}),
        formType);
}

ServerProcess::Reply signIn(ServerProcess& server, const QString& email, const QString& password)
{
    return server.post(QStringLiteral("/auth/google/complete"),
        form({{QStringLiteral("deviceNonce"), nonce}, {QStringLiteral("email"), email},
            {QStringLiteral("password"), password}}),
        formType);
}

// Exchanges the one-time token as the application does and returns the signed-in user's e-mail.
QString emailAfterLogin(ServerProcess& server, const QString& ott)
{
    const ServerProcess::Reply tokens = server.post(QStringLiteral("/auth/login"),
        QJsonDocument(QJsonObject {{QStringLiteral("deviceNonce"), nonce}, {QStringLiteral("ott"), ott}})
            .toJson(QJsonDocument::Compact),
        QByteArrayLiteral("application/json"));
    const QString access = json(tokens).value(QStringLiteral("accessToken")).toString();
    if (tokens.status != 200 || access.isEmpty())
        return {};
    return json(server.getWithToken(QStringLiteral("/api/users/me"), access))
        .value(QStringLiteral("user"))
        .toObject()
        .value(QStringLiteral("email"))
        .toString();
}

} // namespace

class ServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void signInNeedsTheAccountsPassword_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("status");
        QTest::newRow("right password") << "ann@example.com"
                                        << "correct horse" << 302;
        QTest::newRow("e-mail in other case") << "Ann@Example.com"
                                              << "correct horse" << 302;
        QTest::newRow("wrong password") << "ann@example.com"
                                        << "correct hors" << 401;
        QTest::newRow("password in other case") << "ann@example.com"
                                                << "Correct Horse" << 401;
        QTest::newRow("empty password") << "ann@example.com"
                                        << "" << 401;
        QTest::newRow("unknown e-mail") << "bob@example.com"
                                        << "correct horse" << 401;
    }

    void signInNeedsTheAccountsPassword()
    {
        QFETCH(QString, email);
        QFETCH(QString, password);
        QFETCH(int, status);
        ServerProcess server(config(QStringLiteral("open")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        const QString signUpOtt = callbackToken(
            signUp(server, QStringLiteral("ann@example.com"), QStringLiteral("correct horse")));
        QVERIFY(!signUpOtt.isEmpty());
        QCOMPARE(emailAfterLogin(server, signUpOtt), QStringLiteral("ann@example.com"));

        QVERIFY(startSignIn(server));
        const ServerProcess::Reply reply = signIn(server, email, password);
        QCOMPARE(reply.status, status);
        if (status == 302) {
            QCOMPARE(emailAfterLogin(server, callbackToken(reply)), QStringLiteral("ann@example.com"));
        } else {
            // The same words whether the e-mail or the password was wrong, on the page to try again.
            QVERIFY(reply.body.contains("Wrong e-mail or password."));
            QVERIFY(reply.body.contains("name=\"password\""));
            QVERIFY(reply.header("Location").isEmpty());
        }
    }

    void signUpRefusesBadAccounts_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("existing e-mail") << "ANN@example.com"
                                         << "another password" << 409 << "already an account";
        QTest::newRow("short password") << "cy@example.com"
                                        << "1234567" << 400 << "8 to 1024 characters";
        QTest::newRow("not an e-mail") << "cy.example.com"
                                       << "long enough" << 400 << "not an e-mail address";
    }

    void signUpRefusesBadAccounts()
    {
        QFETCH(QString, email);
        QFETCH(QString, password);
        QFETCH(int, status);
        QFETCH(QString, message);
        ServerProcess server(config(QStringLiteral("open")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        QCOMPARE(
            signUp(server, QStringLiteral("ann@example.com"), QStringLiteral("first password")).status, 302);

        const ServerProcess::Reply refused = signUp(server, email, password);
        QCOMPARE(refused.status, status);
        QVERIFY2(refused.body.contains(message.toUtf8()), refused.body.constData());
        // The existing account keeps its password.
        QCOMPARE(
            signIn(server, QStringLiteral("ann@example.com"), QStringLiteral("first password")).status, 302);
    }

    void failedSignInsAreLimited_data()
    {
        QTest::addColumn<QString>("limits");
        QTest::addColumn<bool>("sameAccount");
        QTest::newRow("per account") << "[signIn]\nmaxFailuresPerAccount=3\nmaxFailuresPerAddress=100\n"
                                     << true;
        QTest::newRow("per address") << "[signIn]\nmaxFailuresPerAccount=100\nmaxFailuresPerAddress=3\n"
                                     << false;
    }

    void failedSignInsAreLimited()
    {
        QFETCH(QString, limits);
        QFETCH(bool, sameAccount);
        ServerProcess server(config(QStringLiteral("open"), limits));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        QCOMPARE(
            signUp(server, QStringLiteral("ann@example.com"), QStringLiteral("correct horse")).status, 302);
        QCOMPARE(
            signUp(server, QStringLiteral("bob@example.com"), QStringLiteral("battery staple")).status, 302);

        for (int attempt = 0; attempt < 3; ++attempt) {
            const QString email = sameAccount ? QStringLiteral("ann@example.com")
                                              : QStringLiteral("guess%1@example.com").arg(attempt);
            QCOMPARE(signIn(server, email, QStringLiteral("wrong guess")).status, 401);
        }
        // Even the right password is refused now, without saying whether it was right.
        const ServerProcess::Reply blocked
            = signIn(server, QStringLiteral("ann@example.com"), QStringLiteral("correct horse"));
        QCOMPARE(blocked.status, 429);
        QVERIFY(blocked.body.contains("Too many failed sign-ins"));
        QVERIFY(blocked.header("Location").isEmpty());
        // A limit on one account leaves the others alone; a limit on the address blocks them all.
        QCOMPARE(signIn(server, QStringLiteral("bob@example.com"), QStringLiteral("battery staple")).status,
            sameAccount ? 302 : 429);
        // Failures are kept in the database: a restart does not reset the count.
        server.stop();
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        QCOMPARE(
            signIn(server, QStringLiteral("ann@example.com"), QStringLiteral("correct horse")).status, 429);
    }

    void invitationOnlySignUpRefusesUnknownEmails()
    {
        ServerProcess server(config(QStringLiteral("invitation")));
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
        // An invitation makes one account.
        QVERIFY(startSignIn(server));
        QCOMPARE(
            signUp(server, QStringLiteral("cy@example.com"), QStringLiteral("other password")).status, 409);
    }

    void inviteRefusesABadEmail()
    {
        ServerProcess server(config(QStringLiteral("invitation")));
        const ServerProcess::Outcome outcome = ServerProcess::run({QStringLiteral("--config"),
            server.configPath(), QStringLiteral("--invite"), QStringLiteral("nobody")});
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY2(outcome.err.contains(QStringLiteral("not an e-mail address")), qPrintable(outcome.err));
    }

    void developmentRoutesAreAbsent_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("admin accounts") << QByteArray("POST") << "/__admin/accounts" << 404;
        QTest::newRow("admin reset") << QByteArray("POST") << "/__admin/reset" << 404;
        QTest::newRow("admin clock") << QByteArray("POST") << "/__admin/clock" << 404;
        QTest::newRow("admin faults") << QByteArray("POST") << "/__admin/faults" << 404;
        QTest::newRow("admin feedback") << QByteArray("GET") << "/__admin/feedback" << 404;
        // The devserver's password-less account picker answers a GET with a redirect.
        QTest::newRow("sign-in without password")
            << QByteArray("GET")
            << "/auth/google/complete?deviceNonce=" + nonce + "&email=eve%40example.com&displayName=Eve"
            << 405;
    }

    void developmentRoutesAreAbsent()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(int, status);
        ServerProcess server(config(QStringLiteral("open")));
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
    }

    void healthAnswersOk()
    {
        ServerProcess server(config(QStringLiteral("open")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const ServerProcess::Reply health = server.get(QStringLiteral("/health"));
        QCOMPARE(health.status, 200);
        QVERIFY(health.header("Content-Type").startsWith("application/json"));
        QCOMPARE(json(health).value(QStringLiteral("status")).toString(), QStringLiteral("ok"));
        // One log line per request.
        QVERIFY(QTest::qWaitFor(
            [&] { return server.output().contains(QStringLiteral("GET /health -> 200")); }, 5000));
    }

    void configErrorsStopTheStart_data()
    {
        QTest::addColumn<QString>("configText");
        QTest::addColumn<QString>("message");
        QTest::newRow("no database") << "[server]\nport=0\n"
                                     << "database/path is required";
        QTest::newRow("unknown key") << config(QStringLiteral("open"), QStringLiteral("[server]\nprot=80\n"))
                                     << "unknown key \"server/prot\"";
        QTest::newRow("bad policy") << config(QStringLiteral("anyone"))
                                    << "accounts/signUp must be \"open\" or \"invitation\"";
        QTest::newRow("port too large") << "[server]\nport=70000\n[database]\npath=data.sqlite\n"
                                        << "server/port must be a whole number from 0 to 65535";
        QTest::newRow("address not an IP") << "[server]\naddress=example.com\n[database]\npath=data.sqlite\n"
                                           << "server/address must be an IP address";
        QTest::newRow("base URL not http")
            << "[server]\npublicBaseUrl=ftp://example.com\n[database]\npath=data.sqlite\n"
            << "server/publicBaseUrl must be an http or https address";
        QTest::newRow("limit not a number")
            << config(QStringLiteral("open"), QStringLiteral("[signIn]\nmaxFailuresPerAccount=many\n"))
            << "signIn/maxFailuresPerAccount must be a whole number";
        QTest::newRow("database in a missing folder") << "[database]\npath=no/such/folder/data.sqlite\n"
                                                      << "cannot open the database";
    }

    void configErrorsStopTheStart()
    {
        QFETCH(QString, configText);
        QFETCH(QString, message);
        ServerProcess server(configText);
        const ServerProcess::Outcome outcome
            = ServerProcess::run({QStringLiteral("--config"), server.configPath()});
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY2(outcome.err.startsWith(QStringLiteral("plenko-server: ")), qPrintable(outcome.err));
        QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err));
        QVERIFY(!outcome.out.contains(QStringLiteral("listening")));
    }

    void commandLineErrorsStopTheStart_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no config") << QStringList() << "--config <file> is required";
        QTest::newRow("missing file")
            << QStringList {QStringLiteral("--config"), QStringLiteral("/nonexistent/plenko.ini")}
            << "cannot read the config file /nonexistent/plenko.ini";
    }

    void commandLineErrorsStopTheStart()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const ServerProcess::Outcome outcome = ServerProcess::run(arguments);
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err));
    }

    void accountsSurviveARestartAndTheSchemaIsVersioned()
    {
        ServerProcess server(config(QStringLiteral("open")));
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        QCOMPARE(
            signUp(server, QStringLiteral("ann@example.com"), QStringLiteral("correct horse")).status, 302);
        server.stop();
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(startSignIn(server));
        QCOMPARE(
            signIn(server, QStringLiteral("ann@example.com"), QStringLiteral("correct horse")).status, 302);
        server.stop();

        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(server.databasePath().toUtf8().constData(), &db), SQLITE_OK);
        sqlite3_stmt* statement = nullptr;
        QCOMPARE(
            sqlite3_prepare_v2(db, "SELECT version FROM schema_version", -1, &statement, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_step(statement), SQLITE_ROW);
        QCOMPARE(sqlite3_column_int(statement, 0), 2);
        QCOMPARE(sqlite3_step(statement), SQLITE_DONE);
        sqlite3_finalize(statement);
        // A database written by a newer server is refused rather than misread.
        QCOMPARE(
            sqlite3_exec(db, "UPDATE schema_version SET version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        const ServerProcess::Outcome outcome
            = ServerProcess::run({QStringLiteral("--config"), server.configPath()});
        QCOMPARE(outcome.exitCode, 2);
        QVERIFY2(
            outcome.err.contains(QStringLiteral("schema version 99, newer than")), qPrintable(outcome.err));
    }
};

QTEST_GUILESS_MAIN(ServerTest)
#include "ServerTest.moc"
