#pragma once

namespace platform { struct Host; }

// What a window needs of the program: the host's services and what happens
// between windows. The program (Program) implements it; the windows include
// only this, never each other.
class ProgramWindows {
public:
    virtual platform::Host &host() const = 0;
    // A window that had the keyboard went away: the main window, when it is
    // showing, takes it back.
    virtual void returnKeyboardToMainWindow() = 0;

protected:
    ~ProgramWindows() = default;
};
