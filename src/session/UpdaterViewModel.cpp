#include "session/UpdaterViewModel.h"

#include "BundleInfo.h"
#include "domain/IsoDate.h"
#include "domain/Log.h"
#include "session/PlainHttpFetch.h"
#include "store/LocalStore.h"

#include <QDesktopServices>
#include <QPointer>
#include <algorithm>

LocalStoreKey<std::optional<QString>> UpdaterViewModel::lastCheckKey()
{
    return {QStringLiteral("updates.lastCheckAt"), std::nullopt};
}

QUrl UpdaterViewModel::configuredUrl()
{
    return PlainHttpFetch::configuredUrl(urlEnvironmentVariable, BundleInfo::appcastUrl);
}

UpdaterViewModel::UpdaterViewModel(LocalStore& preferences, UpdaterOptions options, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_appcastUrl(options.appcastUrl.value_or(configuredUrl()))
    , m_currentVersion(options.currentVersion.isEmpty() ? QString::fromUtf8(BundleInfo::shortVersion)
                                                        : options.currentVersion)
    , m_currentBuild(
          options.currentBuild.isEmpty() ? QString::fromUtf8(BundleInfo::build) : options.currentBuild)
    , m_openUrl(options.openUrl ? std::move(options.openUrl)
                                : UrlOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); }))
{
    m_scheduleTimer.setSingleShot(true);
    connect(&m_scheduleTimer, &QTimer::timeout, this, [this] { checkInBackground(); });
    if (options.startsScheduledChecks) {
        if (isScheduledCheckDue())
            checkInBackground();
        else
            scheduleNextCheck();
    }
}

std::optional<QDateTime> UpdaterViewModel::lastCheckAt() const
{
    const std::optional<QString> text = m_preferences.get(lastCheckKey());
    if (!text)
        return std::nullopt;
    return parseIsoDate(*text);
}

bool UpdaterViewModel::isScheduledCheckDue() const
{
    const std::optional<QDateTime> last = lastCheckAt();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (!last || *last > now)
        return true;
    return last->secsTo(now) >= std::chrono::seconds(scheduledCheckInterval).count();
}

void UpdaterViewModel::scheduleNextCheck()
{
    const std::optional<QDateTime> last = lastCheckAt();
    const qint64 interval = std::chrono::milliseconds(scheduledCheckInterval).count();
    const qint64 elapsed = last ? last->msecsTo(QDateTime::currentDateTimeUtc()) : interval;
    m_scheduleTimer.start(static_cast<int>(std::clamp<qint64>(interval - elapsed, 0, interval)));
}

QCoro::Task<void> UpdaterViewModel::checkForUpdates()
{
    return check(true);
}

QCoro::Task<void> UpdaterViewModel::checkInBackground()
{
    return check(false);
}

QCoro::Task<void> UpdaterViewModel::check(bool userInitiated)
{
    if (m_isChecking) {
        // The running check answers the user too, so the menu command is never silently dropped.
        m_userIsWaiting = m_userIsWaiting || userInitiated;
        co_return;
    }
    m_userIsWaiting = userInitiated;
    QPointer<UpdaterViewModel> self(this);
    setChecking(true);
    m_scheduleTimer.stop();
    m_preferences.set(isoDateText(QDateTime::currentDateTimeUtc()), lastCheckKey());

    const std::expected<PlainHttpFetch::Document, QString> body
        = co_await PlainHttpFetch::get(&m_network, m_appcastUrl);
    if (!self)
        co_return;
    setChecking(false);
    scheduleNextCheck();
    userInitiated = m_userIsWaiting;
    m_userIsWaiting = false;

    std::expected<QList<AppcastItem>, QString> releases
        = body ? AppcastItem::decodeFeed(body->body) : std::unexpected(body.error());
    if (!releases) {
        logLine(QStringLiteral("Update check failed: ") + releases.error());
        if (userInitiated)
            Q_EMIT checkFailed(releases.error());
        co_return;
    }
    const std::optional<AppcastItem> newest = AppcastItem::newest(*releases);
    if (newest && newest->isNewerThan(m_currentVersion, m_currentBuild)) {
        m_availableUpdate = newest;
        Q_EMIT updateAvailable(*newest, userInitiated);
        co_return;
    }
    m_availableUpdate.reset();
    if (userInitiated)
        Q_EMIT upToDate(m_currentVersion);
}

bool UpdaterViewModel::openDownloadPage()
{
    if (!m_availableUpdate)
        return false;
    // The feed names the address; only a secure web page is handed to the desktop to open.
    if (!m_availableUpdate->hasSafeDownload()) {
        logLine(QStringLiteral("Update download address refused (not https): ")
            + m_availableUpdate->downloadUrl.toString(QUrl::RemoveUserInfo));
        return false;
    }
    return m_openUrl(m_availableUpdate->downloadUrl);
}

void UpdaterViewModel::setChecking(bool checking)
{
    if (m_isChecking == checking)
        return;
    m_isChecking = checking;
    Q_EMIT isCheckingChanged(checking);
}
