#pragma once

#include "Clock.h"
#include "EventLoop.h"
#include "ProgramEnd.h"
#include "Random.h"
#include "Services.h"

namespace platform {

// The services of the desktop the windows and controls run on. The program
// wires the real ones; tests wire recording doubles.
struct Host {
    EventLoop &eventLoop;
    Clock &clock;
    Random &random;
    ProgramEnd &programEnd;
    SoundPlayer &sound;
    Shell &shell;
    MessageBoxes &messageBoxes;
};

// The host of the running program: the real services.
Host &systemHost();

} // namespace platform
