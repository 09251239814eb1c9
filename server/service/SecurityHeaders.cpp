#include "SecurityHeaders.h"

namespace {

bool hasHeader(const ApiResponse& response, const QByteArray& name)
{
    for (const auto& [key, value] : response.headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

QList<QPair<QByteArray, QByteArray>> SecurityHeaders::forAnswer(const ApiResponse& response, bool overTls)
{
    using Header = QPair<QByteArray, QByteArray>;
    QList<Header> wanted {Header("X-Content-Type-Options", "nosniff")};
    if (response.contentType.startsWith("text/html")) {
        // The service's pages (sign-in, releases) are forms and text with an inline style sheet:
        // nothing else may load or run in them.
        wanted
            << Header("X-Frame-Options", "DENY")
            << Header("Content-Security-Policy",
                   "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; frame-ancestors 'none'")
            << Header("Referrer-Policy", "no-referrer") << Header("Cache-Control", "no-store");
    }
    if (overTls)
        wanted << Header("Strict-Transport-Security", "max-age=31536000");
    QList<QPair<QByteArray, QByteArray>> added;
    for (const auto& header : wanted) {
        if (!hasHeader(response, header.first))
            added.append(header);
    }
    return added;
}
