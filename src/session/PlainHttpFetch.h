// Fetches a small public document (changelog, update feed, profile picture) with a plain GET: no
// token and no service conventions. Anything but a 2xx answer with a body is a failure with a
// readable text.
#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QString>
#include <QUrl>
#include <chrono>
#include <expected>

class QNetworkAccessManager;

namespace PlainHttpFetch {

// The body of a successful answer. A struct rather than a bare QByteArray: QByteArray's many
// comparison operators confuse GCC 12's std::expected inside coroutine promises.
struct Document
{
    QByteArray body;
};

inline constexpr std::chrono::milliseconds defaultTimeout {60000};

QCoro::Task<std::expected<Document, QString>> get(
    QNetworkAccessManager* network, QUrl url, std::chrono::milliseconds timeout = defaultTimeout);

// The address a build was configured with, unless the environment variable names another one.
QUrl configuredUrl(const char* environmentVariable, const char* bundleDefault);

} // namespace PlainHttpFetch
