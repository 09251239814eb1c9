#include "app/MyApp.h"

#include "BundleInfo.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("net.plenko"));
    QApplication::setApplicationName(QStringLiteral("Plenko"));
    QApplication::setApplicationVersion(QString::fromLatin1(BundleInfo::shortVersion));
    QApplication::setDesktopFileName(QStringLiteral("net.plenko.Plenko"));

    auto app = MyApp::create();
    if (!app) {
        // Without its store the application has nothing to show and no safe place to write.
        std::fprintf(stderr, "Fatal error: %s\n", qPrintable(app.error().message));
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QMessageBox::critical(nullptr, QStringLiteral("Plenko"), app.error().message);
        return 1;
    }
    (*app)->showMainWindow();
    return QApplication::exec();
}
