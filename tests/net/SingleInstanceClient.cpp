// A later start of the application, reduced to the single-instance channel: hands its arguments to the
// running instance. Exit status 0: handed over; 1: became the running instance; 2: neither.
#include "net/SingleInstance.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty())
        return 2;
    SingleInstance instance(arguments.takeFirst());
    switch (instance.claim(arguments)) {
    case SingleInstance::Role::handedOver:
        return 0;
    case SingleInstance::Role::primary:
        return 1;
    case SingleInstance::Role::failed:
        break;
    }
    return 2;
}
