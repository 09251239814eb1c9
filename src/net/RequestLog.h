// The transport's log lines that need formatting: the request line with its redacted headers.
#pragma once

#include "net/ServiceRequest.h"

#include <QString>

// "🌐 [Net] → GET http://host/path headers={…}", with the Authorization value always redacted.
QString requestLogLine(const ServiceRequest& request);

// The header dictionary as the request line prints it: {"Name": "value", …}, or {} when empty.
QString redactedHeaders(const QMap<QString, QString>& headers);
