// The diagnostic log: one line per event on standard output. There are no levels.
#pragma once

#include <QString>

#include <functional>

void logLine(const QString& line);

// Tests capture the log through this hook; production code never sets it.
using LogSink = std::function<void(const QString&)>;
void setLogSink(LogSink sink);
