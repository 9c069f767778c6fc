#pragma once

#include "controls/textbox/TextBox.h"
#include "platform/host/Host.h"

#include <QLocale>
#include <QString>

// The main window's pass and typing: changes the letters of its text at
// random into upper or lower case, live as each character is typed, and as
// a pass over the whole text that reports its progress. It sees the window
// only through the few operations of its controls that it uses (Window).
class PassAndTypingController {
public:
    enum Case { Upper = 1, Lower = 2 };

    // What the typing and the pass use of the main window: its text box tb,
    // its status line Label1, its progress bar pb and its "Randomize Case"
    // button XpBs2. The main window wires them to its controls.
    class Window {
    public:
        virtual qint64 TextLength() const = 0;
        virtual char32_t CharAt(qint64 position) const = 0;
        virtual void ReplaceCharAt(qint64 position, char32_t replacement) = 0;
        virtual void setSelStart(qint64 position) = 0;
        virtual void SetFocus() = 0;
        // Replacements between these two are one undo step.
        virtual void beginBatch() = 0;
        virtual void endBatch() = 0;

        // The status line shows the text; said, a screen reader hears it too.
        virtual void showStatus(const QString &text) = 0;
        virtual void sayStatus(const QString &text) = 0;

        virtual void setBarVisible(bool visible) = 0;
        virtual qint32 barValue() const = 0;
        virtual void setBarValue(qint16 value) = 0;

        virtual void setPassEnabled(bool enabled) = 0;

    protected:
        ~Window() = default;
    };

    PassAndTypingController(platform::Host &host, Window &window);

    // Draws from the shared generator, then reseeds it with the time of day.
    static int DrawCase(platform::Host &host);

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
    platform::Host &m_host;
    Window &m_window;
};
