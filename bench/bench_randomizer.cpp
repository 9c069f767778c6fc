// The batch pass in the real main window, and the cost of one yield.
// Runs on whatever display Qt is given: offscreen, or a real X server.
#include "GuiBenchmarkMain.h"
#include "app/frmmain.h"
#include "platform/host/Host.h"
#include "controls/textbox/TextBox.h"
#include "platform/forms/Units.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <random>

#include <time.h>

namespace {

// Words in lines of about 60 characters, or all in one line; or, with
// mixedScripts, in lines of Latin with accents, Greek, Cyrillic, Hebrew and
// Arabic (right to left), CJK and letters past the BMP.
QString sampleText(qsizetype characters, bool oneLine = false, bool mixedScripts = false)
{
    static const char *const words[] = {"how", "are", "you", "the", "quick", "brown", "fox", "jumps",
                                        "over", "lazy", "dog", "42", "case", "random", "Tessaly"};
    static const char *const mixed[] = {"Ça", "vä", "Ærøskøbing", "Σίσυφος", "γράμμα", "Привет", "мир",
                                        "שלום", "مرحبا", "日本語", "ǅemal", "\U00010428\U00010429", "straße"};
    std::mt19937 generator(7);
    QString text;
    text.reserve(characters + 16);
    int lineLength = 0;
    while (text.size() < characters) {
        if (mixedScripts)
            text += QString::fromUtf8(mixed[generator() % std::size(mixed)]);
        else
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
    // A pair cut in two is not text a user has.
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
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

void waitForIdleMeasuring(frmmain &window)
{
    QElapsedTimer idle;
    idle.start();
    while (window.tb->unmeasuredLines() > 0 && idle.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
}

// The thread's processor time in microseconds: on a machine whose processor
// is shared with others it leaves out the time they took.
double threadCpuUs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

struct Cost {
    double wallUs = 0;
    double cpuUs = 0;
};

// What an empty yield takes in the window as it is now.
Cost emptyYield()
{
    platform::Host &host = platform::systemHost();
    constexpr int kYields = 200000;
    QElapsedTimer clock;
    clock.start();
    const double cpu = threadCpuUs();
    for (int i = 0; i < kYields; ++i)
        host.eventLoop.yield();
    return {double(clock.nsecsElapsed()) / 1e3 / kYields, (threadCpuUs() - cpu) / kYields};
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
    const bool oneLine = state.range(1) == 1;
    const bool mixedScripts = state.range(1) == 2;
    const QString text = sampleText(state.range(0), oneLine, mixedScripts);
    double paintGap = 0;
    double inputWait = 0;
    double yieldsPerChar = 0;
    double cpuYieldsPerChar = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window.tb->setText(text);
        // The pass starts as it does for a user who loaded the text a moment
        // before: the widths of the lines measured while idle.
        waitForIdleMeasuring(window);
        const Cost yieldBefore = emptyYield();
        state.ResumeTiming();
        QElapsedTimer passClock;
        passClock.start();
        const double passCpu = threadCpuUs();
        Probe probe(window);
        window.XpBs2_Click();
        const Cost pass{double(passClock.nsecsElapsed()) / 1e3, threadCpuUs() - passCpu};
        paintGap = std::max(paintGap, probe.maxPaintGapMs());
        inputWait = std::max(inputWait, probe.maxInputWaitMs());
        state.PauseTiming();
        // Every character must come back, only its case changed.
        const QString result = window.tb->Text();
        QString expected = text;
        expected.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        if (result.size() != expected.size() || result.toCaseFolded() != expected.toCaseFolded())
            state.SkipWithError("characters were lost or changed");
        // The pass against the empty yields just before and after it: the
        // machine's speed drifts, a ratio from one moment does not.
        waitForIdleMeasuring(window);
        const Cost yieldAfter = emptyYield();
        const double characters = double(state.range(0));
        yieldsPerChar += pass.wallUs / characters / ((yieldBefore.wallUs + yieldAfter.wallUs) / 2);
        cpuYieldsPerChar += pass.cpuUs / characters / ((yieldBefore.cpuUs + yieldAfter.cpuUs) / 2);
        state.ResumeTiming();
    }
    state.counters["yields_per_char"] = yieldsPerChar / double(state.iterations());
    state.counters["cpu_yields_per_char"] = cpuYieldsPerChar / double(state.iterations());
    state.counters["max_paint_gap_ms"] = paintGap;
    state.counters["max_input_wait_ms"] = inputWait;
    state.SetItemsProcessed(state.iterations() * state.range(0));
    // An inverted rate of millions of characters: microseconds per character.
    state.counters["us_per_char"] = benchmark::Counter(double(state.range(0)) * double(state.iterations()) / 1e6,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(std::string(oneLine ? "one line" : mixedScripts ? "60-character lines, mixed scripts" : "60-character lines")
                   + ", " + platform::eventLoopName());
}
BENCHMARK(BM_BatchPass)
    ->Args({16 * 1024, 0})
    ->Args({256 * 1024, 0})
    ->Args({1024 * 1024, 0})
    ->Args({1024 * 1024, 1})
    ->Args({1024 * 1024, 2})
    ->Args({10 * 1024 * 1024, 0})
    ->Args({10 * 1024 * 1024, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// One key or click in the real window, until the text box has repainted:
// in a 1 MiB line, and in 1 MiB of 60-character lines for comparison. The
// caret starts at the end of the text.
enum Input { TypeLetter, Backspace, Home, End, CtrlHome, CtrlEnd, ClickStart, ClickMiddle };
const char *const kInputNames[] = {"a letter typed", "Backspace", "Home", "End",
                                   "Ctrl+Home", "Ctrl+End", "a click at the left", "a click in the middle"};

void sendKey(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

void sendClick(QWidget *target, QPoint at)
{
    QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void BM_Input(benchmark::State &state)
{
    frmmain &window = mainWindow();
    const bool oneLine = state.range(1) != 0;
    const auto input = Input(state.range(0));
    window.tb->setText(sampleText(1024 * 1024, oneLine));
    window.tb->setFocus();
    window.tb->setSelStart(window.tb->TextLength());
    QApplication::processEvents();
    platform::TextBox &tb = *window.tb;
    QWidget *viewport = tb.viewport();
    for (auto _ : state) {
        switch (input) {
        case TypeLetter: sendKey(&tb, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")); break;
        case Backspace: sendKey(&tb, Qt::Key_Backspace); break;
        case Home: sendKey(&tb, Qt::Key_Home); break;
        case End: sendKey(&tb, Qt::Key_End); break;
        case CtrlHome: sendKey(&tb, Qt::Key_Home, Qt::ControlModifier); break;
        case CtrlEnd: sendKey(&tb, Qt::Key_End, Qt::ControlModifier); break;
        case ClickStart: sendClick(viewport, QPoint(20, 8)); break;
        case ClickMiddle: sendClick(viewport, QPoint(viewport->width() / 2, viewport->height() / 2)); break;
        }
        viewport->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        // The next round starts where the last began: the caret at the end,
        // for every key but the ones that move it there.
        if (input == TypeLetter)
            sendKey(&tb, Qt::Key_Backspace);
        else if (input == Backspace)
            sendKey(&tb, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
        else if (input != End && input != CtrlEnd)
            sendKey(&tb, Qt::Key_End, Qt::ControlModifier);
        else
            sendKey(&tb, Qt::Key_Home, Qt::ControlModifier);
        viewport->repaint();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetLabel(std::string(kInputNames[input]) + (oneLine ? ", 1 MiB in one line" : ", 1 MiB in 60-character lines"));
}
BENCHMARK(BM_Input)->ArgsProduct({{TypeLetter, Backspace, Home, End, CtrlHome, CtrlEnd, ClickStart, ClickMiddle}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

// Pasting 10 MiB in one line, and in 60-character lines, until shown.
void BM_Paste(benchmark::State &state)
{
    frmmain &window = mainWindow();
    const bool oneLine = state.range(0) != 0;
    QGuiApplication::clipboard()->setText(sampleText(10 * 1024 * 1024, oneLine));
    platform::TextBox &tb = *window.tb;
    for (auto _ : state) {
        state.PauseTiming();
        tb.setText(QString());
        tb.setFocus();
        QApplication::processEvents();
        state.ResumeTiming();
        sendKey(&tb, Qt::Key_V, Qt::ControlModifier);
        tb.viewport()->repaint();
        QApplication::processEvents();
    }
    if (tb.TextLength() < 10 * 1024 * 1024)
        state.SkipWithError("the paste lost text");
    state.SetLabel(oneLine ? "10 MiB in one line" : "10 MiB in 60-character lines");
}
BENCHMARK(BM_Paste)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2);

long residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

// Resident memory over 30 passes of 1 MiB: the undo history keeps the newest
// passes up to its bound and lets the oldest go.
void BM_ThirtyPasses(benchmark::State &state)
{
    frmmain &window = mainWindow();
    platform::TextBox &tb = *window.tb;
    tb.setText(sampleText(1024 * 1024));
    QApplication::processEvents();
    const long before = residentKiB();
    long afterFirst = 0;
    long afterTen = 0;
    long afterTwenty = 0;
    long highest = 0;
    long last = 0;
    for (auto _ : state) {
        for (int pass = 0; pass < 30; ++pass) {
            window.XpBs2_Click();
            QApplication::processEvents();
            last = residentKiB();
            highest = std::max(highest, last);
            if (pass == 0)
                afterFirst = last;
            if (pass == 9)
                afterTen = last;
            if (pass == 19)
                afterTwenty = last;
        }
    }
    state.counters["rss_text_loaded_MB"] = double(before) / 1024;
    state.counters["rss_after_1_MB"] = double(afterFirst) / 1024;
    state.counters["rss_after_10_MB"] = double(afterTen) / 1024;
    state.counters["rss_after_20_MB"] = double(afterTwenty) / 1024;
    state.counters["rss_after_30_MB"] = double(last) / 1024;
    state.counters["rss_highest_MB"] = double(highest) / 1024;
    state.counters["undo_MB"] = double(tb.undoBytes()) / (1024 * 1024);
}
BENCHMARK(BM_ThirtyPasses)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_Yield(benchmark::State &state)
{
    frmmain &window = mainWindow();
    // An empty yield: a pass before this leaves lines to measure while idle,
    // and each yield would measure some.
    waitForIdleMeasuring(window);
    platform::Host &host = platform::systemHost();
    for (auto _ : state)
        host.eventLoop.yield();
    state.SetLabel(std::string(platform::eventLoopName()) + ", Qt " + qVersion());
}
BENCHMARK(BM_Yield);

} // namespace

int main(int argc, char **argv)
{
    return runGuiBenchmarks(argc, argv);
}
