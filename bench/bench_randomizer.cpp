// The batch pass in the real main window, and the cost of one yield.
// Runs on whatever display Qt is given: offscreen, or a real X server.
#include "app/frmmain.h"
#include "platform/Host.h"
#include "platform/TextBox.h"
#include "platform/Units.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <random>

namespace {

// Words in lines of about 60 characters, or all in one line.
QString sampleText(qsizetype characters, bool oneLine = false)
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
        if (lineLength > 60 && !oneLine) {
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

// Watches the window during a pass: the longest time between two paints of
// the text, and the longest wait of a posted event (as input would wait).
class Probe : public QObject {
public:
    explicit Probe(frmmain &window)
        : m_window(window)
    {
        window.tb->viewport()->installEventFilter(this);
        connect(&m_ticker, &QTimer::timeout, this, [this] {
            QCoreApplication::postEvent(this, new QEvent(QEvent::User));
            m_posted.push_back(m_clock.nsecsElapsed());
        });
        m_clock.start();
        m_ticker.start(5);
    }
    ~Probe() override { m_window.tb->viewport()->removeEventFilter(this); }

    double maxPaintGapMs() const { return m_maxPaintGap / 1e6; }
    double maxInputWaitMs() const { return m_maxWait / 1e6; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_lastPaint >= 0)
                m_maxPaintGap = std::max(m_maxPaintGap, now - m_lastPaint);
            m_lastPaint = now;
        }
        return false;
    }
    void customEvent(QEvent *) override
    {
        if (m_handled < m_posted.size())
            m_maxWait = std::max(m_maxWait, m_clock.nsecsElapsed() - m_posted[m_handled++]);
    }

private:
    frmmain &m_window;
    QElapsedTimer m_clock;
    QTimer m_ticker;
    std::vector<qint64> m_posted;
    std::size_t m_handled = 0;
    qint64 m_lastPaint = -1;
    qint64 m_maxPaintGap = 0;
    qint64 m_maxWait = 0;
};

void BM_BatchPass(benchmark::State &state)
{
    frmmain &window = mainWindow();
    const bool oneLine = state.range(1) != 0;
    const QString text = sampleText(state.range(0), oneLine);
    double paintGap = 0;
    double inputWait = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window.tb->setText(text);
        QApplication::processEvents();
        state.ResumeTiming();
        Probe probe(window);
        window.XpBs2_Click();
        paintGap = std::max(paintGap, probe.maxPaintGapMs());
        inputWait = std::max(inputWait, probe.maxInputWaitMs());
        state.PauseTiming();
        // Every character must come back, only its case changed.
        const QString result = window.tb->Text();
        QString expected = text;
        expected.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        if (result.size() != expected.size() || result.toLower() != expected.toLower())
            state.SkipWithError("characters were lost or changed");
        state.ResumeTiming();
    }
    state.counters["max_paint_gap_ms"] = paintGap;
    state.counters["max_input_wait_ms"] = inputWait;
    state.SetItemsProcessed(state.iterations() * state.range(0));
    // An inverted rate of millions of characters: microseconds per character.
    state.counters["us_per_char"] = benchmark::Counter(double(state.range(0)) * double(state.iterations()) / 1e6,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(oneLine ? "one line" : "60-character lines");
}
BENCHMARK(BM_BatchPass)
    ->Args({16 * 1024, 0})
    ->Args({256 * 1024, 0})
    ->Args({1024 * 1024, 0})
    ->Args({1024 * 1024, 1})
    ->Args({10 * 1024 * 1024, 0})
    ->Args({10 * 1024 * 1024, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

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
