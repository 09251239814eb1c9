// Takes a reply's body as it arrives, a bounded piece per event-loop turn. Read all at once, a large
// answer (tens of megabytes for a big board's sync) is copied in one go on the window's thread, and
// so is everything that piled up while the thread was busy; taken piece by piece, the window gets a
// turn between two copies, and the reply never holds a second copy for long.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <QCoro/QCoroTask>

class QNetworkReply;

class ReplyBodyCollector : public QObject
{
public:
    // Lives as long as the reply (it is its parent).
    explicit ReplyBodyCollector(QNetworkReply* reply);

    // Once the reply has finished: takes in what it still holds, piece by piece, and hands over the
    // whole body. Empty when the reply is destroyed on the way.
    QCoro::Task<QByteArray> takeAll();

private:
    // Reads up to a piece; false when nothing could be read.
    bool readPiece();

    QNetworkReply* m_reply;
    QByteArray m_body;
    QTimer m_more;
    bool m_reserved = false;
};
