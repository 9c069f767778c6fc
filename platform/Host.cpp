#include "Host.h"

namespace platform {

Host &systemHost()
{
    static QtEventLoop eventLoop;
    static SystemClock clock;
    static QtProgramEnd programEnd;
    static Host host{eventLoop, clock, processRandom(), programEnd};
    return host;
}

} // namespace platform
