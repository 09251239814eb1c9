// A start of the application, reduced to the single-instance election:
//   single_instance_client <socket name> [--serve <later starts>] [addresses…]
// Exit status 0: handed over to the running instance; 1: became the running instance (with --serve it
// first serves until that many later starts have handed over); 2: neither; 3: no answer.
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty())
        return 2;
    SingleInstance instance(arguments.takeFirst());
    int serveFor = 0;
    if (arguments.value(0) == QLatin1String("--serve")) {
        arguments.takeFirst();
        serveFor = arguments.takeFirst().toInt();
    }
    switch (instance.claim(arguments)) {
    case SingleInstance::Role::handedOver:
        return 0;
    case SingleInstance::Role::primary:
        break;
    case SingleInstance::Role::unanswered:
        return 3;
    case SingleInstance::Role::failed:
        return 2;
    }
    if (serveFor <= 0)
        return 1;
    int activations = 0;
    QObject::connect(&instance, &SingleInstance::activated, &app, [&] {
        if (++activations == serveFor)
            QTimer::singleShot(0, &app, [] { QCoreApplication::exit(1); });
    });
    return QCoreApplication::exec();
}
