#pragma once

// What both fuzz targets share: the offscreen application, a host whose
// services never block, print, play or open anything, and a way to stop
// with a message when an expectation fails.

#include "platform/forms/PropertyBag.h"
#include "support/Doubles.h"

#include <QApplication>
#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

// The tests' host: none of its doubles blocks, prints, plays or opens
// anything, and its event loop's yield (the hover entry's) runs no events,
// so that no timer or paint request of an earlier input runs in the middle
// of this one. No control sleeps; a popup's wait is not fuzzed. What the
// doubles note is kept for one input only.
using FuzzHost = testing::TestHost;

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
