#include "BenchProcess.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <cstring>
#include <unistd.h>

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

namespace {

struct ProcessStat
{
    qint64 parent = 0;
    double cpuSeconds = -1;
};

// /proc/PID/stat; the fields after the name in parentheses (which may hold spaces) start at the state.
ProcessStat processStat(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return {};
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return {fields[1].toLongLong(), (fields[11].toDouble() + fields[12].toDouble()) / ticks};
}

} // namespace

double processCpuSeconds(qint64 pid, bool withChildren)
{
    double total = processStat(pid).cpuSeconds;
    if (total < 0 || !withChildren)
        return total;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 child = entry.toLongLong(&number);
        if (!number)
            continue;
        const ProcessStat stat = processStat(child);
        if (stat.parent == pid && stat.cpuSeconds > 0)
            total += stat.cpuSeconds;
    }
    return total;
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
