// Turns the bytes of a text/event-stream into events, as they arrive in pieces of any size. The
// stream comes from the network and is not trusted: a line longer than maxLineBytes or an event
// whose data outgrows maxEventBytes is dropped whole (the parser resynchronises at the next blank
// line), and nothing the stream holds can make it keep more than about those two sizes in memory.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

class EventStreamParser
{
public:
    struct Event
    {
        QByteArray type; // "message" when the stream named none
        QByteArray data; // the data lines joined by "\n"
        friend bool operator==(const Event&, const Event&) = default;
    };

    static constexpr qsizetype defaultMaxLineBytes = 16 * 1024;
    static constexpr qsizetype defaultMaxEventBytes = 64 * 1024;

    explicit EventStreamParser(
        qsizetype maxLineBytes = defaultMaxLineBytes, qsizetype maxEventBytes = defaultMaxEventBytes);

    // The events completed by these bytes, in stream order.
    QList<Event> feed(QByteArrayView bytes);
    // Forgets a partial line and event: a new connection starts a new stream.
    void reset();

private:
    void takeLine(QByteArrayView line, QList<Event>& events);
    void dispatch(QList<Event>& events);

    qsizetype m_maxLineBytes;
    qsizetype m_maxEventBytes;
    QByteArray m_line;
    bool m_lineTooLong = false;
    // A "\r" ended the last line; a "\n" right after it belongs to it.
    bool m_afterCarriageReturn = false;
    bool m_firstLine = true;
    QByteArray m_type;
    QByteArray m_data;
    bool m_hasData = false;
    bool m_eventBroken = false;
};
