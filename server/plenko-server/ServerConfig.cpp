#include "ServerConfig.h"

#include "Database.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSettings>

namespace {

const QSet<QString> knownKeys {QStringLiteral("server/address"), QStringLiteral("server/port"),
    QStringLiteral("server/publicBaseUrl"), QStringLiteral("server/trustedProxies"),
    QStringLiteral("tls/certificate"), QStringLiteral("tls/privateKey"), QStringLiteral("database/path"),
    QStringLiteral("accounts/signUp"), QStringLiteral("accounts/accessTokenSeconds"),
    QStringLiteral("accounts/maxSignUpsPerAddress"), QStringLiteral("accounts/signUpWindowSeconds"),
    QStringLiteral("signIn/maxFailuresPerAccount"), QStringLiteral("signIn/maxFailuresPerAddress"),
    QStringLiteral("signIn/failureWindowSeconds"), QStringLiteral("sessions/maxAgeDays"),
    QStringLiteral("server/workers"), QStringLiteral("server/networkThreads"),
    QStringLiteral("server/maxConnections"), QStringLiteral("limits/bodyBytes"),
    QStringLiteral("limits/syncBodyBytes"), QStringLiteral("limits/headerBytes"),
    QStringLiteral("limits/readTimeoutSeconds"), QStringLiteral("limits/idleTimeoutSeconds"),
    QStringLiteral("limits/tlsHandshakeTimeoutSeconds"), QStringLiteral("events/maxStreams"),
    QStringLiteral("events/maxStreamsPerAccount"), QStringLiteral("events/maxStreamsPerAddress"),
    QStringLiteral("events/queueFrames"),
    QStringLiteral("events/heartbeatSeconds"), QStringLiteral("events/writeTimeoutSeconds")};

// A whole number in [minimum, maximum], or the error naming the key.
std::expected<qint64, QString> number(
    const QSettings& settings, const QString& key, qint64 fallback, qint64 minimum, qint64 maximum)
{
    if (!settings.contains(key))
        return fallback;
    bool ok = false;
    const qint64 value = settings.value(key).toString().trimmed().toLongLong(&ok);
    if (!ok || value < minimum || value > maximum)
        return std::unexpected(QStringLiteral("%1 must be a whole number from %2 to %3, not \"%4\".")
                                   .arg(key)
                                   .arg(minimum)
                                   .arg(maximum)
                                   .arg(settings.value(key).toString()));
    return value;
}

// A path as written, a relative one taken from the config file's folder; empty when absent.
QString pathValue(const QSettings& settings, const QString& key, const QFileInfo& file)
{
    const QString path = settings.value(key).toString().trimmed();
    if (path.isEmpty() || QFileInfo(path).isAbsolute())
        return path;
    return file.absoluteDir().filePath(path);
}

} // namespace

std::expected<ServerConfig, QString> ServerConfig::load(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        return std::unexpected(QStringLiteral("cannot read the config file %1.").arg(path));
    const QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return std::unexpected(QStringLiteral("%1 is not a valid INI file.").arg(path));
    for (const QString& key : settings.allKeys()) {
        if (!knownKeys.contains(key))
            return std::unexpected(QStringLiteral("%1: unknown key \"%2\".").arg(path, key));
    }

    ServerConfig config;
    const auto fail
        = [&path](const QString& message) { return std::unexpected(path + QStringLiteral(": ") + message); };

    if (settings.contains(QStringLiteral("server/address"))) {
        const QString text = settings.value(QStringLiteral("server/address")).toString().trimmed();
        if (!config.address.setAddress(text))
            return fail(QStringLiteral("server/address must be an IP address, not \"%1\".").arg(text));
    }
    const auto port = number(settings, QStringLiteral("server/port"), config.port, 0, 65535);
    if (!port)
        return fail(port.error());
    config.port = quint16(*port);

    if (settings.contains(QStringLiteral("server/publicBaseUrl"))) {
        const QString text = settings.value(QStringLiteral("server/publicBaseUrl")).toString().trimmed();
        const QUrl url(text, QUrl::StrictMode);
        if (!url.isValid()
            || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
            || url.host().isEmpty() || url.hasQuery() || url.hasFragment())
            return fail(QStringLiteral("server/publicBaseUrl must be an http or https address, not \"%1\".")
                            .arg(text));
        config.publicBaseUrl = url.adjusted(QUrl::StripTrailingSlash);
    }

    // QSettings reads "a, b" as a list and "a" as text; both are taken apart at commas.
    QStringList proxyEntries;
    for (const QString& part : settings.value(QStringLiteral("server/trustedProxies")).toStringList())
        proxyEntries.append(part.split(QLatin1Char(',')));
    auto proxies = TrustedProxies::parse(proxyEntries);
    if (!proxies)
        return fail(QStringLiteral("server/trustedProxies: %1.").arg(proxies.error()));
    config.trustedProxies = std::move(*proxies);

    config.tlsCertificatePath = pathValue(settings, QStringLiteral("tls/certificate"), file);
    config.tlsPrivateKeyPath = pathValue(settings, QStringLiteral("tls/privateKey"), file);
    if (config.tlsCertificatePath.isEmpty() != config.tlsPrivateKeyPath.isEmpty())
        return fail(QStringLiteral("tls/certificate and tls/privateKey go together: set both or neither."));

    // A postgresql:// URI is taken as written; a file path is relative to this file.
    config.databasePath = settings.value(QStringLiteral("database/path")).toString().trimmed();
    if (config.databasePath.isEmpty())
        return fail(QStringLiteral("database/path is required (the SQLite file that keeps the data, or a "
                                   "postgresql:// URI)."));
    if (!Database::isPostgresLocation(config.databasePath))
        config.databasePath = pathValue(settings, QStringLiteral("database/path"), file);

    const QString policy = settings.value(QStringLiteral("accounts/signUp"), QStringLiteral("invitation"))
                               .toString()
                               .trimmed();
    if (policy == QLatin1String("open"))
        config.signUp = SignUpPolicy::Open;
    else if (policy == QLatin1String("invitation"))
        config.signUp = SignUpPolicy::Invitation;
    else
        return fail(
            QStringLiteral("accounts/signUp must be \"open\" or \"invitation\", not \"%1\".").arg(policy));

    const auto ttl = number(
        settings, QStringLiteral("accounts/accessTokenSeconds"), config.accessTokenSeconds, 60, 24 * 3600);
    const auto signUps = number(
        settings, QStringLiteral("accounts/maxSignUpsPerAddress"), config.maxSignUpsPerAddress, 1, 100000);
    const auto signUpWindow = number(settings, QStringLiteral("accounts/signUpWindowSeconds"),
        config.signUpWindowSeconds, 1, 7 * 24 * 3600);
    const auto perAccount = number(
        settings, QStringLiteral("signIn/maxFailuresPerAccount"), config.maxFailuresPerAccount, 1, 1000);
    const auto perAddress = number(
        settings, QStringLiteral("signIn/maxFailuresPerAddress"), config.maxFailuresPerAddress, 1, 100000);
    const auto window = number(settings, QStringLiteral("signIn/failureWindowSeconds"),
        config.failureWindowSeconds, 1, 7 * 24 * 3600);
    const auto sessionAge
        = number(settings, QStringLiteral("sessions/maxAgeDays"), config.maxSessionAgeDays, 0, 3650);
    for (const auto* value :
        {&ttl, &signUps, &signUpWindow, &perAccount, &perAddress, &window, &sessionAge}) {
        if (!*value)
            return fail(value->error());
    }
    config.accessTokenSeconds = *ttl;
    config.maxSignUpsPerAddress = int(*signUps);
    config.signUpWindowSeconds = *signUpWindow;
    config.maxFailuresPerAccount = int(*perAccount);
    config.maxFailuresPerAddress = int(*perAddress);
    config.failureWindowSeconds = *window;
    config.maxSessionAgeDays = int(*sessionAge);

    HttpLimits& limits = config.limits;
    const auto workers = number(settings, QStringLiteral("server/workers"), config.workers, 1, 64);
    const auto networkThreads
        = number(settings, QStringLiteral("server/networkThreads"), limits.networkThreads, 1, 16);
    const auto connections
        = number(settings, QStringLiteral("server/maxConnections"), limits.maxConnections, 1, 100000);
    const auto body = number(
        settings, QStringLiteral("limits/bodyBytes"), qint64(limits.jsonBodyBytes), 1024, 64 * 1024 * 1024);
    const auto syncBody = number(settings, QStringLiteral("limits/syncBodyBytes"),
        qint64(limits.syncBodyBytes), 1024, 1024 * 1024 * 1024);
    const auto header = number(
        settings, QStringLiteral("limits/headerBytes"), qint64(limits.headerBytes), 1024, 1024 * 1024);
    const auto read
        = number(settings, QStringLiteral("limits/readTimeoutSeconds"), limits.readTimeoutMs / 1000, 1, 3600);
    const auto idle
        = number(settings, QStringLiteral("limits/idleTimeoutSeconds"), limits.idleTimeoutMs / 1000, 1, 3600);
    const auto handshake = number(settings, QStringLiteral("limits/tlsHandshakeTimeoutSeconds"),
        limits.tlsHandshakeTimeoutMs / 1000, 1, 600);
    for (const auto* value :
        {&workers, &networkThreads, &connections, &body, &syncBody, &header, &read, &idle, &handshake}) {
        if (!*value)
            return fail(value->error());
    }
    config.workers = int(*workers);
    limits.networkThreads = int(*networkThreads);
    limits.maxConnections = int(*connections);
    limits.jsonBodyBytes = std::size_t(*body);
    limits.syncBodyBytes = std::size_t(*syncBody);
    limits.headerBytes = std::size_t(*header);
    limits.readTimeoutMs = int(*read) * 1000;
    limits.idleTimeoutMs = int(*idle) * 1000;
    limits.tlsHandshakeTimeoutMs = int(*handshake) * 1000;

    EventStreamLimits& events = limits.events;
    const auto streams = number(settings, QStringLiteral("events/maxStreams"), events.maxStreams, 1, 100000);
    const auto perAccountStreams = number(
        settings, QStringLiteral("events/maxStreamsPerAccount"), events.maxStreamsPerAccount, 1, 1000);
    const auto perAddressStreams = number(
        settings, QStringLiteral("events/maxStreamsPerAddress"), events.maxStreamsPerAddress, 1, 100000);
    const auto queue = number(settings, QStringLiteral("events/queueFrames"), events.queueFrames, 1, 10000);
    const auto heartbeat
        = number(settings, QStringLiteral("events/heartbeatSeconds"), events.heartbeatSeconds, 1, 300);
    const auto writeTimeout = number(
        settings, QStringLiteral("events/writeTimeoutSeconds"), events.writeTimeoutMs / 1000, 1, 600);
    for (const auto* value : {&streams, &perAccountStreams, &perAddressStreams, &queue, &heartbeat, &writeTimeout}) {
        if (!*value)
            return fail(value->error());
    }
    events.maxStreams = int(*streams);
    events.maxStreamsPerAccount = int(*perAccountStreams);
    events.maxStreamsPerAddress = int(*perAddressStreams);
    events.queueFrames = int(*queue);
    events.heartbeatSeconds = int(*heartbeat);
    events.writeTimeoutMs = int(*writeTimeout) * 1000;
    return config;
}
