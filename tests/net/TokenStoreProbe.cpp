// Child process of the token store test: runs the transport's token handling with whatever D-Bus
// session it was given and prints what it read, so the test can see the in-memory fallback.
#include "domain/Log.h"
#include "net/KeyringTokenStore.h"
#include "net/NetworkService.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>

#include <cstdio>

namespace {
void print(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString text(const TokenReadResult& read)
{
    if (!read)
        return QStringLiteral("<error: %1>").arg(read.error());
    return read->value_or(QStringLiteral("<absent>"));
}
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    auto store = std::make_shared<KeyringTokenStore>(QStringLiteral("net.plenko.test-probe"));
    NetworkService service(QStringLiteral("http://127.0.0.1:9"), store);
    QCoro::waitFor(service.loadTokens());
    QCoro::waitFor(service.setTokens({ QStringLiteral("access-1"), QStringLiteral("refresh-1") }));
    print(QStringLiteral("access=") + text(QCoro::waitFor(store->read(NetworkService::accessTokenAccount))));
    print(QStringLiteral("refresh=") + text(QCoro::waitFor(store->read(NetworkService::refreshTokenAccount))));
    QCoro::waitFor(service.logout());
    print(QStringLiteral("after logout=") + text(QCoro::waitFor(store->read(NetworkService::accessTokenAccount))));
    return store->isMemoryOnly() ? 0 : 3;
}
