// The devserver's notion of now: the system time plus an offset that tests move forward through the
// admin endpoint, so token and invitation expiry can be tested without waiting.
#pragma once

#include <QDateTime>
#include <atomic>
#include <functional>
#include <optional>

class Clock
{
public:
    QDateTime now() const;
    qint64 epochSeconds() const { return now().toSecsSinceEpoch(); }
    QString isoNow() const { return iso(now()); }
    void advance(qint64 seconds)
    {
        m_offsetSeconds += seconds;
        if (m_advanced)
            m_advanced();
    }
    // Called after each move, so that waits measured on this clock (an event stream's token) are
    // looked at again. Set once, before any request is served.
    void setAdvanced(std::function<void()> advanced) { m_advanced = std::move(advanced); }
    void reset() { m_offsetSeconds = 0; }

    // The wire form of a date: UTC, whole seconds, "Z".
    static QString iso(const QDateTime& time);
    // Strict reading of the wire form (a numeric offset is accepted); absent when it does not parse.
    static std::optional<QDateTime> parseIso(const QString& text);

private:
    // Moved by an admin request on one thread while others read the time.
    std::atomic<qint64> m_offsetSeconds = 0;
    std::function<void()> m_advanced;
};
