// Child process of the token store test, run in a D-Bus session of its own: this process owns the
// secret service name and never answers on it, so every keyring operation of the transport meets a
// keyring that does not answer. Prints what the transport did for sign-in, refresh and sign-out, and
// what the next start reads.
#include "ScriptedHttpServer.h"
#include "domain/WireEncoder.h"
#include "wirecodec/ResponseEncoder.h"
#include "net/Endpoint.h"
#include "net/KeyringTokenStore.h"
#include "net/NetworkService.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

namespace {
void print(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// Takes every call and never replies.
class SilentSecretService : public QDBusVirtualObject
{
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
};
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    SilentSecretService silent;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/secrets"), &silent, QDBusConnection::SubPath)
        || !bus.registerService(QStringLiteral("org.freedesktop.secrets"))) {
        print(QStringLiteral("could not own the secret service name"));
        return 2;
    }

    // The test names a fresh service per run, so no mark of an earlier run is found.
    const QString service = app.arguments().value(1, QStringLiteral("net.plenko.test-silent"));
    const std::chrono::milliseconds timeout { 300 };
    ScriptedHttpServer server;
    QTemporaryDir folder;
    const QString marker = folder.filePath(QStringLiteral("signed-out"));
    NetworkService api(server.baseUrl(), std::make_shared<KeyringTokenStore>(service, timeout));
    api.setSignOutMarker(marker);
    int toldInMemory = 0;
    int toldNotDeleted = 0;
    QObject::connect(&api, &NetworkService::tokensKeptInMemoryOnly, [&] { ++toldInMemory; });
    QObject::connect(&api, &NetworkService::storedTokensNotDeleted, [&] { ++toldNotDeleted; });

    QCoro::waitFor(api.loadTokens());
    print(QStringLiteral("load=%1").arg(api.tokenLoadState() == NetworkService::TokenLoadState::keyringFailed
            ? QStringLiteral("keyring failed")
            : QStringLiteral("other")));

    QCoro::waitFor(api.setTokens({ QStringLiteral("a1"), QStringLiteral("r1") }));
    print(QStringLiteral("signed in: access=%1 told=%2").arg(api.accessToken()).arg(toldInMemory));

    server.script({ ScriptedReply::json(401, "{}"), ScriptedReply::json(200, encodeBody(LoginTokens { QStringLiteral("a2"), QStringLiteral("r2") })),
        ScriptedReply::json(200, R"({"code":"JOIN-1"})") });
    const auto fetched = QCoro::waitFor(fetchRecord<InvitationResponse>(&api, EndpointRequest("GET", QStringLiteral("/api/thing"))));
    print(QStringLiteral("refreshed: ok=%1 access=%2 told=%3")
              .arg(fetched.has_value() ? 1 : 0)
              .arg(api.accessToken())
              .arg(toldInMemory));

    server.script({ ScriptedReply::json(200, "{}") });
    QCoro::waitFor(api.logout());
    print(QStringLiteral("signed out: access=%1 notDeleted=%2").arg(api.accessToken(), QString::number(toldNotDeleted)));

    NetworkService nextStart(server.baseUrl(), std::make_shared<KeyringTokenStore>(service, timeout));
    nextStart.setSignOutMarker(marker);
    QCoro::waitFor(nextStart.loadTokens());
    print(QStringLiteral("next start: access=%1 refresh=%2").arg(nextStart.accessToken(), nextStart.refreshToken()));
    return 0;
}
