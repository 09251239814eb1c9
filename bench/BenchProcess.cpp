#include "BenchProcess.h"

#include <QFile>
#include <QList>

#include <cstring>

double statusMb(const char* key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = file.readAll().split('\n');
    const qsizetype length = qsizetype(std::strlen(key));
    for (const QByteArray& line : lines) {
        if (line.startsWith(key) && line.size() > length && line.at(length) == ':')
            return line.mid(length + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

QHash<QString, double> readMeasurements(const QByteArray& output)
{
    QHash<QString, double> values;
    const QList<QByteArray> lines = output.split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2)
            values.insert(QString::fromLatin1(parts[0]), parts[1].toDouble());
    }
    return values;
}
