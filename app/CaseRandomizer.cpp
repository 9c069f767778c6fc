#include "CaseRandomizer.h"

#include "core/CaseRules.h"
#include "controls/progressbar/Xp_ProgressBar.h"
#include "controls/xpbutton/XpBs.h"
#include "platform/desktop/Accessibility.h"
#include "controls/textbox/TextBox.h"

#include <QLabel>

#include <cmath>

CaseRandomizer::CaseRandomizer(platform::Host &host, Targets targets)
    : m_host(host)
    , m_targets(targets)
{
}

int CaseRandomizer::DrawCase()
{
    const float r = m_host.random.next();
    const int d = int(std::floor(r + r)) + 1;
    m_host.random.reseed(m_host.clock.secondsSinceMidnight());
    return d;
}

char32_t CaseRandomizer::ConvertCase(char32_t code, int drawnCase)
{
    return CaseRules::user().toCase(code, drawnCase == Upper);
}

char32_t CaseRandomizer::ConvertCase(char32_t code, int drawnCase, const QLocale &locale)
{
    return CaseRules(locale.name().toStdString()).toCase(code, drawnCase == Upper);
}

qint16 CaseRandomizer::PercentDone(qint64 i, qint64 n)
{
    if (n <= 0)
        return 100;
    const double quotient = double(i) / double(n);
    return qint16(std::nearbyint(quotient * 100.0)); // the default rounding goes to even
}

platform::TextBox::Typing CaseRandomizer::KeyPress(char32_t code)
{
    if (code == 8 || code == 13)
        return code;
    const int d = DrawCase();
    return {ConvertCase(code, d), [this, d] {
                tell(QStringLiteral("To ") + (d == Upper ? QStringLiteral("uppercase") : QStringLiteral("lowercase"))
                     + QLatin1Char('.'));
            }};
}

// The status line says it, and a screen reader, which would not speak the
// status line's change, is told.
void CaseRandomizer::tell(const QString &text)
{
    m_targets.Label1.setText(text);
    platform::announce(m_targets.Label1, text);
}

void CaseRandomizer::RunPass()
{
    platform::TextBox &tb = m_targets.tb;
    if (tb.TextLength() == 0)
        return;
    tb.setSelStart(tb.TextLength());
    m_targets.XpBs2.setEnabled(false);
    tb.SetFocus();
    const qint64 n = tb.TextLength();
    m_targets.pb.setVisible(true);

    // One undo step takes the whole pass back.
    tb.beginBatch();
    const CaseRules &rules = CaseRules::user();
    qint16 shown = -1;
    for (qint64 i = 0; i < n + 1; ++i) {
        m_host.eventLoop.yield();
        if (m_host.programEnd.hasEnded()) {
            tb.endBatch();
            return; // abandoned: the program is gone
        }
        const char32_t ch = i >= 1 ? tb.CharAt(i - 1) : 0;
        const int d = DrawCase();
        if (ch != 0)
            tb.ReplaceCharAt(i - 1, rules.toCase(ch, d == Upper));
        // The bar and the status line change only with the percentage: the
        // same value again would show the same (and the bar would redraw its
        // frame for each repeated 0).
        const qint16 p = PercentDone(i, n);
        if (p != shown || p != m_targets.pb.Value()) {
            m_targets.pb.setValue(p);
            m_targets.Label1.setText(QString::number(p) + QLatin1Char('%'));
            shown = p;
        }
    }
    tb.endBatch();

    m_targets.pb.setVisible(false);
    tell(QStringLiteral("Ready"));
    m_targets.XpBs2.setEnabled(true);
}
