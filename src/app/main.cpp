#include "app/MyApp.h"
#include "app/SingleInstance.h"
#include "app/StartupCheck.h"
#include "store/LocalStore.h"
#include "store/StoreContainer.h"
#include "transfer/CommandLineTransfer.h"

#include "BundleInfo.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>

#include <cstdio>

namespace {

// The names the store and the preferences are found by: the same for the window and the command line.
void nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("net.plenko"));
    QCoreApplication::setApplicationName(QStringLiteral("Plenko"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(BundleInfo::shortVersion));
}

// `--export` and `--import` need no display, no window and no sign-in.
int runCommandLineTransfer(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    nameApplication();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const CommandLineTransfer::Places places {[] { return StoreContainer::open(); }, LocalStore::shared(),
        SingleInstance::defaultServerName() + QStringLiteral(".lock")};
    return CommandLineTransfer::run(QCoreApplication::arguments().mid(1), places, out, err);
}

}

int main(int argc, char* argv[])
{
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLineTransfer::isRequested(rawArguments))
        return runCommandLineTransfer(argc, argv);

    QApplication application(argc, argv);
    nameApplication();
    QApplication::setDesktopFileName(QStringLiteral("net.plenko.Plenko"));

    // The browser's sign-in callback starts a second process with a plenko:// address; it hands the
    // address to the running instance and leaves.
    QStringList urls;
    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String("plenko:")))
            urls << argument;
    }
    // `scripts/run.sh --check`: start, show the window, quit, and say whether that worked.
    const bool startupCheck = arguments.contains(QLatin1String("--startup-check"));
    SingleInstance instance;
    switch (instance.claim(urls)) {
    case SingleInstance::Role::handedOver:
        if (!startupCheck)
            return 0;
        std::fprintf(stderr, "Startup check failed: another Plenko is already running for this user.\n");
        return StartupCheck::failureExitCode;
    case SingleInstance::Role::unanswered:
        // Never a second instance beside a running one: both would write the same store.
        std::fprintf(stderr, "Plenko is already running but did not answer.\n");
        return 1;
    case SingleInstance::Role::primary:
    case SingleInstance::Role::failed:
        break;
    }

    auto app = MyApp::create();
    if (!app) {
        // Without its store the application has nothing to show and no safe place to write.
        std::fprintf(stderr, "Fatal error: %s\n", qPrintable(app.error().message));
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QMessageBox::critical(nullptr, QStringLiteral("Plenko"), app.error().message);
        return 1;
    }
    MyApp& myApp = **app;
    QObject::connect(&instance, &SingleInstance::urlReceived, &myApp, &MyApp::openUrl);
    QObject::connect(&instance, &SingleInstance::activated, &myApp, &MyApp::activate);
    std::unique_ptr<StartupCheck> check;
    if (startupCheck)
        check = std::make_unique<StartupCheck>(*myApp.mainWindow(), myApp.boardViewModel(), std::chrono::seconds(60));
    myApp.showMainWindow();
    // A callback given to a fresh instance has no sign-in to complete; handleCallback drops it.
    for (const QString& url : std::as_const(urls))
        myApp.openUrl(url);
    return QApplication::exec();
}
