#include "Doubles.h"

#include "platform/host/Timer.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace testing {

// A timer on a fake clock's time. As a window timer does, it counts its
// next interval from when the last one fell due, and does not fire again
// while its own handler is still running (in a nested wait).
class FakeTimer final : public platform::Timer {
public:
    FakeTimer(FakeClock &clock, QObject *owner)
        : Timer(owner)
        , m_clock(&clock)
    {
        clock.m_timers.push_back(this);
    }
    ~FakeTimer() override
    {
        if (m_clock)
            m_clock->m_timers.erase(std::find(m_clock->m_timers.begin(), m_clock->m_timers.end(), this));
    }

    void setInterval(int ms) override { m_intervalMs = ms; }
    int interval() const override { return m_intervalMs; }
    void start() override
    {
        m_active = true;
        schedule((m_clock ? m_clock->m_nowMs : 0) + std::max(m_intervalMs, 0));
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    bool canFire() const { return m_active && !m_firing; }
    void fire()
    {
        // An interval of 0 would fall due again at once, for ever: the
        // clock moves on by a millisecond between two of its ticks.
        schedule(m_dueMs + std::max(m_intervalMs, 1));
        QPointer<FakeTimer> alive(this);
        m_firing = true;
        emit timeout();
        if (alive)
            m_firing = false;
    }
    void forgetClock() { m_clock = nullptr; }

    qint64 m_dueMs = 0;
    quint64 m_order = 0;

private:
    void schedule(qint64 dueMs)
    {
        m_dueMs = dueMs;
        if (m_clock)
            m_order = m_clock->m_nextOrder++;
    }

    FakeClock *m_clock;
    int m_intervalMs = 0;
    bool m_active = false;
    bool m_firing = false;
};

FakeClock::~FakeClock()
{
    for (FakeTimer *timer : m_timers)
        timer->forgetClock();
}

platform::Timer *FakeClock::newTimer(QObject *owner)
{
    if (!keepsTime)
        return Clock::newTimer(owner);
    return new FakeTimer(*this, owner);
}

void FakeClock::singleShot(int ms, QObject *context, std::function<void()> action)
{
    if (!keepsTime) {
        Clock::singleShot(ms, context, std::move(action));
        return;
    }
    m_shots.push_back(Shot{m_nowMs + std::max(ms, 0), m_nextOrder++, context, context != nullptr, std::move(action)});
}

void FakeClock::advance(qint64 ms)
{
    const qint64 target = m_nowMs + ms;
    while (fireNextDueBy(target)) {
    }
    // A wait fired on the way may have moved the clock past the target.
    m_nowMs = std::max(m_nowMs, target);
}

bool FakeClock::advanceToNext()
{
    return fireNextDueBy(std::numeric_limits<qint64>::max());
}

bool FakeClock::fireNextDueBy(qint64 limitMs)
{
    m_shots.erase(std::remove_if(m_shots.begin(), m_shots.end(),
                                 [](const Shot &shot) { return shot.hasContext && shot.context.isNull(); }),
                  m_shots.end());
    FakeTimer *timer = nullptr;
    auto shot = m_shots.end();
    auto earlier = [](qint64 due, quint64 order, qint64 thanDue, quint64 thanOrder) {
        return due < thanDue || (due == thanDue && order < thanOrder);
    };
    qint64 due = limitMs;
    quint64 order = std::numeric_limits<quint64>::max();
    for (FakeTimer *candidate : m_timers) {
        if (candidate->canFire() && earlier(candidate->m_dueMs, candidate->m_order, due, order)) {
            timer = candidate;
            due = candidate->m_dueMs;
            order = candidate->m_order;
        }
    }
    for (auto candidate = m_shots.begin(); candidate != m_shots.end(); ++candidate) {
        if (earlier(candidate->dueMs, candidate->order, due, order)) {
            timer = nullptr;
            shot = candidate;
            due = candidate->dueMs;
            order = candidate->order;
        }
    }
    if (!timer && shot == m_shots.end())
        return false;
    m_nowMs = std::max(m_nowMs, due);
    if (timer) {
        timer->fire();
    } else {
        const std::function<void()> action = std::move(shot->action);
        m_shots.erase(shot);
        action();
    }
    return true;
}

void RecordingEventLoop::yield()
{
    ++yields;
    if (onYield)
        onYield(yields);
    if (processRealEvents)
        QCoreApplication::processEvents();
}

void RecordingEventLoop::sleep()
{
    ++sleeps;
    if (timeKeeper) {
        // What has arrived is handled, as after a real sleep; then, rather
        // than waiting, the time jumps to the next timer.
        QCoreApplication::processEvents();
        if (timeKeeper->advanceToNext())
            return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

float ScriptedRandom::next()
{
    if (values.empty())
        return 0.0f;
    const float value = values[std::min(nextIndex, values.size() - 1)];
    ++nextIndex;
    return value;
}

} // namespace testing
