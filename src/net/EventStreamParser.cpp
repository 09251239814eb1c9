#include "net/EventStreamParser.h"

EventStreamParser::EventStreamParser(qsizetype maxLineBytes, qsizetype maxEventBytes)
    : m_maxLineBytes(maxLineBytes)
    , m_maxEventBytes(maxEventBytes)
{
}

void EventStreamParser::reset()
{
    m_line.clear();
    m_lineTooLong = false;
    m_afterCarriageReturn = false;
    m_firstLine = true;
    m_type.clear();
    m_data.clear();
    m_hasData = false;
    m_eventBroken = false;
}

QList<EventStreamParser::Event> EventStreamParser::feed(QByteArrayView bytes)
{
    QList<Event> events;
    qsizetype start = 0;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const char c = bytes.at(at);
        if (c != '\r' && c != '\n')
            continue;
        if (c == '\n' && m_afterCarriageReturn && at == start && m_line.isEmpty() && !m_lineTooLong) {
            // The second half of a "\r\n" that ended the previous line.
            m_afterCarriageReturn = false;
            start = at + 1;
            continue;
        }
        const QByteArrayView piece = bytes.sliced(start, at - start);
        if (!m_lineTooLong && m_line.size() + piece.size() <= m_maxLineBytes) {
            m_line.append(piece);
            takeLine(m_line, events);
        } else {
            // The line was cut from the event it belonged to: that event is incomplete.
            m_eventBroken = true;
        }
        m_line.clear();
        m_lineTooLong = false;
        m_afterCarriageReturn = c == '\r';
        start = at + 1;
    }
    const QByteArrayView rest = bytes.sliced(start);
    if (!rest.isEmpty())
        m_afterCarriageReturn = false;
    if (m_lineTooLong || m_line.size() + rest.size() > m_maxLineBytes) {
        m_lineTooLong = true;
        m_line.clear();
    } else {
        m_line.append(rest);
    }
    return events;
}

void EventStreamParser::takeLine(QByteArrayView line, QList<Event>& events)
{
    if (m_firstLine) {
        m_firstLine = false;
        if (line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
    }
    if (line.isEmpty()) {
        dispatch(events);
        return;
    }
    if (line.startsWith(':'))
        return; // a comment: the heartbeat
    const qsizetype colon = line.indexOf(':');
    const QByteArrayView field = colon < 0 ? line : line.first(colon);
    QByteArrayView value = colon < 0 ? QByteArrayView() : line.sliced(colon + 1);
    if (value.startsWith(' '))
        value = value.sliced(1);
    if (field == "event") {
        m_type = value.toByteArray();
    } else if (field == "data") {
        const qsizetype grown = m_data.size() + (m_hasData ? 1 : 0) + value.size();
        if (grown > m_maxEventBytes) {
            m_eventBroken = true;
            m_data.clear();
            return;
        }
        if (m_hasData)
            m_data.append('\n');
        m_data.append(value);
        m_hasData = true;
    }
    // "id", "retry" and unknown fields mean nothing here: a reconnect always catches up in full.
}

void EventStreamParser::dispatch(QList<Event>& events)
{
    if (m_hasData && !m_eventBroken)
        events.append(Event {m_type.isEmpty() ? QByteArrayLiteral("message") : m_type, m_data});
    m_type.clear();
    m_data.clear();
    m_hasData = false;
    m_eventBroken = false;
}
