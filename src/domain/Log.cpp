#include "domain/Log.h"

#include <cstdio>

namespace {
LogSink& currentSink()
{
    static LogSink sink;
    return sink;
}
}

void logLine(const QString& line)
{
    if (const auto& sink = currentSink()) {
        sink(line);
        return;
    }
    const QByteArray utf8 = line.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void setLogSink(LogSink sink)
{
    currentSink() = std::move(sink);
}
