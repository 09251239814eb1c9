// Fetches web pages and reads their titles for link labels. Fetches run one at a time, in the order
// they were asked for, and every successful read is cached by address for the rest of the run.
// It never fails: a page that cannot be fetched or read yields a label built from the address.
#pragma once

#include "richtext/LinkMetadata.h"

#include <QCoroTask>
#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

class LinkMetadataService : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultTimeout { 8000 };

    // Uses `network` when given (it must outlive the service), else a session of its own. The
    // time-out bounds each fetch from its start to its end, redirects included (at most three, and
    // only to http or https).
    explicit LinkMetadataService(QNetworkAccessManager* network = nullptr,
                                 std::chrono::milliseconds timeout = defaultTimeout, QObject* parent = nullptr);
    ~LinkMetadataService() override;

    // The process-wide service, made on first use.
    static LinkMetadataService& shared();

    // The page's metadata, the address's fallback when the page is out of reach or unreadable, or
    // nothing when the address has no host.
    QCoro::Task<std::optional<LinkMetadata>> fetchMetadata(QUrl url);

    std::optional<LinkMetadata> cachedMetadata(const QUrl& url) const;

Q_SIGNALS:
    // Ends one serial turn; the next waiting fetch takes over.
    void turnFinished();

private:
    struct Download
    {
        int status = 0;
        QByteArray body;
        bool wasCut = false;
        QByteArray location; // the Location header of a redirect
    };

    QCoro::Task<std::optional<LinkMetadata>> fetchInTurn(QUrl url);
    // One request, no redirect followed; ends by the deadline at the latest.
    QCoro::Task<std::optional<Download>> download(QNetworkRequest request, QDeadlineTimer deadline);
    std::optional<LinkMetadata> fallbackMetadata(const QUrl& url) const;
    static QString cacheKey(const QUrl& url);

    QNetworkAccessManager* m_network = nullptr;
    std::chrono::milliseconds m_timeout;
    QHash<QString, LinkMetadata> m_cache;
    bool m_busy = false;
    bool m_isClosing = false;
    QPointer<QNetworkReply> m_activeReply;
};
