// The whole browser sign-in against the stand-in service: the test plays the browser (fetches the
// sign-in page and follows the account link the page offers), a second process hands the callback to
// the running instance over the single-instance channel, and the tokens land in a real keyring.
#include "analytics/UsageAnalytics.h"
#include "net/KeyringTokenStore.h"
#include "app/SingleInstance.h"
#include "session/AuthState.h"
#include "support/DevServer.h"
#include "workspace/ToastManager.h"

#include <QCoro/QCoroNetworkReply>
#include <QCoro/QCoroTask>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct PageAnswer
{
    int status = 0;
    QByteArray body;
    QByteArray location;
};

// What a browser would do with one address: no redirects followed, so the plenko:// hand-off is seen.
PageAnswer browse(QNetworkAccessManager& browser, const QUrl& url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(browser.get(request));
    QCoro::waitFor(qCoro(reply.get()).waitForFinished(std::chrono::seconds(10)));
    return { reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
        reply->rawHeader("Location") };
}

// The page writes its links HTML-escaped.
QString unescapeHtml(QString text)
{
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    return text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

QString readToken(TokenStore& store, const QString& account)
{
    const TokenReadResult read = QCoro::waitFor(store.read(account));
    if (!read)
        return QStringLiteral("<error: %1>").arg(read.error());
    return read->value_or(QString());
}
}

class SignInEndToEndTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void browserSignInThroughASecondProcess()
    {
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        const DevServer::Account account
            = server.createAccount(QStringLiteral("ada@example.test"), QStringLiteral("Ada Lovelace"));
        QVERIFY2(account.isValid(), qPrintable(server.errorString()));

        const QString keyringService = QStringLiteral("net.plenko.test-") + QUuid::createUuid().toString(QUuid::Id128);
        auto keyring = std::make_shared<KeyringTokenStore>(keyringService);
        NetworkService api(server.baseUrl().toString(), keyring);
        QCoro::waitFor(api.loadTokens());
        QTemporaryDir analyticsFolder;
        UsageAnalytics analytics(AnalyticsSettings { {}, {}, analyticsFolder.path(), std::chrono::hours(1) });
        ToastManager toasts;
        QList<QUrl> opened;
        AuthState auth(api, analytics, toasts, [&opened](const QUrl& url) {
            opened.append(url);
            return true;
        });
        QVERIFY(!auth.isLoggedIn());

        QTemporaryDir socketFolder;
        SingleInstance running(socketFolder.filePath(QStringLiteral("instance")));
        QCOMPARE(running.claim({}), SingleInstance::Role::primary);
        connect(&running, &SingleInstance::urlReceived, &auth, &AuthState::handleCallback);

        QCoro::waitFor(auth.startSignIn());
        QVERIFY2(!toasts.isShowing(), qPrintable(toasts.toast() ? toasts.toast()->message : QString()));
        QCOMPARE(opened.size(), 1);

        // The browser: the sign-in page lists the account; its link is what the account button does.
        QNetworkAccessManager browser;
        const PageAnswer page = browse(browser, opened.constFirst());
        QCOMPARE(page.status, 200);
        const QRegularExpression link(QStringLiteral("<a class=\"account\" href=\"([^\"]+)\">"));
        const QRegularExpressionMatch match = link.match(QString::fromUtf8(page.body));
        QVERIFY2(match.hasMatch(), page.body.constData());
        const QString href = unescapeHtml(match.captured(1));
        const PageAnswer chosen = browse(browser, opened.constFirst().resolved(QUrl(href)));
        QCOMPARE(chosen.status, 302);
        const QUrl callback(QString::fromUtf8(chosen.location));
        QCOMPARE(callback.scheme(), QStringLiteral("plenko"));

        // The desktop starts a second plenko with the callback; it hands it over and exits.
        QProcess secondStart;
        secondStart.start(QStringLiteral(SINGLE_INSTANCE_CLIENT), { running.serverName(), callback.toString() });
        QSignalSpy finished(&secondStart, &QProcess::finished);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QCOMPARE(secondStart.exitCode(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(auth.currentUser().has_value(), 10000);
        QVERIFY(auth.isLoggedIn());
        QCOMPARE(auth.currentUser()->email, QStringLiteral("ada@example.test"));
        QCOMPARE(auth.currentUser()->displayName, std::optional<QString>(QStringLiteral("Ada Lovelace")));
        QVERIFY(!auth.pendingDeviceNonce());

        // The tokens are in the keyring, where the next run will find them.
        KeyringTokenStore nextRun(keyringService);
        QVERIFY(!api.accessToken().isEmpty());
        QCOMPARE(readToken(nextRun, NetworkService::accessTokenAccount), api.accessToken());
        QCOMPARE(readToken(nextRun, NetworkService::refreshTokenAccount), api.refreshToken());

        QCoro::waitFor(auth.signOut());
        QCOMPARE(readToken(nextRun, NetworkService::accessTokenAccount), QString());
        QCOMPARE(readToken(nextRun, NetworkService::refreshTokenAccount), QString());
    }
};

QTEST_GUILESS_MAIN(SignInEndToEndTest)
#include "SignInEndToEndTest.moc"
