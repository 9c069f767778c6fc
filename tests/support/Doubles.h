#pragma once

#include "platform/host/Host.h"

#include <QList>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <vector>

namespace testing {

class FakeTimer;

// A clock that stands still unless the test moves it. Its timers run on
// real time, unless it keeps time itself (keepsTime, set before the timers
// are made): then they and its single shots fire only as the clock is moved
// on, one at a time in the order they fall due, and no real time passes.
// The time of day is the test's to set either way.
class FakeClock final : public platform::Clock {
public:
    FakeClock() = default;
    FakeClock(const FakeClock &) = delete;
    FakeClock &operator=(const FakeClock &) = delete;
    ~FakeClock() override;

    float secondsSinceMidnight() const override { return seconds; }
    platform::Timer *newTimer(QObject *owner) override;
    void singleShot(int ms, QObject *context, std::function<void()> action) override;

    float seconds = 0.0f;
    bool keepsTime = false;

    // How far the clock has been moved on, in milliseconds.
    qint64 elapsedMs() const { return m_nowMs; }
    // Moves on by ms, firing whatever falls due on the way.
    void advance(qint64 ms);
    // Moves on to the next thing due and fires it; false when nothing is.
    bool advanceToNext();

private:
    friend class FakeTimer;
    struct Shot {
        qint64 dueMs;
        quint64 order;
        QPointer<QObject> context;
        bool hasContext;
        std::function<void()> action;
    };
    bool fireNextDueBy(qint64 limitMs);

    qint64 m_nowMs = 0;
    quint64 m_nextOrder = 0; // what falls due together fires in the order it was set
    std::vector<FakeTimer *> m_timers;
    std::vector<Shot> m_shots;
};

// An event loop that counts its yields and can run a scripted action at
// each one, in place of (or before) a real pass over the events.
class RecordingEventLoop final : public platform::EventLoop {
public:
    void yield() override;
    // Sleeps for real; with a clock that keeps time, handles what has
    // arrived and moves that clock on to the next thing due instead.
    void sleep() override;

    int yields = 0;
    int sleeps = 0;
    bool processRealEvents = false;
    std::function<void(int yieldNumber)> onYield;
    FakeClock *timeKeeper = nullptr;
};

// A generator that plays back a list of values, then repeats the last one,
// and records the seeds it is given.
class ScriptedRandom final : public platform::Random {
public:
    float next() override;
    void reseed(float seed) override { seeds.push_back(seed); }

    std::vector<float> values;
    std::size_t nextIndex = 0;
    std::vector<float> seeds;
};

// Records the end of the program instead of quitting the test.
class RecordingProgramEnd final : public platform::ProgramEnd {
public:
    void end() override { ++ends; }
    bool hasEnded() const override { return ends > 0; }
    int ends = 0;
};

// Records the sounds asked for instead of playing them.
class RecordingSoundPlayer final : public platform::SoundPlayer {
public:
    bool PlaySoundFile(const QString &path) override
    {
        played.append(path);
        return true;
    }
    QStringList played;
};

// Records the two routes of opening a target instead of opening anything.
class RecordingShell final : public platform::Shell {
public:
    void ShellOpen(QWidget *window, const QString &target) override
    {
        shellOpened.append(target);
        shellWindows.append(window);
    }
    void Navigate(const QString &target) override { navigated.append(target); }
    QStringList shellOpened;
    QList<QWidget *> shellWindows;
    QStringList navigated;
};

// Records message boxes and answers OK at once.
class RecordingMessageBoxes final : public platform::MessageBoxes {
public:
    struct Shown {
        QString prompt;
        int style;
        QString title;
    };
    int MsgBox(const QString &prompt, int style, const QString &title) override
    {
        shown.append(Shown{prompt, style, title});
        return vbOK;
    }
    QList<Shown> shown;
};

// Whether a test host's timers, and the sleeps of the waits, run on real
// time or on the fake clock, which moves only as the test or a sleep moves it.
enum class Timing { Real, Fake };

// A host built from the doubles above.
struct TestHost {
    explicit TestHost(Timing timing = Timing::Real)
    {
        if (timing == Timing::Fake) {
            clock.keepsTime = true;
            eventLoop.timeKeeper = &clock;
        }
    }
    TestHost(const TestHost &) = delete;
    TestHost &operator=(const TestHost &) = delete;

    RecordingEventLoop eventLoop;
    FakeClock clock;
    ScriptedRandom random;
    RecordingProgramEnd programEnd;
    RecordingSoundPlayer sound;
    RecordingShell shell;
    RecordingMessageBoxes messageBoxes;
    platform::Host host{eventLoop, clock, random, programEnd, sound, shell, messageBoxes};
};

// The doubles around the real end of the program, which hides every window,
// stops their timers and leaves every event loop.
struct RealEndHost {
    explicit RealEndHost(Timing timing = Timing::Real)
        : doubles(timing)
    {
    }
    RealEndHost(const RealEndHost &) = delete;
    RealEndHost &operator=(const RealEndHost &) = delete;

    TestHost doubles;
    platform::QtProgramEnd programEnd;
    platform::Host host{doubles.eventLoop, doubles.clock, doubles.random,      programEnd,
                        doubles.sound,     doubles.shell, doubles.messageBoxes};
};

} // namespace testing
