// The cost of one Value assignment while a bar the size of the main window's
// runs from Min to Max, one unit at a time. Runs headless
// (QT_QPA_PLATFORM=offscreen) or on a real display.
#include "GuiBenchmarkMain.h"
#include "controls/progressbar/Xp_ProgressBar.h"
#include "platform/host/Host.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

void BM_ValueAssignment(benchmark::State &state)
{
    const int max = int(state.range(0));
    const int style = int(state.range(1));
    Xp_ProgressBar bar(platform::systemHost());
    bar.resize(89, 17);
    bar.setProgressLook(0);
    bar.setStyle(style);
    bar.setMax(max);
    bar.UserControl_Resize();

    for (auto _ : state) {
        for (int value = 0; value <= max; ++value)
            bar.setValue(value);
        benchmark::DoNotOptimize(bar.image().constBits());
    }
    // Reported per assignment, not per run.
    state.counters["per_assignment"] =
        benchmark::Counter(double(max + 1), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_ValueAssignment)
    ->ArgNames({"max", "style"})
    ->Args({100, 0})
    ->Args({32767, 0})
    ->Args({100, 1})
    ->Args({32767, 1})
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runGuiBenchmarks(argc, argv);
}
