// Software updates: reads the update feed (plain HTTP) and compares its newest release with the
// running version. Checks on its own at start-up when the last check is a day old or more (and then
// daily while running), and whenever "Check for Updates…" asks. The views turn its signals into the
// dialogs; the download page opens in the browser.
#pragma once

#include "session/AppcastItem.h"
#include "store/LocalStoreKey.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

class LocalStore;

struct UpdaterOptions
{
    // Without one: PLENKO_APPCAST_URL, else the bundle's feed address.
    std::optional<QUrl> appcastUrl;
    QString currentVersion; // empty: the bundle's short version
    QString currentBuild; // empty: the bundle's build
    std::function<bool(const QUrl&)> openUrl; // empty: the desktop's browser
    bool startsScheduledChecks = true;
};

class UpdaterViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY isCheckingChanged)

public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    static constexpr const char* urlEnvironmentVariable = "PLENKO_APPCAST_URL";
    static constexpr std::chrono::hours scheduledCheckInterval {24};

    // When the last check started, as ISO 8601 text in UTC.
    static LocalStoreKey<std::optional<QString>> lastCheckKey();
    static QUrl configuredUrl();

    explicit UpdaterViewModel(
        LocalStore& preferences, UpdaterOptions options = {}, QObject* parent = nullptr);

    QUrl appcastUrl() const { return m_appcastUrl; }
    QString currentVersion() const { return m_currentVersion; }
    bool isChecking() const { return m_isChecking; }
    // The newer release found by the last check.
    const std::optional<AppcastItem>& availableUpdate() const { return m_availableUpdate; }
    std::optional<QDateTime> lastCheckAt() const;
    // True when no check started in the last day (or the remembered time lies in the future).
    bool isScheduledCheckDue() const;

    // The menu command: reports every outcome, including "up to date" and failures.
    QCoro::Task<void> checkForUpdates();
    // The schedule's check: only a newer release is reported.
    QCoro::Task<void> checkInBackground();
    // Opens the available release's download page; false when there is none or the browser failed.
    bool openDownloadPage();

Q_SIGNALS:
    void isCheckingChanged(bool checking);
    void updateAvailable(const AppcastItem& release, bool userInitiated);
    void upToDate(const QString& currentVersion);
    void checkFailed(const QString& message);

private:
    QCoro::Task<void> check(bool userInitiated);
    void scheduleNextCheck();
    void setChecking(bool checking);

    LocalStore& m_preferences;
    QUrl m_appcastUrl;
    QString m_currentVersion;
    QString m_currentBuild;
    UrlOpener m_openUrl;
    QNetworkAccessManager m_network;
    QTimer m_scheduleTimer;
    bool m_isChecking = false;
    bool m_userIsWaiting = false;
    std::optional<AppcastItem> m_availableUpdate;
};
