#include "richtext/LinkMetadataService.h"

#include "richtext/LinkPageParser.h"
#include "richtext/PageBody.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QCoroSignal>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

// A page that moves more often than this is not worth a label.
constexpr int maxRedirects = 3;

bool isWebScheme(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Redirects are followed here, not by the network access manager: Qt 6.4 connects its own
// follow-up to redirectAllowed() again on every hop, so from the second redirect on one permission
// started the next request several times and the fetch broke off.
QNetworkRequest pageRequest(const QUrl& url, std::chrono::milliseconds timeout)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setRawHeader("Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
    request.setRawHeader("User-Agent", "Mozilla/5.0 (X11; Linux x86_64) Plenko/1.0");
    return request;
}

} // namespace

// The status and the first 128 KiB of the body; absent when no HTTP response arrived in full.
// Nothing of the service is touched after the reply finishes: the service may be gone by then.
QCoro::Task<std::optional<LinkMetadataService::Download>> LinkMetadataService::download(
    QNetworkRequest request, QDeadlineTimer deadline)
{
    // The session owns the reply until we hand it back; it may go first when the session does.
    QPointer<QNetworkReply> reply = m_network->get(request);
    m_activeReply = reply;
    auto received = std::make_shared<Download>();
    // One deadline for the whole fetch: a server that trickles a byte now and then never resets it.
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, reply, [r = reply.data()] { r->abort(); });
    timer->start(std::max<qint64>(0, deadline.remainingTime()));
    // Read as the bytes arrive and stop the transfer at the cap, so a huge page is never held whole.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [r = reply.data(), received] {
        if (received->wasCut)
            return;
        received->body.append(r->read(PageBody::maxBytes - received->body.size()));
        if (received->body.size() >= PageBody::maxBytes) {
            received->wasCut = true;
            r->abort();
        }
    });
    co_await reply.data();
    if (!reply)
        co_return std::nullopt;
    reply->deleteLater();

    if (!received->wasCut && reply->isOpen())
        received->body.append(reply->read(PageBody::maxBytes - received->body.size()));
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        co_return std::nullopt;
    received->status = status.toInt();
    received->location = reply->rawHeader("Location");
    // A status outside 2xx/3xx is the caller's to judge; a transfer that broke off is no page.
    const bool statusIsError = received->status < 200 || received->status > 399;
    if (reply->error() != QNetworkReply::NoError && !received->wasCut && !statusIsError)
        co_return std::nullopt;
    co_return *received;
}

LinkMetadataService::LinkMetadataService(QNetworkAccessManager* network, std::chrono::milliseconds timeout,
                                         QObject* parent)
    : QObject(parent)
    , m_network(network ? network : new QNetworkAccessManager(this))
    , m_timeout(timeout)
{
}

LinkMetadataService::~LinkMetadataService()
{
    // Let every waiting fetch finish with its fallback instead of waiting forever on a dead service.
    m_isClosing = true;
    if (m_activeReply)
        m_activeReply->abort();
    m_busy = false;
    Q_EMIT turnFinished();
}

LinkMetadataService& LinkMetadataService::shared()
{
    static QPointer<LinkMetadataService> instance;
    if (!instance)
        instance = new LinkMetadataService(nullptr, defaultTimeout, QCoreApplication::instance());
    return *instance;
}

QString LinkMetadataService::cacheKey(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded);
}

std::optional<LinkMetadata> LinkMetadataService::cachedMetadata(const QUrl& url) const
{
    const auto found = m_cache.constFind(cacheKey(url));
    if (found == m_cache.cend())
        return std::nullopt;
    return *found;
}

std::optional<LinkMetadata> LinkMetadataService::fallbackMetadata(const QUrl& url) const
{
    if (auto cached = cachedMetadata(url))
        return cached;
    return LinkPageParser::fallbackMetadata(url);
}

QCoro::Task<std::optional<LinkMetadata>> LinkMetadataService::fetchMetadata(QUrl url)
{
    QPointer<LinkMetadataService> self(this);
    while (m_busy) {
        co_await qCoro(this, &LinkMetadataService::turnFinished);
        if (!self || m_isClosing)
            co_return LinkPageParser::fallbackMetadata(url);
    }
    m_busy = true;
    std::optional<LinkMetadata> result = co_await fetchInTurn(url);
    if (!self || m_isClosing)
        co_return result;
    m_busy = false;
    Q_EMIT turnFinished();
    co_return result;
}

QCoro::Task<std::optional<LinkMetadata>> LinkMetadataService::fetchInTurn(QUrl url)
{
    if (auto cached = cachedMetadata(url))
        co_return cached;
    if (!isWebScheme(url))
        co_return fallbackMetadata(url);

    QPointer<LinkMetadataService> self(this);
    const QDeadlineTimer deadline(m_timeout);
    QUrl address = url;
    std::optional<Download> page;
    for (int redirects = 0;; ++redirects) {
        page = co_await download(pageRequest(address, m_timeout), deadline);
        if (!self || m_isClosing)
            co_return LinkPageParser::fallbackMetadata(url);
        if (!page || !isRedirect(page->status))
            break;
        // A Location header may be relative to the address that answered. Redirects stay on the
        // web: never to file:, ftp: or any other scheme.
        const QUrl target = address.resolved(QUrl::fromEncoded(page->location));
        if (redirects == maxRedirects || page->location.isEmpty() || !target.isValid() || !isWebScheme(target))
            co_return fallbackMetadata(url);
        address = target;
    }
    if (!page || page->status < 200 || page->status > 399)
        co_return fallbackMetadata(url);

    std::optional<LinkMetadata> metadata = LinkPageParser::parsePage(PageBody::decode(page->body, page->wasCut), url);
    if (!metadata)
        co_return fallbackMetadata(url);
    m_cache.insert(cacheKey(url), *metadata);
    co_return metadata;
}
