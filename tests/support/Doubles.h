#pragma once

#include "platform/Host.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <vector>

namespace testing {

// An event loop that counts its yields and can run a scripted action at
// each one, in place of (or before) a real pass over the events.
class RecordingEventLoop final : public platform::EventLoop {
public:
    void yield() override;
    // Sleeps for real (the waits of the popup end by real clicks and timers).
    void sleep() override;

    int yields = 0;
    int sleeps = 0;
    bool processRealEvents = false;
    std::function<void(int yieldNumber)> onYield;
};

// A clock that stands still unless the test moves it.
class FakeClock final : public platform::Clock {
public:
    float secondsSinceMidnight() const override { return seconds; }
    float seconds = 0.0f;
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

// A host built from the doubles above.
struct TestHost {
    RecordingEventLoop eventLoop;
    FakeClock clock;
    ScriptedRandom random;
    RecordingProgramEnd programEnd;
    RecordingSoundPlayer sound;
    RecordingShell shell;
    RecordingMessageBoxes messageBoxes;
    platform::Host host{eventLoop, clock, random, programEnd, sound, shell, messageBoxes};
};

} // namespace testing
