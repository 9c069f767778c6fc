#include "PassAndTypingController.h"

#include "core/CaseRules.h"

#include <cmath>

PassAndTypingController::PassAndTypingController(platform::Host &host, Window &window)
    : m_host(host)
    , m_window(window)
{
}

int PassAndTypingController::DrawCase(platform::Host &host)
{
    const float r = host.random.next();
    const int d = int(std::floor(r + r)) + 1;
    host.random.reseed(host.clock.secondsSinceMidnight());
    return d;
}

char32_t PassAndTypingController::ConvertCase(char32_t code, int drawnCase)
{
    return CaseRules::user().toCase(code, drawnCase == Upper);
}

char32_t PassAndTypingController::ConvertCase(char32_t code, int drawnCase, const QLocale &locale)
{
    return CaseRules(locale.name().toStdString()).toCase(code, drawnCase == Upper);
}

qint16 PassAndTypingController::PercentDone(qint64 i, qint64 n)
{
    if (n <= 0)
        return 100;
    const double quotient = double(i) / double(n);
    return qint16(std::nearbyint(quotient * 100.0)); // the default rounding goes to even
}

platform::TextBox::Typing PassAndTypingController::KeyPress(char32_t code)
{
    if (code == 8 || code == 13)
        return code;
    const int d = DrawCase(m_host);
    return {ConvertCase(code, d), [this, d] {
                m_window.sayStatus(QStringLiteral("To ")
                                   + (d == Upper ? QStringLiteral("uppercase") : QStringLiteral("lowercase"))
                                   + QLatin1Char('.'));
            }};
}

namespace {

// The first i' after i whose percentage is not p: PercentDone(i, n) only
// grows with i, so it is found by halving, without working out the
// percentage of every character.
qint64 nextPercentChange(qint64 i, qint64 n, qint16 p)
{
    qint64 low = i + 1;
    qint64 high = n + 1;
    while (low < high) {
        const qint64 middle = low + (high - low) / 2;
        if (PassAndTypingController::PercentDone(middle, n) != p)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

} // namespace

void PassAndTypingController::RunPass()
{
    if (m_window.TextLength() == 0)
        return;
    m_window.setSelStart(m_window.TextLength());
    m_window.setPassEnabled(false);
    m_window.SetFocus();
    const qint64 n = m_window.TextLength();
    m_window.setBarVisible(true);

    // One undo step takes the whole pass back.
    m_window.beginBatch();
    const CaseRules &rules = CaseRules::user();
    qint16 shown = -1;
    qint16 p = 0;
    qint64 nextChange = 0;
    for (qint64 i = 0; i < n + 1; ++i) {
        m_host.eventLoop.yield();
        if (m_host.programEnd.hasEnded()) {
            m_window.endBatch();
            return; // abandoned: the program is gone
        }
        const char32_t ch = i >= 1 ? m_window.CharAt(i - 1) : 0;
        const int d = DrawCase(m_host);
        if (ch != 0)
            m_window.ReplaceCharAt(i - 1, rules.toCase(ch, d == Upper));
        // The bar and the status line change only with the percentage: the
        // same value again would show the same (and the bar would redraw its
        // frame for each repeated 0).
        if (i == nextChange) {
            p = PercentDone(i, n);
            nextChange = nextPercentChange(i, n, p);
        }
        if (p != shown || p != m_window.barValue()) {
            m_window.setBarValue(p);
            m_window.showStatus(QString::number(p) + QLatin1Char('%'));
            shown = p;
        }
    }
    m_window.endBatch();

    m_window.setBarVisible(false);
    m_window.sayStatus(QStringLiteral("Ready"));
    m_window.setPassEnabled(true);
}
