#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace clipboard {

using Clock = std::chrono::steady_clock;

// What reading the clipboard found.
struct Reading {
    enum class Kind {
        Text,     // text holds the clipboard's text, its bytes as they came
        NoText,   // empty, or only other kinds of data (an image)
        TooLarge, // more than the limit asked for; nothing kept
        Failed,   // error says why, in the program's words
    };
    Kind kind = Kind::Failed;
    std::string text;
    std::string error;
};

// How serving ended.
enum class Served {
    Taken,    // another program took the clipboard
    Kept,     // a clipboard manager confirmed it holds a copy
    TimeUp,   // the deadline passed with the text still ours
    Lost,     // the connection to the display went away
};

// One way of reaching the desktop's clipboard: X11, Wayland's data-control
// protocols, Wayland's core protocol through a surface with the keyboard.
// Each call blocks until it is done or its deadline passes.
class Device {
public:
    virtual ~Device() = default;

    // Reads the clipboard's text, at most limit bytes. An owner that sends
    // nothing for as long as from now to the deadline (for its answer, or
    // for its next piece) does not answer: a failure.
    virtual Reading read(std::size_t limit, Clock::time_point deadline) = 0;

    // Makes text the clipboard's and returns once the desktop confirms it
    // holds it (and answers a paste with it); false, with error said, when
    // it does not by the deadline. Requests that come meanwhile are served.
    virtual bool set(std::string text, Clock::time_point deadline, std::string &error) = 0;

    // Serves the text set until another program takes the clipboard, a
    // clipboard manager confirms it holds a copy, or the deadline.
    virtual Served serve(Clock::time_point deadline) = 0;
};

} // namespace clipboard
