// A tiny HTTP/1.1 server on 127.0.0.1 serving scripted pages by path, for the link-metadata tests.
// It also answers as a plain HTTP proxy (absolute request targets), so pages can be served under
// any host name without leaving this machine. It counts requests and keeps their headers.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QUrl>

#include <chrono>

class QTcpSocket;

// A page of the link-metadata fixtures in the test data.
QByteArray fixturePage(const QString& name);

class PageServer : public QObject
{
    Q_OBJECT

public:
    explicit PageServer(QObject* parent = nullptr);

    void addPage(const QString& path, int status, const QByteArray& body,
                 const QByteArray& contentType = "text/html; charset=utf-8")
    {
        m_pages.insert(path, Page { status, body, contentType });
    }
    // Requests for this path are read and never answered.
    void addSilentPath(const QString& path) { m_silentPaths.insert(path); }
    // Requests for this path get a 200 whose body arrives one byte per interval, never ending.
    void addTricklePath(const QString& path, std::chrono::milliseconds interval) { m_tricklePaths.insert(path, interval); }
    // Requests for this path are sent on to `location` with a 302.
    void addRedirect(const QString& path, const QByteArray& location) { m_redirects.insert(path, location); }

    QUrl url(const QString& path) const;
    QNetworkProxy proxy() const;

    int requestCount(const QString& path) const { return m_requestCounts.value(path); }
    // The headers of the latest request for the path, names lower-cased.
    QMap<QByteArray, QByteArray> lastHeaders(const QString& path) const { return m_lastHeaders.value(path); }
    QStringList requestOrder() const { return m_requestOrder; }

private:
    struct Page
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType;
    };

    void readRequest(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Page> m_pages;
    QSet<QString> m_silentPaths;
    QHash<QString, std::chrono::milliseconds> m_tricklePaths;
    QHash<QString, QByteArray> m_redirects;
    QHash<QString, int> m_requestCounts;
    QHash<QString, QMap<QByteArray, QByteArray>> m_lastHeaders;
    QStringList m_requestOrder;
};
