#include "net/KeyringTokenStore.h"

#include "domain/Log.h"

#include <QCoro/QCoroSignal>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringDecoder>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <memory>

namespace {
const QString secretServiceName = QStringLiteral("org.freedesktop.secrets");

// Asks the bus daemon one question about the secret service; false when the bus does not answer.
QCoro::Task<bool> busAnswersYes(QString method, std::chrono::milliseconds timeout)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return false;
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"), method);
    if (method == QLatin1String("NameHasOwner"))
        message << secretServiceName;
    auto watcher = std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(message, static_cast<int>(timeout.count())));
    if (!watcher->isFinished())
        co_await qCoro(watcher.get(), &QDBusPendingCallWatcher::finished);
    const QDBusMessage reply = watcher->reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        co_return false;
    const QVariant answer = reply.arguments().constFirst();
    if (method == QLatin1String("NameHasOwner"))
        co_return answer.toBool();
    co_return answer.toStringList().contains(secretServiceName);
}

// True when the keyring holds items for the service and account that sit in a locked collection.
// A delete from a locked collection finds nothing to delete rather than failing, so every delete is
// checked here: otherwise a sign-out would leave the tokens behind unnoticed.
QCoro::Task<bool> lockedItemsExist(QString service, QString account, std::chrono::milliseconds timeout)
{
    using Attributes = QMap<QString, QString>;
    static const QMetaType registered = qDBusRegisterMetaType<Attributes>();
    Q_UNUSED(registered);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return false;
    QDBusMessage message = QDBusMessage::createMethodCall(secretServiceName, QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("SearchItems"));
    // The attributes QtKeychain stores every item under.
    message << QVariant::fromValue(Attributes { { QStringLiteral("user"), account }, { QStringLiteral("server"), service } });
    auto watcher = std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(message, static_cast<int>(timeout.count())));
    if (!watcher->isFinished())
        co_await qCoro(watcher.get(), &QDBusPendingCallWatcher::finished);
    const QDBusMessage reply = watcher->reply();
    // Unlocked items first, then locked ones.
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2)
        co_return false;
    co_return !qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(1)).isEmpty();
}

QString timeoutText(std::chrono::milliseconds timeout)
{
    return QStringLiteral("The keyring did not answer within %1 seconds.").arg(timeout.count() / 1000.0);
}
}

// Runs one QtKeychain job to its end and hands it back to the caller, or gives up after the timeout
// and lets the job delete itself whenever it does finish.
template<typename Job>
QCoro::Task<std::unique_ptr<Job>> KeyringTokenStore::finishJob(Job* job) const
{
    job->setAutoDelete(false);
    // Started from the event loop so that a job failing at once still finds the connection in place.
    QTimer::singleShot(0, job, [job] { job->start(); });
    const auto finished
        = co_await qCoro(static_cast<QKeychain::Job*>(job), &QKeychain::Job::finished, m_operationTimeout);
    if (!finished) {
        job->setAutoDelete(true);
        co_return std::unique_ptr<Job>();
    }
    co_return std::unique_ptr<Job>(job);
}

KeyringTokenStore::KeyringTokenStore(QString service, std::chrono::milliseconds operationTimeout)
    : m_service(std::move(service))
    , m_operationTimeout(operationTimeout)
{
}

QCoro::Task<void> KeyringTokenStore::ensureBackendChosen()
{
    if (m_backendChosen)
        co_return;
    const std::chrono::milliseconds probeTimeout { 3000 };
    bool available = co_await busAnswersYes(QStringLiteral("NameHasOwner"), probeTimeout);
    if (!available)
        available = co_await busAnswersYes(QStringLiteral("ListActivatableNames"), probeTimeout);
    // Another coroutine may have decided while this one waited on the bus.
    if (m_backendChosen)
        co_return;
    m_backendChosen = true;
    if (!available)
        fallBackToMemory();
}

void KeyringTokenStore::fallBackToMemory()
{
    if (m_memoryOnly)
        return;
    m_memoryOnly = true;
    logLine(QStringLiteral("🔑 No secret service answered: tokens are kept in memory, so sign-in will not "
                           "survive a restart."));
}

QCoro::Task<TokenReadResult> KeyringTokenStore::read(QString account)
{
    co_await ensureBackendChosen();
    if (m_memoryOnly)
        co_return co_await m_memory.read(account);

    auto* started = new QKeychain::ReadPasswordJob(m_service);
    started->setKey(account);
    const auto job = co_await finishJob(started);
    if (!job)
        co_return std::unexpected(timeoutText(m_operationTimeout));

    switch (job->error()) {
    case QKeychain::NoError: {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder(job->binaryData());
        if (decoder.hasError())
            co_return std::optional<QString>();
        co_return std::optional<QString>(text);
    }
    case QKeychain::EntryNotFound:
        co_return std::optional<QString>();
    case QKeychain::NoBackendAvailable:
        fallBackToMemory();
        co_return co_await m_memory.read(account);
    default:
        co_return std::unexpected(job->errorString());
    }
}

QCoro::Task<TokenWriteResult> KeyringTokenStore::save(QString account, QString text)
{
    co_await ensureBackendChosen();
    if (m_memoryOnly)
        co_return co_await m_memory.save(account, text);

    // Whatever is stored under this service and account goes first, also an item written in another
    // form, so no reader of the keyring finds an older token beside the new one.
    if (const TokenWriteResult removed = co_await remove(account); !removed)
        co_return removed;
    if (m_memoryOnly)
        co_return co_await m_memory.save(account, text);

    auto* started = new QKeychain::WritePasswordJob(m_service);
    started->setKey(account);
    started->setBinaryData(text.toUtf8());
    const auto job = co_await finishJob(started);
    if (!job)
        co_return std::unexpected(timeoutText(m_operationTimeout));
    if (job->error() == QKeychain::NoBackendAvailable) {
        fallBackToMemory();
        co_return co_await m_memory.save(account, text);
    }
    if (job->error() != QKeychain::NoError)
        co_return std::unexpected(job->errorString());
    co_return TokenWriteResult();
}

QCoro::Task<TokenWriteResult> KeyringTokenStore::remove(QString account)
{
    co_await ensureBackendChosen();
    if (m_memoryOnly)
        co_return co_await m_memory.remove(account);

    auto* started = new QKeychain::DeletePasswordJob(m_service);
    started->setKey(account);
    const auto job = co_await finishJob(started);
    if (!job)
        co_return std::unexpected(timeoutText(m_operationTimeout));
    switch (job->error()) {
    case QKeychain::NoError:
    case QKeychain::EntryNotFound:
        if (co_await lockedItemsExist(m_service, account, m_operationTimeout))
            co_return std::unexpected(QStringLiteral("The keyring is locked."));
        co_return TokenWriteResult();
    case QKeychain::NoBackendAvailable:
        fallBackToMemory();
        co_return co_await m_memory.remove(account);
    default:
        co_return std::unexpected(job->errorString());
    }
}
