#pragma once

#include "core/CaseMode.h"

#include <functional>
#include <string>

namespace inputmethod {

// The input method's mode, kept between sessions in a small file of one
// line, "mode=WORD" (CaseMode::word()); blank lines and lines starting
// with # are allowed around it.
class Settings {
public:
    using Log = std::function<void(const std::string &)>;

    // $XDG_CONFIG_HOME/tessaly/input-method.conf, ~/.config/... where it is
    // not set (or not an absolute path, which the XDG rules ignore).
    static std::string defaultPath();

    // Reads the file once. None there: the defaults, quietly. One that
    // cannot be read or does not say a mode: the defaults, one line to the
    // log, and the file left alone until choose() is called.
    Settings(std::string path, Log log);

    const CaseMode &mode() const { return m_mode; }
    const std::string &path() const { return m_path; }

    // The user chose a mode: it is kept, and the file written anew (a
    // temporary file renamed over it, so that it holds the old mode or the
    // new one, never part of either). false, with one line to the log, when
    // it could not be written; the mode is kept for this session all the
    // same.
    bool choose(const CaseMode &mode);

private:
    std::string m_path;
    Log m_log;
    CaseMode m_mode;
};

} // namespace inputmethod
