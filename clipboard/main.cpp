// tessaly-clipboard SEED MODE: "tessaly --clipboard" once the command line
// has checked its options (cli::randomizeClipboard starts it, in a session
// of its own, and waits for its report).
#include "ClipboardJob.h"
#include "Desktop.h"

#include "core/CaseMode.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Where "tessaly --clipboard" waits for one zero byte: the clipboard is set.
constexpr const char *kReportVariable = "TESSALY_CLIPBOARD_REPORT";

// A standard stream that was closed is opened on /dev/null, so that no
// connection of ours takes its number (and a later redirect of standard
// error cannot cut it).
void keepStandardStreams()
{
    for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
        if (::fcntl(stream, F_GETFD) >= 0 || errno != EBADF)
            continue;
        const int nothing = ::open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (nothing >= 0 && nothing != stream) {
            ::dup2(nothing, stream);
            ::close(nothing);
        }
    }
}

bool parseSeed(const char *text, std::uint64_t &seed)
{
    if (!text || !*text)
        return false;
    char *end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno || *end || *text == '-' || *text == '+')
        return false;
    seed = value;
    return true;
}

void complain(const std::string &message)
{
    std::fprintf(stderr, "tessaly: %s\n", message.c_str());
    std::fflush(stderr);
}

} // namespace

int main(int argc, char **argv)
{
    keepStandardStreams();
    // A reader that went away makes a write fail, not end us.
    std::signal(SIGPIPE, SIG_IGN);
    clipboard::Job job;
    if (argc != 3 || !parseSeed(argv[1], job.seed) || !CaseMode::fromWord(argv[2], job.mode)) {
        complain("tessaly-clipboard is started by 'tessaly --clipboard'");
        return 2;
    }
    int report = -1;
    if (const char *named = std::getenv(kReportVariable)) {
        char *end = nullptr;
        const long descriptor = std::strtol(named, &end, 10);
        if (*named && !*end && descriptor > STDERR_FILENO && ::fcntl(int(descriptor), F_GETFD) >= 0)
            report = int(descriptor);
        ::unsetenv(kReportVariable);
    }
    if (report >= 0)
        ::fcntl(report, F_SETFD, FD_CLOEXEC);

    std::string error;
    std::unique_ptr<clipboard::Device> device = clipboard::openDesktop(error);
    if (!device) {
        complain(error);
        return 1;
    }
    job.complain = complain;
    job.set = [&report] {
        if (report < 0)
            return;
        const char set = 0;
        while (::write(report, &set, 1) < 0 && errno == EINTR) {
        }
        ::close(report);
        report = -1;
        // Nobody reads our messages any more, and a terminal that is gone
        // must not hold us.
        const int nothing = ::open("/dev/null", O_WRONLY);
        if (nothing >= 0) {
            ::dup2(nothing, STDERR_FILENO);
            ::close(nothing);
        }
    };
    return clipboard::run(*device, job);
}
