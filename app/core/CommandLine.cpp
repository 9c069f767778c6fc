#include "CommandLine.h"

#include "CaseFilter.h"
#include "CaseRules.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

namespace cli {

namespace {

const char *const kUsage =
    "Usage: tessaly                                 open the window\n"
    "       tessaly --randomize [--seed N] [FILE...]\n"
    "Writes each FILE (standard input when there is none, or for \"-\") to standard\n"
    "output with every letter in a randomly drawn case.\n"
    "\n"
    "  -r, --randomize  randomize the case of the letters\n"
    "      --seed N     draw from the seed N (any 64-bit integer): the same seed and\n"
    "                   text give the same output on every run\n"
    "  -h, --help       show this help and exit\n"
    "      --version    show the version and exit\n";

const char *const kVersion = "Tessaly 1.0\n";
constexpr std::size_t kChunk = 1 << 20;

bool parseSeed(const std::string &text, std::uint64_t *seed)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    if (text[0] == '-') {
        const long long value = std::strtoll(text.c_str(), &end, 10);
        if (errno != 0 || *end != '\0')
            return false;
        *seed = std::uint64_t(value);
        return true;
    }
    if (text[0] == '+' || text[0] == ' ')
        return false;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return false;
    *seed = value;
    return true;
}

// The locale that decides about case, as the C library would take it.
QLocale localeFromEnvironment()
{
    for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char *value = std::getenv(name);
        if (!value || !*value)
            continue;
        std::string locale = value;
        locale = locale.substr(0, locale.find_first_of(".@"));
        if (locale == "C" || locale == "POSIX")
            return QLocale::c();
        return QLocale(QString::fromStdString(locale));
    }
    return QLocale::c();
}

void complain(const std::string &text)
{
    std::fprintf(stderr, "tessaly: %s\n", text.c_str());
}

// Writes everything or reports why not; a closed pipe ends the run quietly.
bool writeAll(const std::string &data)
{
    const char *from = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, from, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EPIPE)
                complain(std::string("write error: ") + std::strerror(errno));
            return false;
        }
        from += written;
        left -= std::size_t(written);
    }
    return true;
}

enum class Outcome { Done, Unreadable, WriteFailed };

Outcome filterFile(const std::string &name, CaseFilter &filter, std::string &buffer, std::string &out)
{
    const bool standardInput = name == "-";
    const std::string shown = standardInput ? "standard input" : name;
    const int fd = standardInput ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        complain(shown + ": " + std::strerror(errno));
        return Outcome::Unreadable;
    }
    Outcome outcome = Outcome::Done;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            complain(shown + ": " + std::strerror(errno));
            outcome = Outcome::Unreadable;
            break;
        }
        if (got == 0)
            break;
        out.clear();
        filter.feed(buffer.data(), std::size_t(got), out);
        if (!writeAll(out)) {
            outcome = Outcome::WriteFailed;
            break;
        }
    }
    if (!standardInput)
        ::close(fd);
    return outcome;
}

} // namespace

Options parse(int argc, char **argv)
{
    Options options;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnd || argument == "-" || argument.empty() || argument[0] != '-') {
            options.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnd = true;
        } else if (argument == "-r" || argument == "--randomize") {
            options.randomize = true;
        } else if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--seed" || argument.rfind("--seed=", 0) == 0) {
            std::string value;
            if (argument == "--seed") {
                if (i + 1 >= argc) {
                    options.error = "option '--seed' needs a value";
                    return options;
                }
                value = argv[++i];
            } else {
                value = argument.substr(7);
            }
            if (!parseSeed(value, &options.seed)) {
                options.error = "invalid seed '" + value + "': give a 64-bit integer";
                return options;
            }
            options.seeded = true;
        } else {
            options.error = "unknown option '" + argument + "'";
            return options;
        }
    }
    if (!options.help && !options.version && !options.randomize)
        options.error = "nothing to do: give --randomize to filter text";
    return options;
}

int run(int argc, char **argv)
{
    const Options options = parse(argc, argv);
    if (!options.error.empty()) {
        complain(options.error);
        std::fputs("Try 'tessaly --help' for more information.\n", stderr);
        return 2;
    }
    if (options.help)
        return std::fputs(kUsage, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    if (options.version)
        return std::fputs(kVersion, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;

    // A closed pipe shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    const CaseRules rules(localeFromEnvironment());
    CaseFilter filter(rules, options.seeded ? options.seed : entropySeed());
    std::string buffer(kChunk, '\0');
    std::string out;
    out.reserve(2 * kChunk + 8);
    std::vector<std::string> files = options.files;
    if (files.empty())
        files.push_back("-");
    int status = 0;
    for (const std::string &file : files) {
        const Outcome outcome = filterFile(file, filter, buffer, out);
        if (outcome == Outcome::WriteFailed)
            return 1;
        if (outcome == Outcome::Unreadable)
            status = 1;
    }
    out.clear();
    filter.finish(out);
    if (!writeAll(out))
        return 1;
    return status;
}

int startWindows(char **argv)
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        complain(std::string("cannot find the program's own folder: ") + std::strerror(errno));
        return 1;
    }
    self[length] = '\0';
    std::string folder(self);
    folder.erase(folder.rfind('/'));
    // Beside this program in the build tree; in its libexec folder when installed.
    for (const std::string &candidate : {folder + "/tessaly-gui", folder + "/" TESSALY_GUI_FROM_BIN}) {
        if (::access(candidate.c_str(), X_OK) == 0) {
            ::execv(candidate.c_str(), argv);
            complain(candidate + ": " + std::strerror(errno));
            return 1;
        }
    }
    complain("cannot find tessaly-gui, the program of the windows");
    return 1;
}

} // namespace cli
