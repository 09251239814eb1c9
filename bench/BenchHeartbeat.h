// The longest time the thread was not free to handle events: the longest gap between two beats of a
// 5 ms timer while it runs.
#pragma once

#include "BenchClock.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class Heartbeat
{
public:
    Heartbeat()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, BenchClock::msSince(m_since));
            m_since.start();
        });
    }

    void start()
    {
        m_longest = 0;
        m_since.start();
        m_timer.start();
    }

    double stop()
    {
        m_timer.stop();
        return std::max(m_longest, BenchClock::msSince(m_since));
    }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    double m_longest = 0;
};
