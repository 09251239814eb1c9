#include "support/LogCapture.h"

#include "domain/Log.h"

LogCapture::LogCapture()
{
    setLogSink([this](const QString& line) { m_lines.append(line); });
}

LogCapture::~LogCapture()
{
    setLogSink({});
}
