#include "Clock.h"

#include "Timer.h"

#include <QDateTime>
#include <QTimer>

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
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!m_offsetKnown || now < m_offsetTakenAtMs || now - m_offsetTakenAtMs >= 1000) {
        m_offsetMs = qint64(QDateTime::currentDateTime().offsetFromUtc()) * 1000;
        m_offsetTakenAtMs = now;
        m_offsetKnown = true;
    }
    const qint64 sinceMidnight = ((now + m_offsetMs) % kDayMs + kDayMs) % kDayMs;
    return static_cast<float>(sinceMidnight) / 1000.0f;
}

} // namespace platform
