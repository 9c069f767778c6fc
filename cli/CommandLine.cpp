#include "CommandLine.h"

#include "core/CaseFilter.h"
#include "core/CaseRules.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cstdint>

#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <limits.h>
#include <unistd.h>

namespace cli {

namespace {

// The usage text; the Unicode version is the installed ICU's, which the
// letters follow.
std::string usage()
{
    return "Usage: tessaly                                 open the window\n"
           "       tessaly --randomize [--seed N] [--alternate | --max-run N] [FILE...]\n"
           "       tessaly --clipboard [--seed N] [--alternate | --max-run N]\n"
           "Writes each FILE (standard input when there is none, or for \"-\") to standard\n"
           "output with every letter in a randomly drawn case, or in turn lower and upper.\n"
           "\n"
           "  -r, --randomize  randomize the case of the letters\n"
           "  -c, --clipboard  randomize the case of the letters of the text on the\n"
           "                   clipboard and put it back; it needs a display, and opens a\n"
           "                   window only where a Wayland desktop lets nothing else at\n"
           "                   the clipboard (for a moment); it keeps serving the\n"
           "                   clipboard in the background until another program takes\n"
           "                   it (an hour at most) unless a clipboard manager says it\n"
           "                   keeps a copy\n"
           "      --seed N     draw from the seed N: decimal digits, a minus sign before\n"
           "                   them allowed, nothing else (no blanks, no plus sign); any\n"
           "                   64-bit number, a negative one counting from 2^64 (-1 is\n"
           "                   18446744073709551615). The same seed and text give the\n"
           "                   same output on every run, in the same locale and\n"
           "                   Unicode version (here "
        + CaseRules::unicodeVersion()
        + ", from the installed ICU)\n"
          "      --alternate[=lower|upper]\n"
          "                   letters in turn lower and upper case, from lower (or\n"
          "                   upper); every character takes its turn, and one without\n"
          "                   case passes unchanged (\"aLtErNaTiNg cAsE\")\n"
          "      --max-run N  drawn, but never more than N letters (1 to 1000000) in a\n"
          "                   row in the same case; what has no case between letters\n"
          "                   neither ends nor counts in a run\n"
          "  -h, --help       show this help and exit\n"
          "      --version    show the version and exit\n";
}

const char *const kVersion = "Tessaly 1.0\n";
constexpr std::size_t kChunk = 1 << 16; // 64 KiB at a time, a pipe's whole buffer: what is read and written stays in the nearest caches

// A seed: decimal digits, a minus sign before them allowed, and nothing
// else; any value of 64 bits, a negative one counted from 2^64.
bool parseSeed(const std::string &text, std::uint64_t *seed)
{
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    std::uint64_t value = 0;
    for (const char digit : digits) {
        const std::uint64_t next = value * 10 + std::uint64_t(digit - '0');
        if (value > (UINT64_MAX - std::uint64_t(digit - '0')) / 10)
            return false; // past 64 bits
        value = next;
    }
    if (negative && value > std::uint64_t(INT64_MAX) + 1)
        return false; // below the smallest 64-bit integer
    *seed = negative ? std::uint64_t(0) - value : value;
    return true;
}

// A run length: decimal digits and nothing else, 1 to the longest run.
bool parseRunLength(const std::string &text, unsigned *length)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned value = 0;
    for (const char digit : text) {
        value = value * 10 + unsigned(digit - '0');
        if (value > CaseMode::kLongestRun)
            return false;
    }
    if (value == 0)
        return false;
    *length = value;
    return true;
}

const char *optionOf(CaseMode::Kind kind)
{
    return kind == CaseMode::Kind::Alternate ? "--alternate" : "--max-run";
}

void complain(const std::string &text)
{
    std::fprintf(stderr, "tessaly: %s\n", text.c_str());
}

// Writes everything or reports why not; a closed pipe ends the run quietly.
bool writeAll(const char *from, std::size_t left)
{
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

bool writeAll(const char *text)
{
    return writeAll(text, std::strlen(text));
}

enum class Outcome { Done, Unreadable, WriteFailed };

// Buffers the filter reads into and writes from, taken once and never
// cleared (a piece's output is only ever read as far as it was written).
struct Buffers {
    std::unique_ptr<char[]> in{new char[kChunk]};
    std::unique_ptr<char[]> out{new char[CaseFilter::room(kChunk)]};
};

Outcome filterFile(const std::string &name, CaseFilter &filter, Buffers &buffers)
{
    const bool standardInput = name == "-";
    const std::string shown = standardInput ? "standard input" : name;
    const int fd = standardInput ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        complain(shown + ": " + std::strerror(errno));
        return Outcome::Unreadable;
    }
    // A regular file that is the output too would grow as long as it is
    // read: refused, as cat refuses it.
    struct stat input {};
    struct stat output {};
    if (::fstat(fd, &input) == 0 && ::fstat(STDOUT_FILENO, &output) == 0 && S_ISREG(input.st_mode)
        && input.st_dev == output.st_dev && input.st_ino == output.st_ino) {
        complain(shown + ": input file is output file");
        if (!standardInput)
            ::close(fd);
        return Outcome::Unreadable;
    }
    Outcome outcome = Outcome::Done;
    for (;;) {
        const ssize_t got = ::read(fd, buffers.in.get(), kChunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            complain(shown + ": " + std::strerror(errno));
            outcome = Outcome::Unreadable;
            break;
        }
        if (got == 0)
            break;
        const std::size_t size = filter.feed(buffers.in.get(), std::size_t(got), buffers.out.get());
        if (!writeAll(buffers.out.get(), size)) {
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
        } else if (argument == "-c" || argument == "--clipboard") {
            options.clipboard = true;
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
        } else if (argument == "--alternate" || argument.rfind("--alternate=", 0) == 0) {
            const std::string value = argument == "--alternate" ? "lower" : argument.substr(12);
            if (value != "lower" && value != "upper") {
                options.error = "invalid value '" + value + "' for '--alternate': give lower or upper";
                return options;
            }
            if (options.mode.kind == CaseMode::Kind::MaxRun) {
                options.error = "options '--max-run' and '--alternate' cannot be used together";
                return options;
            }
            options.mode = CaseMode::alternate(value == "upper");
        } else if (argument == "--max-run" || argument.rfind("--max-run=", 0) == 0) {
            std::string value;
            if (argument == "--max-run") {
                if (i + 1 >= argc) {
                    options.error = "option '--max-run' needs a value";
                    return options;
                }
                value = argv[++i];
            } else {
                value = argument.substr(10);
            }
            unsigned length = 0;
            if (!parseRunLength(value, &length)) {
                options.error = "invalid run length '" + value + "': give an integer from 1 to 1000000";
                return options;
            }
            if (options.mode.kind == CaseMode::Kind::Alternate) {
                options.error = "options '--alternate' and '--max-run' cannot be used together";
                return options;
            }
            options.mode = CaseMode::limitedRuns(length);
        } else {
            options.error = "unknown option '" + argument + "'";
            return options;
        }
    }
    if (options.clipboard && options.randomize)
        options.error = "--clipboard and --randomize cannot be combined";
    else if (options.clipboard && !options.files.empty())
        options.error = "--clipboard takes no FILE: it reads the clipboard";
    else if (!options.help && !options.version && !options.randomize && !options.clipboard)
        options.error = "nothing to do: give --randomize to filter text";
    if (options.mode.kind != CaseMode::Kind::Random && !options.randomize && !options.clipboard && !options.help
        && !options.version)
        options.error = std::string("option '") + optionOf(options.mode.kind) + "' needs --randomize or --clipboard";
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
        return writeAll(usage().c_str()) ? 0 : 1;
    if (options.version)
        return writeAll(kVersion) ? 0 : 1;
    if (options.clipboard)
        return randomizeClipboard(options);

    // A closed pipe shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    const CaseRules &rules = CaseRules::user();
    CaseFilter filter(rules, options.seeded ? options.seed : entropySeed(), options.mode);
    Buffers buffers;
    std::vector<std::string> files = options.files;
    if (files.empty())
        files.push_back("-");
    int status = 0;
    for (const std::string &file : files) {
        const Outcome outcome = filterFile(file, filter, buffers);
        if (outcome == Outcome::WriteFailed)
            return 1;
        if (outcome == Outcome::Unreadable)
            status = 1;
    }
    const std::size_t size = filter.finish(buffers.out.get());
    if (!writeAll(buffers.out.get(), size))
        return 1;
    return status;
}

namespace {

// One of our programs beside this one in the build tree, or in its libexec
// folder when installed; an empty string once the reason is told.
std::string ownProgram(const std::string &name, const std::string &why)
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        complain(std::string("cannot find the program's own folder: ") + std::strerror(errno));
        return std::string();
    }
    self[length] = '\0';
    std::string folder(self);
    folder.erase(folder.rfind('/'));
    for (const std::string &candidate : {folder + "/" + name, folder + "/" TESSALY_LIBEXEC_FROM_BIN "/" + name}) {
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    complain("cannot find " + name + ", " + why);
    return std::string();
}

} // namespace

void keepStandardStreams()
{
    for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
        if (::fcntl(stream, F_GETFD) >= 0 || errno != EBADF)
            continue;
        const int nothing = ::open("/dev/null", stream == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (nothing >= 0 && nothing != stream) {
            ::dup2(nothing, stream);
            ::close(nothing);
        }
    }
}

int startWindows(char **argv)
{
    const std::string program = ownProgram("tessaly-gui", "the program of the windows");
    if (program.empty())
        return 1;
    ::execv(program.c_str(), argv);
    complain(program + ": " + std::strerror(errno));
    return 1;
}

int randomizeClipboard(const Options &options)
{
    const std::string program = ownProgram("tessaly-clipboard", "the program of the clipboard");
    if (program.empty())
        return 1;
    const std::string seed = std::to_string(options.seeded ? options.seed : entropySeed());
    const std::string mode = options.mode.word();
    char *const arguments[] = {const_cast<char *>("tessaly-clipboard"), const_cast<char *>(seed.c_str()),
                               const_cast<char *>(mode.c_str()), nullptr};
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        complain(std::string("cannot make a pipe: ") + std::strerror(errno));
        return 1;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        complain(std::string("cannot start the program of the clipboard: ") + std::strerror(errno));
        return 1;
    }
    if (child == 0) {
        // A session of its own, so that a terminal that closes sends no
        // hangup to what serves the clipboard; no standard input or output,
        // so that a reader of ours (a command substitution) is not held
        // until the serving ends. Standard error stays until the report.
        ::setsid();
        // Above the standard streams (one of them may have been closed when
        // the pipe was made), and kept across exec.
        const int reportTo = ::fcntl(report[1], F_DUPFD, STDERR_FILENO + 1);
        const int nothing = ::open("/dev/null", O_RDWR);
        if (nothing >= 0) {
            ::dup2(nothing, STDIN_FILENO);
            ::dup2(nothing, STDOUT_FILENO);
            if (nothing > STDERR_FILENO)
                ::close(nothing);
        }
        ::setenv(kClipboardReportVariable, std::to_string(reportTo).c_str(), 1);
        ::execv(program.c_str(), arguments);
        complain(program + ": " + std::strerror(errno));
        ::_exit(1);
    }
    ::close(report[1]);
    char word = 1;
    ssize_t got;
    do
        got = ::read(report[0], &word, 1);
    while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == 1 && word == 0)
        return 0; // the clipboard is set; the child serves it on its own
    // It ended without setting the clipboard, having said why.
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return 1;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) != 0 ? WEXITSTATUS(status) : 1;
}

} // namespace cli
