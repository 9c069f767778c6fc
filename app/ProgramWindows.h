#pragma once

#include <QPixmap>

namespace platform { struct Host; }
class frmSplash;
class frmmsg;
class frmmain;

// What a window needs of the program: the host's services, the other
// windows it hands over to or copies from, and the splash's own unloading.
// The program (Program) implements it; the windows include only this.
class ProgramWindows {
public:
    virtual platform::Host &host() const = 0;
    virtual frmSplash &splash() = 0;
    virtual frmmsg &popup() = 0;
    virtual frmmain &mainWindow() = 0;
    virtual bool hasMainWindow() const = 0;
    virtual void unloadSplash() = 0;

    // The product's logo, as the splash, the popup and the about window show it.
    static QPixmap logo();

protected:
    ~ProgramWindows() = default;
};
