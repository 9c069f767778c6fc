#pragma once

#include "Clock.h"
#include "EventLoop.h"
#include "ProgramEnd.h"
#include "Random.h"

namespace platform {

// The services of the desktop the windows and controls run on. The program
// wires the real ones; tests wire recording doubles.
struct Host {
    EventLoop &eventLoop;
    Clock &clock;
    Random &random;
    ProgramEnd &programEnd;
};

// The host of the running program (real event loop, clock, generator, end).
Host &systemHost();

} // namespace platform
