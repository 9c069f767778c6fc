#include "Clock.h"

#include "Timer.h"

#include <QDateTime>
#include <QTimer>

#include <ctime>

namespace platform {

Timer *Clock::newTimer(QObject *owner)
{
    return new QtTimer(owner);
}

void Clock::singleShot(int ms, QObject *context, std::function<void()> action)
{
    QTimer::singleShot(ms, context, std::move(action));
}

float SystemClock::secondsSinceMidnight() const
{
    constexpr qint64 kDayMs = 24 * 60 * 60 * 1000;
    // The coarse clock ticks every few milliseconds, as the classic timer
    // did, and reading it costs a fraction of the precise one: the pass
    // reads it for every character.
    timespec coarse{};
    clock_gettime(CLOCK_REALTIME_COARSE, &coarse);
    // The same tick again gives the same answer (a pass asks thousands of
    // times a tick); the divisions below cost more than the reading.
    if (m_lastKnown && coarse.tv_sec == m_lastTick.tv_sec && coarse.tv_nsec == m_lastTick.tv_nsec)
        return m_lastSeconds;
    const qint64 now = qint64(coarse.tv_sec) * 1000 + coarse.tv_nsec / 1000000;
    if (!m_offsetKnown || now < m_offsetTakenAtMs || now - m_offsetTakenAtMs >= 1000) {
        m_offsetMs = qint64(QDateTime::currentDateTime().offsetFromUtc()) * 1000;
        m_offsetTakenAtMs = now;
        m_offsetKnown = true;
    }
    const qint64 sinceMidnight = ((now + m_offsetMs) % kDayMs + kDayMs) % kDayMs;
    m_lastTick = coarse;
    m_lastSeconds = static_cast<float>(sinceMidnight) / 1000.0f;
    m_lastKnown = true;
    return m_lastSeconds;
}

} // namespace platform
