#include "net/ReplyBodyCollector.h"

#include <QNetworkReply>

#include <algorithm>
#include <utility>

namespace {
// The announced length is only a hint, and a service's word: room is made up front for no more
// than this, larger bodies grow as they come.
constexpr qint64 largestReservation = 64 * 1024 * 1024;
}

ReplyBodyCollector::ReplyBodyCollector(QNetworkReply* reply)
    : QObject(reply)
    , m_reply(reply)
{
    connect(reply, &QIODevice::readyRead, this, &ReplyBodyCollector::readAvailable);
}

void ReplyBodyCollector::readAvailable()
{
    if (!m_reserved) {
        m_reserved = true;
        bool known = false;
        const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && announced > 0)
            m_body.reserve(qsizetype(std::min(announced, largestReservation)));
    }
    m_body.append(m_reply->readAll());
}

QByteArray ReplyBodyCollector::take()
{
    readAvailable();
    return std::exchange(m_body, {});
}
