#pragma once

#include "platform/host/EventLoop.h"
#include "platform/forms/Units.h"

#include <QApplication>
#include <benchmark/benchmark.h>

// The main of a benchmark that draws: an application for the widgets, the
// fonts the tests draw with, and the benchmark's own arguments.
inline int runGuiBenchmarks(int argc, char **argv)
{
    // The program's own event loop (QT_NO_GLIB= measures GLib's).
    platform::preferQtEventLoop();
    QApplication app(argc, argv);
    platform::installFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
