#include "EventSubscriber.h"

EventSubscriber::Taken EventSubscriber::take()
{
    std::lock_guard lock(m_mutex);
    Taken taken;
    for (const QByteArray& frame : m_frames)
        taken.frames += frame;
    m_frames.clear();
    taken.ended = m_ended;
    taken.overflowed = m_overflowed;
    return taken;
}

void EventSubscriber::setWake(std::function<void()> wake)
{
    std::lock_guard lock(m_mutex);
    m_wake = std::move(wake);
}

void EventSubscriber::push(QByteArray frame, bool ends, int limit)
{
    std::function<void()> wake;
    {
        std::lock_guard lock(m_mutex);
        if (m_ended || m_overflowed)
            return;
        const bool wasEmpty = m_frames.empty();
        if (int(m_frames.size()) >= limit) {
            m_overflowed = true;
            m_frames.clear();
        } else {
            m_frames.push_back(std::move(frame));
            m_ended = ends;
        }
        // One wake per batch: the stream empties the whole queue when it wakes.
        if (wasEmpty || m_overflowed)
            wake = m_wake;
    }
    if (wake)
        wake();
}

void EventSubscriber::nudge()
{
    std::function<void()> wake;
    {
        std::lock_guard lock(m_mutex);
        wake = m_wake;
    }
    if (wake)
        wake();
}

void EventSubscriber::drop()
{
    std::function<void()> wake;
    {
        std::lock_guard lock(m_mutex);
        m_overflowed = true;
        m_frames.clear();
        wake = m_wake;
    }
    if (wake)
        wake();
}
