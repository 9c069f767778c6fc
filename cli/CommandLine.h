#pragma once

#include "core/CaseMode.h"

#include <cstdint>
#include <string>
#include <vector>

// The program's command line: "tessaly --randomize [--seed N] [--alternate |
// --max-run N] [FILE...]" filters text; "--help" and "--version" say what
// it is. No window, no display, no sound on this path. "tessaly --clipboard
// [--seed N] [--alternate | --max-run N]" hands the clipboard to a program
// of its own, tessaly-clipboard, which needs the display.
namespace cli {

struct Options {
    bool randomize = false;
    bool clipboard = false;
    bool help = false;
    bool version = false;
    bool seeded = false;
    std::uint64_t seed = 0;
    CaseMode mode; // how -r gives the letters their case
    std::vector<std::string> files; // "-" is standard input
    std::string error;              // a usage error, in one line
};

Options parse(int argc, char **argv);

// Runs the command line; returns the exit status: 0, 1 when a file could
// not be read or the output not written, 2 for a usage error.
int run(int argc, char **argv);

// Replaces this process with the windows' program (the program started
// without arguments); returns only if that fails.
int startWindows(char **argv);

// Starts tessaly-clipboard with the seed and mode in a session of its own,
// waits until it says the clipboard is set, and returns 0 while it goes on
// serving the clipboard; when it fails, returns its status (its message is
// on standard error).
int randomizeClipboard(const Options &options);

// The file descriptor, named in the environment, on which tessaly-clipboard
// reports that the clipboard is set (it reads the same name).
constexpr const char *kClipboardReportVariable = "TESSALY_CLIPBOARD_REPORT";

// Opens a standard stream that was closed on /dev/null the wrong way round
// (input for writing, output for reading): no file opened later takes its
// number, and reading or writing it still fails as on a closed stream.
void keepStandardStreams();

} // namespace cli
