// The batch pass in the real main window, and the cost of one yield.
// Runs on whatever display Qt is given: offscreen, or a real X server.
#include "app/frmmain.h"
#include "platform/Host.h"
#include "platform/TextBox.h"
#include "platform/Units.h"

#include <QApplication>
#include <QLabel>

#include <benchmark/benchmark.h>

#include <random>

namespace {

QString sampleText(qsizetype characters)
{
    static const char *const words[] = {"how", "are", "you", "the", "quick", "brown", "fox", "jumps",
                                        "over", "lazy", "dog", "42", "case", "random", "Tessaly"};
    std::mt19937 generator(7);
    QString text;
    text.reserve(characters + 16);
    int lineLength = 0;
    while (text.size() < characters) {
        text += QLatin1String(words[generator() % std::size(words)]);
        lineLength += 6;
        if (lineLength > 60) {
            text += QLatin1String("\r\n");
            lineLength = 0;
        } else {
            text += QLatin1Char(' ');
        }
    }
    text.truncate(characters);
    return text;
}

frmmain &mainWindow()
{
    static frmmain *window = [] {
        auto *created = new frmmain(platform::systemHost());
        created->show();
        QApplication::processEvents();
        return created;
    }();
    return *window;
}

void BM_BatchPass(benchmark::State &state)
{
    frmmain &window = mainWindow();
    const QString text = sampleText(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        window.tb->setText(text);
        QApplication::processEvents();
        state.ResumeTiming();
        window.XpBs2_Click();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    // An inverted rate of millions of characters: microseconds per character.
    state.counters["us_per_char"] = benchmark::Counter(double(state.range(0)) * double(state.iterations()) / 1e6,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BatchPass)->Arg(16 * 1024)->Arg(256 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Yield(benchmark::State &state)
{
    mainWindow();
    platform::Host &host = platform::systemHost();
    for (auto _ : state)
        host.eventLoop.yield();
}
BENCHMARK(BM_Yield);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    platform::installFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
