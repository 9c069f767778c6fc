#include "Host.h"

namespace platform {

Host &systemHost()
{
    static QtEventLoop eventLoop;
    static SystemClock clock;
    static QtProgramEnd programEnd;
    static QtSoundPlayer sound;
    static DesktopShell shell;
    static QtMessageBoxes messageBoxes;
    static Host host{eventLoop, clock, processRandom(), programEnd, sound, shell, messageBoxes};
    return host;
}

} // namespace platform
