// plenko-devserver: a stand-in for the Plenko service, for tests and local trials.
#include "DevService.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("plenko-devserver"));

    const std::expected<ServerOptions, QString> options = ServerOptions::parse(QCoreApplication::arguments());
    if (!options) {
        std::fprintf(stderr, "%s\n", qPrintable(options.error()));
        return QCoreApplication::arguments().contains(QStringLiteral("--help")) ? 0 : 2;
    }
    DevService service(*options);
    if (const std::optional<QString> error = service.start()) {
        std::fprintf(stderr, "plenko-devserver: %s\n", qPrintable(*error));
        return 1;
    }
    // Tests and scripts read the port from this exact line.
    std::fprintf(stdout, "plenko-devserver listening on http://127.0.0.1:%u\n", unsigned(service.port()));
    std::fflush(stdout);
    return app.exec();
}
