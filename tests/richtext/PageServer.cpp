#include "PageServer.h"

#include <QFile>
#include <QTcpSocket>
#include <QTimer>

PageServer::PageServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl PageServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

QNetworkProxy PageServer::proxy() const
{
    return QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), m_server.serverPort());
}

void PageServer::readRequest(QTcpSocket* socket)
{
    QByteArray buffered = socket->property("buffered").toByteArray() + socket->readAll();
    socket->setProperty("buffered", buffered);
    const qsizetype headEnd = buffered.indexOf("\r\n\r\n");
    if (headEnd < 0 || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);

    const QList<QByteArray> lines = buffered.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    // A proxy request names the whole address; only its path picks the page.
    QString path = QUrl(QString::fromLatin1(requestLine.value(1))).path();
    if (path.isEmpty())
        path = QString::fromLatin1(requestLine.value(1));
    QMap<QByteArray, QByteArray> headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    m_requestCounts[path] += 1;
    m_lastHeaders.insert(path, headers);
    m_requestOrder.append(path);

    if (m_silentPaths.contains(path))
        return;
    if (m_redirects.contains(path)) {
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + m_redirects.value(path)
            + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    if (m_tricklePaths.contains(path)) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n<title>");
        auto* trickle = new QTimer(socket);
        connect(trickle, &QTimer::timeout, socket, [socket] { socket->write("x"); });
        trickle->start(m_tricklePaths.value(path));
        return;
    }
    const Page page = m_pages.value(path, Page { 404, "<html><head><title>Not found</title></head></html>", "text/html" });
    QByteArray response = "HTTP/1.1 " + QByteArray::number(page.status) + " Scripted\r\n";
    response += "Content-Type: " + page.contentType + "\r\n";
    response += "Content-Length: " + QByteArray::number(page.body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    response += page.body;
    socket->write(response);
    socket->disconnectFromHost();
}

QByteArray fixturePage(const QString& name)
{
    QFile file(qEnvironmentVariable("PLENKO_TEST_DATA") + QStringLiteral("/linkmeta/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}
