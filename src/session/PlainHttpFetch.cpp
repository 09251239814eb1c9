#include "session/PlainHttpFetch.h"

#include "domain/ApiError.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace PlainHttpFetch {

QCoro::Task<std::expected<Document, QString>> get(
    QNetworkAccessManager* network, QUrl url, std::chrono::milliseconds timeout)
{
    if (!url.isValid() || url.scheme().isEmpty())
        co_return std::unexpected(QStringLiteral("The address \"%1\" is not valid.").arg(url.toString()));
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    QPointer<QNetworkReply> reply = network->get(request);
    co_await qCoro(reply.get()).waitForFinished();
    if (!reply)
        co_return std::unexpected(QStringLiteral("The request was cancelled."));
    reply->deleteLater();

    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusAttribute.isValid())
        co_return std::unexpected(reply->errorString());
    const int status = statusAttribute.toInt();
    if (status < 200 || status > 299) {
        const QString reason = httpReasonPhrase(status);
        co_return std::unexpected(reason.isEmpty()
                ? QStringLiteral("The server answered with status %1.").arg(status)
                : QStringLiteral("The server answered with status %1 (%2).").arg(status).arg(reason));
    }
    co_return Document {reply->readAll()};
}

QUrl configuredUrl(const char* environmentVariable, const char* bundleDefault)
{
    const QString overridden = qEnvironmentVariable(environmentVariable).trimmed();
    return QUrl(overridden.isEmpty() ? QString::fromUtf8(bundleDefault) : overridden);
}

} // namespace PlainHttpFetch
