#pragma once

#include "core/CaseMode.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace clipboard {

class Device;

// "tessaly --clipboard" as the steps of the job: read the clipboard's text,
// give every letter a drawn case with the rule of "tessaly -r", set it, say
// so, and serve it for as long as it needs its owner.
struct Job {
    // The most text taken, in bytes.
    static constexpr std::size_t kMostText = std::size_t(64) << 20;
    // An owner that has not handed over its text by then does not answer.
    static constexpr int kOwnerAnswersMs = 3000;
    // How long the desktop may take to confirm the new text.
    static constexpr int kDesktopTakesMs = 10 * 1000;
    // How long the text is served at most when nobody takes the clipboard.
    static constexpr int kServeForMs = 60 * 60 * 1000;

    std::uint64_t seed = 0;
    CaseMode mode;
    int serveForMs = kServeForMs;
    // Called once the clipboard holds the new text, before serving.
    std::function<void()> set;
    // One line of what went wrong, without the program's name.
    std::function<void(const std::string &)> complain;
};

// The text with every letter in a drawn case, as "tessaly -r" gives it.
std::string randomized(const std::string &text, std::uint64_t seed, const CaseMode &mode);

// Runs the job on the device; 0 once the text was set and served, 1 when
// the clipboard was left as it was.
int run(Device &device, const Job &job);

} // namespace clipboard
