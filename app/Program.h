#pragma once

#include <QIcon>
#include <QPixmap>

#include <memory>

class frmSplash;
class frmabt;
class frmmain;
class frmmsg;
namespace platform { struct Host; }

// The program's windows. Each exists at most once: it is created on first
// use and stays loaded, hidden or not, until the program ends. The windows
// take the host and never include each other: what happens between them
// they say with their signals, which the program answers.
class Program final {
public:
    explicit Program(platform::Host &host);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    platform::Host &host() const { return m_host; }

    // Program start: the splash window is created and shown; its timers
    // take it from there.
    void start();

    frmSplash &splash();
    frmmsg &popup();
    frmmain &mainWindow();
    frmabt &about();

    bool hasSplash() const { return m_splash != nullptr; }
    bool hasPopup() const { return m_popup != nullptr; }
    bool hasMainWindow() const { return m_mainWindow != nullptr; }
    bool hasAbout() const { return m_about != nullptr; }

    // What the main window's "&About" does: the about window, loaded on
    // first use, shown without blocking and brought in front of the others.
    void showAbout();

    static QIcon icon();

private:
    // The splash was asked to go. With no other window loaded, the program
    // ends with it; otherwise the next reader loads a fresh one.
    void unloadSplash();
    // The splash's time is up: the popup shows its three messages one after
    // the other, then the main window comes and takes the keyboard. It
    // stops where the program has ended meanwhile.
    void introduce();
    // A window that had the keyboard went away: the main window, when it is
    // showing, takes it back.
    void returnKeyboardToMainWindow();

    platform::Host &m_host;
    std::unique_ptr<frmSplash> m_splash;
    std::unique_ptr<frmmsg> m_popup;
    std::unique_ptr<frmmain> m_mainWindow;
    std::unique_ptr<frmabt> m_about;
};
