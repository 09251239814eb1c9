// Feedback and the profile against the stand-in service: the 200-character rule, one request per
// submission, the result toasts, the feedback dialog; the profile load with the account button's
// offline notice and "Retry"; the account picture and its initials.
#include "ServiceAccounts.h"
#include "analytics/UsageAnalytics.h"
#include "richtext/EditorView.h"
#include "session/AccountButton.h"
#include "session/AuthState.h"
#include "session/AvatarLoader.h"
#include "session/FeedbackDialogView.h"
#include "session/FeedbackViewModel.h"
#include "session/UserViewModel.h"
#include "support/LogCapture.h"
#include "workspace/ToastManager.h"

#include <QCoro/QCoroTask>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

QStringList storedFeedback(DevServer& server)
{
    QStringList texts;
    for (const QJsonValue& item : server.request("GET", QStringLiteral("/__admin/feedback"))
                                      .object()
                                      .value(QStringLiteral("items"))
                                      .toArray())
        texts.append(item.toObject().value(QStringLiteral("text")).toString());
    return texts;
}

int profileRequests(DevServer& server)
{
    return server.answered("GET", QStringLiteral("/api/users/me"));
}

qsizetype feedbackRequests(const LogCapture& log)
{
    return log.lines()
        .filter(QStringLiteral("🌐 [Net] → POST"))
        .filter(QStringLiteral("/api/feedback"))
        .size();
}

// A sign-in state over Ann's transport whose usage events stay in a temporary folder.
struct SignedIn
{
    explicit SignedIn(NetworkService& api)
        : analytics(AnalyticsSettings {QStringLiteral("test-token"),
            QUrl(QStringLiteral("http://127.0.0.1:9/track")), folder.path(), std::chrono::hours(24)})
        , auth(api, analytics, toasts, [](const QUrl&) { return true; })
    {
    }
    QTemporaryDir folder;
    ToastManager toasts;
    UsageAnalytics analytics;
    AuthState auth;
};

} // namespace

class AccountTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void feedbackLimits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("stored");
        const QString twoHundred = QString(200, QLatin1Char('a'));
        QTest::newRow("exactly 200") << twoHundred << true << twoHundred;
        QTest::newRow("201 refused") << QString(201, QLatin1Char('a')) << false << QString();
        QTest::newRow("only blanks and line breaks") << QStringLiteral("  \n\t \r\n ") << false << QString();
        QTest::newRow("trimmed before sending")
            << QStringLiteral("\n  Love the boards  \n") << true << QStringLiteral("Love the boards");
        // The untrimmed text counts too: 200 letters with blanks around them are over the limit.
        QTest::newRow("blanks push it over")
            << QStringLiteral(" ") + twoHundred + QStringLiteral("\n") << false << QString();
        // Characters as the reader sees them: an emoji with a skin tone is one, not four code units.
        const QString thumbs = QStringLiteral("👍🏽");
        QString emoji;
        for (int i = 0; i < 200; ++i)
            emoji += thumbs;
        QTest::newRow("200 emoji") << emoji << true << emoji;
        QTest::newRow("201 emoji refused") << emoji + thumbs << false << QString();
    }

    void feedbackLimits()
    {
        QFETCH(QString, text);
        QFETCH(bool, sent);
        QFETCH(QString, stored);
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        ToastManager toasts;
        FeedbackViewModel viewModel(s.annApi(), toasts);
        viewModel.setText(text);
        LogCapture log;
        QCOMPARE(QCoro::waitFor(viewModel.submitFeedback()), sent);
        QCOMPARE(feedbackRequests(log), sent ? 1 : 0);
        QCOMPARE(storedFeedback(s.server), sent ? QStringList {stored} : QStringList {});
        if (sent) {
            QCOMPARE(toasts.toast()->type, ToastType::success);
            QCOMPARE(toasts.toast()->message,
                QStringLiteral("Thanks for the feedback! We'll reach out via email."));
            QVERIFY(viewModel.text().isEmpty());
        } else {
            QVERIFY(!toasts.toast().has_value());
            QCOMPARE(viewModel.text(), text);
        }
        QVERIFY(!viewModel.isSubmitting());
    }

    void doubleSubmitSendsOnce()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        ToastManager toasts;
        FeedbackViewModel viewModel(s.annApi(), toasts);
        viewModel.setText(QStringLiteral("Please add dark icons"));
        LogCapture log;
        QCoro::Task<bool> first = viewModel.submitFeedback();
        QVERIFY(viewModel.isSubmitting());
        QCoro::Task<bool> second = viewModel.submitFeedback();
        QCOMPARE(QCoro::waitFor(std::move(second)), false);
        QCOMPARE(QCoro::waitFor(std::move(first)), true);
        QCOMPARE(feedbackRequests(log), 1);
        QCOMPARE(storedFeedback(s.server), QStringList {QStringLiteral("Please add dark icons")});
    }

    void failedSubmissionKeepsTheText()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        QVERIFY(s.server.failNext(1, 500, QStringLiteral("/api/feedback"),
            QByteArray("{\"status\": 500, \"code\": \"INTERNAL\", \"message\": \"Mailbox full\"}")));
        ToastManager toasts;
        FeedbackViewModel viewModel(s.annApi(), toasts);
        viewModel.setText(QStringLiteral("Sync is slow"));
        QCOMPARE(QCoro::waitFor(viewModel.submitFeedback()), false);
        QCOMPARE(viewModel.text(), QStringLiteral("Sync is slow"));
        QVERIFY(!viewModel.isSubmitting());
        QCOMPARE(toasts.toast()->type, ToastType::error);
        QCOMPARE(toasts.toast()->message, QStringLiteral("Failed to send feedback: Mailbox full"));
        // Trying again works with the same text.
        QCOMPARE(QCoro::waitFor(viewModel.submitFeedback()), true);
        QCOMPARE(storedFeedback(s.server), QStringList {QStringLiteral("Sync is slow")});
    }

    void feedbackDialog()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        ToastManager toasts;
        FeedbackViewModel viewModel(s.annApi(), toasts);
        FeedbackDialogView dialog(viewModel);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Share Feedback"));
        QCOMPARE(
            dialog.findChild<QLabel*>(QStringLiteral("title"))->text(), QStringLiteral("Share Feedback"));
        EditorView* editor = dialog.editor();
        QCOMPARE(editor->placeholderText(), QStringLiteral("Tell us what's on your mind…"));
        QCOMPARE(editor->maxCharacters(), 200);

        // The editor and the view model share one text.
        editor->setText(QStringLiteral("Columns could be wider"));
        QCOMPARE(viewModel.text(), QStringLiteral("Columns could be wider"));
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        editor->submit();
        QTRY_COMPARE(accepted.size(), 1);
        QVERIFY(editor->text().isEmpty());
        QCOMPARE(storedFeedback(s.server), QStringList {QStringLiteral("Columns could be wider")});
    }

    // The profile follows the sign-in state's own request: a failed one shows the offline notice, and
    // "Retry" loads the profile itself.
    void profileLoadFailureAndRetry()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        QVERIFY(s.server.failNext(1, 503, QStringLiteral("/api/users/me")));
        SignedIn session(s.annApi());
        QVERIFY(session.auth.isLoggedIn());
        UserViewModel profile(s.annApi());
        profile.follow(session.auth);
        int presses = 0;
        AccountButton button(profile, session.auth, [&presses] { ++presses; });
        button.show();
        QVERIFY(profile.isLoadingProfile());
        QTRY_VERIFY(!profile.isLoadingProfile());
        QVERIFY(profile.didFailLoadingProfile());
        QVERIFY(!profile.user());
        QVERIFY(button.isShowingOfflineNotice());
        QCOMPARE(profileRequests(s.server), 1);
        QCOMPARE(button.findChild<QLabel*>(QStringLiteral("offlineText"))->text(),
            QStringLiteral(
                "You're offline, but you can keep working locally. When the app reconnects, your changes "
                "sync automatically."));
        auto* account = button.findChild<QToolButton*>(QStringLiteral("account"));
        QCOMPARE(account->text(), QStringLiteral("Account"));
        QCOMPARE(account->property("symbol").toString(), QStringLiteral("person.crop.circle.fill"));
        QTest::mouseClick(account, Qt::LeftButton);
        QCOMPARE(presses, 1);

        QTest::mouseClick(button.findChild<QPushButton*>(QStringLiteral("retry")), Qt::LeftButton);
        QTRY_VERIFY(profile.user().has_value());
        QCOMPARE(profile.user()->email, QStringLiteral("ann@example.com"));
        QCOMPARE(profile.user()->displayName, QStringLiteral("Ann"));
        QVERIFY(!profile.didFailLoadingProfile());
        QVERIFY(!button.isShowingOfflineNotice());
        QCOMPARE(profileRequests(s.server), 2);

        // Signing out forgets the profile and shows the empty symbol.
        QCoro::waitFor(session.auth.signOut());
        QVERIFY(!profile.user());
        QCOMPARE(account->property("symbol").toString(), QStringLiteral("person.crop.circle"));
    }

    // The sign-in state and the profile behind the account views share one request at start.
    void profileIsRequestedOnceAtStart()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        SignedIn session(s.annApi());
        UserViewModel profile(s.annApi());
        profile.follow(session.auth);
        AccountButton button(profile, session.auth, [] {});
        button.show();
        QTRY_VERIFY(profile.user().has_value() && session.auth.currentUser().has_value());
        QCOMPARE(profile.user()->email, QStringLiteral("ann@example.com"));
        QVERIFY(!profile.isLoadingProfile());
        // Following after the answer arrived takes it too.
        UserViewModel later(s.annApi());
        later.follow(session.auth);
        QCOMPARE(later.user()->email, QStringLiteral("ann@example.com"));
        QCOMPARE(profileRequests(s.server), 1);
    }

    // A sign-out while the profile request runs: its late answer belongs to no one.
    void signOutDuringTheProfileRequest()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        QVERIFY(s.server.delayNext(1, 400, QStringLiteral("/api/users/me")));
        SignedIn session(s.annApi());
        UserViewModel profile(s.annApi());
        profile.follow(session.auth);
        AccountButton button(profile, session.auth, [] {});
        QVERIFY(profile.isLoadingProfile());
        QCoro::Task<void> signOut = session.auth.signOut();
        QVERIFY(!profile.isLoadingProfile());
        QTRY_COMPARE(profileRequests(s.server), 1);
        QCoro::waitFor(std::move(signOut));
        QTRY_VERIFY(!session.auth.isRefreshingCurrentUser());
        QVERIFY(!session.auth.currentUser());
        QVERIFY(!profile.user());
        QVERIFY(!profile.didFailLoadingProfile());
    }

    void loadWhileLoadingAndClearDuringLoad()
    {
        ServiceAccounts s;
        QVERIFY2(s.isReady(), qPrintable(s.error()));
        UserViewModel profile(s.annApi());
        LogCapture log;
        QVERIFY(s.server.delayNext(1, 400, QStringLiteral("/api/users/me")));
        QCoro::Task<void> first = profile.loadProfile();
        QCoro::waitFor(profile.loadProfile()); // a load is running: does nothing
        QCOMPARE(
            log.lines().filter(QStringLiteral("/api/users/me")).filter(QStringLiteral("→ GET")).size(), 1);
        // Signing out while it runs: the late answer does not bring the profile back.
        profile.clearProfile();
        QCoro::waitFor(std::move(first));
        QVERIFY(!profile.user());
        QVERIFY(!profile.isLoadingProfile());
        QVERIFY(!profile.didFailLoadingProfile());
    }

    void initials_data()
    {
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("initials");
        QTest::newRow("first and last word") << "Grace  Brewster Hopper "
                                             << "grace@example.com"
                                             << "GH";
        QTest::newRow("one word") << "ada"
                                  << "ada@example.com"
                                  << "A";
        QTest::newRow("no name: e-mail") << ""
                                         << "zed@example.com"
                                         << "Z";
        QTest::newRow("blank name: e-mail") << "   "
                                            << "zed@example.com"
                                            << "Z";
        QTest::newRow("nothing") << ""
                                 << ""
                                 << "";
        QTest::newRow("surrogate pair stays whole") << "𝒜da Byron"
                                                    << "a@example.com"
                                                    << "𝒜B";
    }

    void initials()
    {
        QFETCH(QString, displayName);
        QFETCH(QString, email);
        QFETCH(QString, initials);
        User user;
        user.email = email;
        if (!displayName.isEmpty())
            user.displayName = displayName;
        QCOMPARE(AvatarLoader::initials(user), initials);
    }

    void pictureIsFetchedOnce()
    {
        DevServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        // An XPM picture is plain text, so the service's fault body can carry it.
        const QString xpm = QStringLiteral("/* XPM */\nstatic const char *a[] = {\"2 2 2 1\", \"r c "
                                           "#ff0000\", \"b c #0000ff\", \"rb\", \"br\"};\n");
        QVERIFY(server.injectFault(
            {{"kind", "malformed"}, {"pathPrefix", "/avatars/"}, {"status", 200}, {"body", xpm}}));
        QUrl url = server.baseUrl();
        url.setPath(QStringLiteral("/avatars/ann.xpm"));
        AvatarLoader loader;
        QSignalSpy changed(&loader, &AvatarLoader::imageChanged);
        QCoro::waitFor(loader.load(url));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(loader.image().size(), QSize(2, 2));
        QCOMPARE(loader.image().pixelColor(0, 0), QColor(Qt::red));
        // The same address again is not fetched again (the fault is spent, so a fetch would fail).
        QCoro::waitFor(loader.load(url));
        QCOMPARE(loader.image().size(), QSize(2, 2));
        // No address forgets the picture.
        QCoro::waitFor(loader.load(QUrl()));
        QVERIFY(loader.image().isNull());
        QCOMPARE(changed.size(), 2);
    }
};

QTEST_MAIN(AccountTest)
#include "AccountTest.moc"
