#include "Settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inputmethod {

namespace {

// A settings file of one line is never this long: anything longer is not ours.
constexpr std::size_t kLongestFile = 4096;

std::string trimmed(const std::string &text)
{
    const char *blanks = " \t\r";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The file's bytes; false with errno set when they cannot be read.
bool readAll(const std::string &path, std::string &text)
{
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    char buffer[1024];
    for (;;) {
        const ssize_t got = ::read(file, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(file);
            errno = error;
            return false;
        }
        if (got == 0)
            break;
        text.append(buffer, std::size_t(got));
        if (text.size() > kLongestFile)
            break;
    }
    ::close(file);
    return true;
}

// The mode the text says; an empty string, or why not.
std::string parse(const std::string &text, CaseMode &mode)
{
    if (text.size() > kLongestFile)
        return "longer than a settings file";
    bool found = false;
    std::size_t start = 0;
    for (unsigned number = 1; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || trimmed(line.substr(0, equals)) != "mode")
            return where + "not \"mode=...\"";
        if (found)
            return where + "a second mode";
        if (!CaseMode::fromWord(trimmed(line.substr(equals + 1)), mode))
            return where + "no mode is called \"" + trimmed(line.substr(equals + 1)) + "\"";
        found = true;
    }
    return found ? std::string() : "no mode in it";
}

// Makes the folder and those above it that are missing, private as the
// XDG rules ask.
bool makeFolders(const std::string &folder)
{
    if (folder.empty() || ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST)
        return true;
    if (errno != ENOENT)
        return false;
    const std::size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos || slash == 0 || !makeFolders(folder.substr(0, slash)))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeAll(int file, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(file, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return false;
        done += std::size_t(wrote);
    }
    return true;
}

} // namespace

std::string Settings::defaultPath()
{
    const char *config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config && config[0] == '/') {
        folder = config;
    } else {
        const char *home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd *user = ::getpwuid(::getuid());
            home = user ? user->pw_dir : "";
        }
        folder = std::string(home) + "/.config";
    }
    return folder + "/tessaly/input-method.conf";
}

Settings::Settings(std::string path, Log log)
    : m_path(std::move(path))
    , m_log(std::move(log))
{
    std::string text;
    if (!readAll(m_path, text)) {
        if (errno != ENOENT)
            m_log(m_path + ": " + std::strerror(errno) + "; random case until a mode is chosen");
        return;
    }
    CaseMode mode;
    const std::string problem = parse(text, mode);
    if (!problem.empty()) {
        m_log(m_path + ": " + problem + "; random case until a mode is chosen");
        return;
    }
    m_mode = mode;
}

bool Settings::choose(const CaseMode &mode)
{
    m_mode = mode;
    const std::size_t slash = m_path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : m_path.substr(0, slash);
    std::string temporary = m_path + ".XXXXXX";
    int file = -1;
    const char *step = "cannot make its folder";
    if (makeFolders(folder)) {
        step = "cannot write it";
        file = ::mkstemp(temporary.data());
    }
    bool written = false;
    if (file >= 0) {
        written = writeAll(file, "mode=" + mode.word() + "\n") && ::fsync(file) == 0;
        written = ::close(file) == 0 && written;
        if (written) {
            step = "cannot put it in place";
            written = ::rename(temporary.c_str(), m_path.c_str()) == 0;
        }
        const int error = errno;
        if (!written)
            ::unlink(temporary.c_str());
        errno = error;
    }
    if (!written)
        m_log(m_path + ": " + step + " (" + std::strerror(errno) + "); the mode holds until the engine ends");
    return written;
}

} // namespace inputmethod
