#include "net/ReplyBodyCollector.h"

#include <QCoro/QCoroTimer>
#include <QNetworkReply>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <utility>

namespace {
// The announced length is only a hint, and a service's word: room is made up front for no more
// than this, larger bodies grow as they come.
constexpr qint64 largestReservation = 64 * 1024 * 1024;
// About a millisecond of copying on a slow machine.
constexpr qint64 pieceBytes = 512 * 1024;
}

ReplyBodyCollector::ReplyBodyCollector(QNetworkReply* reply)
    : QObject(reply)
    , m_reply(reply)
{
    m_more.setSingleShot(true);
    m_more.setInterval(0);
    connect(reply, &QIODevice::readyRead, this, &ReplyBodyCollector::readPiece);
    connect(&m_more, &QTimer::timeout, this, &ReplyBodyCollector::readPiece);
}

bool ReplyBodyCollector::readPiece()
{
    if (!m_reserved) {
        m_reserved = true;
        bool known = false;
        const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && announced > 0)
            m_body.reserve(qsizetype(std::min(announced, largestReservation)));
    }
    const qint64 wanted = std::min(m_reply->bytesAvailable(), pieceBytes);
    if (wanted <= 0)
        return false;
    const qsizetype at = m_body.size();
    m_body.resize(at + qsizetype(wanted));
    const qint64 got = m_reply->read(m_body.data() + at, wanted);
    m_body.resize(at + qsizetype(std::max<qint64>(got, 0)));
    if (got <= 0)
        return false;
    // The rest waits for the next turn; the reply says nothing more until new bytes arrive.
    if (m_reply->bytesAvailable() > 0)
        m_more.start();
    return true;
}

QCoro::Task<QByteArray> ReplyBodyCollector::takeAll()
{
    QPointer<ReplyBodyCollector> self(this);
    // A reply that says it holds bytes but gives none would otherwise keep this going for ever.
    while (readPiece() && m_reply->bytesAvailable() > 0) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        if (!self)
            co_return QByteArray();
    }
    m_more.stop();
    co_return std::exchange(m_body, {});
}
