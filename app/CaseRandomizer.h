#pragma once

#include "controls/textbox/TextBox.h"
#include "platform/host/Host.h"

#include <QLocale>
#include <QString>

class QLabel;
class XpBs;
class Xp_ProgressBar;

// Changes the letters of the main window's text at random into upper or
// lower case: live, as each character is typed, and as a pass over the whole
// text that reports its progress.
class CaseRandomizer {
public:
    enum Case { Upper = 1, Lower = 2 };

    struct Targets {
        platform::TextBox &tb;
        QLabel &Label1;
        Xp_ProgressBar &pb;
        XpBs &XpBs2;
    };

    CaseRandomizer(platform::Host &host, Targets targets);

    // Draws from the shared generator, then reseeds it with the time of day.
    int DrawCase();

    // The live mode: the typed character in a drawn case, for the text box
    // to insert, and the status line saying the case once it is in.
    platform::TextBox::Typing KeyPress(char32_t code);

    // The pass over the whole text; returns when it is done or the program ends.
    void RunPass();

    // One code point in, one code point out; characters without case stay.
    // The user's locale decides about dotted and dotless i.
    static char32_t ConvertCase(char32_t code, int drawnCase);
    static char32_t ConvertCase(char32_t code, int drawnCase, const QLocale &locale);

    // i / n as a whole percentage, halves going to the even neighbour.
    static qint16 PercentDone(qint64 i, qint64 n);

private:
    void tell(const QString &text);

    platform::Host &m_host;
    Targets m_targets;
};
