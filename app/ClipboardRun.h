#pragma once

#include "core/CaseMode.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace platform {
class Timer;
}

// "tessaly --clipboard" in the windows' program: takes the text on the
// clipboard, gives every letter a randomly drawn case with the rule of
// "tessaly -r", puts it back, and says so (reported). Then it stays as long
// as the text needs it: under X11 with a clipboard manager it is done at
// once (the manager is handed the text when the application object goes);
// otherwise it serves the clipboard until another program takes it, an
// hour at most (finished).
//
// Where the desktop lets only a window with the keyboard at the clipboard
// (Wayland), a small window takes it for that moment and goes again.
class ClipboardRun : public QObject {
    Q_OBJECT

public:
    // The most text taken, in bytes of UTF-8.
    static constexpr qsizetype kMostText = qsizetype(64) << 20;
    // How long the text is served at most when nobody takes the clipboard.
    static constexpr int kServeForMs = 60 * 60 * 1000;

    explicit ClipboardRun(std::uint64_t seed, const CaseMode &mode = CaseMode(), int serveForMs = kServeForMs,
                          QObject *parent = nullptr);
    ~ClipboardRun() override;

    void start();

signals:
    // Once: 0 when the clipboard holds the new text, 1 with the reason
    // when it was left as it was.
    void reported(int status, const QString &message);
    // The program may end now, with this status.
    void finished(int status);

private:
    void askForKeyboard();
    void randomize();
    void set();
    void fail(const QString &message);
    void bound(int milliseconds, std::function<void()> then);
    void serve();

    std::uint64_t m_seed;
    CaseMode m_mode;
    int m_serveForMs;
    std::unique_ptr<QWidget> m_window; // only where the keyboard is needed
    platform::Timer *const m_bound; // on the host's clock, as every timer of the program
};
