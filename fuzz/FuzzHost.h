#pragma once

// What both fuzz targets share: the offscreen application, a host whose
// services never block, print, play or open anything, and a way to stop
// with a message when an expectation fails.

#include "platform/Host.h"
#include "platform/PropertyBag.h"

#include <QApplication>
#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

// The hover entry yields to the event loop; here it does nothing, so that
// no timer or paint request of an earlier input runs in the middle of this one.
class IdleEventLoop final : public platform::EventLoop {
public:
    void yield() override { ++yields; }
    // No control waits for events; a popup's wait is not fuzzed.
    void sleep() override { ++yields; }
    int yields = 0;
};

class StillClock final : public platform::Clock {
public:
    float secondsSinceMidnight() const override { return 0.0f; }
};

class FixedRandom final : public platform::Random {
public:
    float next() override { return 0.5f; }
    void reseed(float) override {}
};

class CountingProgramEnd final : public platform::ProgramEnd {
public:
    void end() override { ++ends; }
    bool hasEnded() const override { return ends > 0; }
    int ends = 0;
};

class CountingSoundPlayer final : public platform::SoundPlayer {
public:
    bool PlaySoundFile(const QString &) override
    {
        ++played;
        return true;
    }
    int played = 0;
};

class CountingShell final : public platform::Shell {
public:
    void ShellOpen(QWidget *, const QString &) override { ++shellOpened; }
    void Navigate(const QString &) override { ++navigated; }
    int shellOpened = 0;
    int navigated = 0;
};

// Answers OK at once and keeps the last message, instead of a modal box.
class RecordingMessageBoxes final : public platform::MessageBoxes {
public:
    int MsgBox(const QString &prompt, int, const QString &) override
    {
        ++shown;
        lastPrompt = prompt;
        return vbOK;
    }
    int shown = 0;
    QString lastPrompt;
};

struct FuzzHost {
    IdleEventLoop eventLoop;
    StillClock clock;
    FixedRandom random;
    CountingProgramEnd programEnd;
    CountingSoundPlayer sound;
    CountingShell shell;
    RecordingMessageBoxes messageBoxes;
    platform::Host host{eventLoop, clock, random, programEnd, sound, shell, messageBoxes};
};

// One offscreen application for the whole run, created on first use; Qt's
// warnings and form problems go nowhere, so that stderr does not slow the
// run down.
inline QApplication &application()
{
    static QApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        static int argc = 1;
        static char name[] = "tessaly-fuzz";
        static char *argv[] = {name, nullptr};
        auto *created = new QApplication(argc, argv);
        platform::setFormMessageSink([](const QString &) {});
        return created;
    }();
    return *app;
}

// Once in a while, what the program's event loop would do between two
// inputs: run due timers (font caches are trimmed by one) and deferred
// deletions, so that memory stays at what the program itself would hold.
inline void runPendingEvents()
{
    static unsigned inputs = 0;
    if (++inputs % 64 != 0)
        return;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

[[noreturn]] inline void fail(const char *file, int line, const char *what)
{
    std::fprintf(stderr, "%s:%d: expectation failed: %s\n", file, line, what);
    std::abort();
}

} // namespace fuzzing

// Font configuration keeps caches that it never frees; they are not ours.
extern "C" __attribute__((used)) const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// Stops the run, so that libFuzzer keeps the input, when an expectation fails.
#define FUZZ_EXPECT(condition)                                                                                 \
    do {                                                                                                       \
        if (!(condition))                                                                                      \
            ::fuzzing::fail(__FILE__, __LINE__, #condition);                                                   \
    } while (false)
