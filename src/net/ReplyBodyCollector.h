// Takes a reply's body as it arrives. Read all at once when the reply finishes, a large answer
// (tens of megabytes for a big board's sync) is copied into fresh memory in one go on the window's
// thread; taken piece by piece, the copying happens between event-loop turns while it downloads,
// and the reply never holds a second copy.
#pragma once

#include <QByteArray>
#include <QObject>

class QNetworkReply;

class ReplyBodyCollector : public QObject
{
public:
    // Lives as long as the reply (it is its parent).
    explicit ReplyBodyCollector(QNetworkReply* reply);

    // Everything received so far, with whatever the reply still holds; empties the collector.
    QByteArray take();

private:
    void readAvailable();

    QNetworkReply* m_reply;
    QByteArray m_body;
    bool m_reserved = false;
};
