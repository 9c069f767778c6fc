#include "ClipboardRun.h"
#include "Program.h"
#include "cli/CommandLine.h"
#include "core/CaseFilter.h"
#include "platform/desktop/Accessibility.h"
#include "platform/host/Host.h"
#include "platform/forms/Units.h"

#include <QApplication>
#include <QMetaObject>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// What Qt says while it opens the display is held back: when no display can
// be opened it ends the program (with an abort and advice about reinstalling
// its plugins); we say plainly what is missing instead.
struct HeldMessage {
    QtMsgType type;
    QByteArray file, function, category;
    int line;
    QString text;
};
std::vector<HeldMessage> *g_held = nullptr;

void noDisplay()
{
    const char *x = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    std::string why;
    if (platform && *platform)
        why = std::string("QT_QPA_PLATFORM=") + platform + " could not be started";
    else if ((!x || !*x) && (!wayland || !*wayland))
        why = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    else if (wayland && *wayland)
        why = std::string("WAYLAND_DISPLAY=") + wayland + (x && *x ? std::string(" and DISPLAY=") + x : std::string())
            + " cannot be reached";
    else
        why = std::string("DISPLAY=") + x + " cannot be reached";
    const std::string message =
        "tessaly: no display found (" + why + "); 'tessaly -r' filters text without one\n";
    std::fputs(message.c_str(), stderr);
    // Qt is half started: none of its clean-up is run.
    ::_exit(1);
}

void holdWhileOpening(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg)
        noDisplay();
    g_held->push_back({type, context.file, context.function, context.category, context.line, text});
}

void dropRemark(QtMsgType, const QMessageLogContext &, const QString &)
{
}

// "tessaly --clipboard": the command line (cli::randomizeClipboard) waits
// on the descriptor it names for a zero byte, sent once the clipboard holds
// the new text; it ends when that comes or the descriptor closes, and then
// nobody reads this program's messages any more.
int randomizeClipboard(const cli::Options &options)
{
    int report = -1;
    if (const char *named = std::getenv(cli::kClipboardReportVariable)) {
        report = std::atoi(named);
        ::unsetenv(cli::kClipboardReportVariable);
    }
    // A command line that went away makes the report fail, not end us.
    std::signal(SIGPIPE, SIG_IGN);
    ClipboardRun run(options.seeded ? options.seed : entropySeed(), options.mode);
    QObject::connect(&run, &ClipboardRun::reported, [&report](int status, const QString &message) {
        if (!message.isEmpty())
            std::fprintf(stderr, "tessaly: %s\n", message.toLocal8Bit().constData());
        if (report < 0)
            return;
        if (status == 0) {
            const char set = 0;
            while (::write(report, &set, 1) < 0 && errno == EINTR) {
            }
        }
        ::close(report);
        report = -1;
        if (status == 0) {
            const int nothing = ::open("/dev/null", O_WRONLY);
            if (nothing >= 0) {
                ::dup2(nothing, STDERR_FILENO);
                ::close(nothing);
            }
        }
    });
    QObject::connect(&run, &ClipboardRun::finished, qApp, &QCoreApplication::exit);
    QMetaObject::invokeMethod(&run, &ClipboardRun::start, Qt::QueuedConnection);
    // Returning destroys the application object: with a clipboard manager
    // on the display, that is when Qt hands it the clipboard.
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // Read before Qt takes its own options out of argv. The command line
    // has checked them already.
    const cli::Options options = argc > 1 ? cli::parse(argc, argv) : cli::Options();
    const bool clipboard = argc > 1 && options.error.empty() && options.clipboard;
    platform::preferQtEventLoop();
    std::vector<HeldMessage> held;
    g_held = &held;
    const QtMessageHandler usual = qInstallMessageHandler(holdWhileOpening);
    QApplication app(argc, argv);
    qInstallMessageHandler(usual);
    g_held = nullptr;
    // A command says what it has to in one line: Qt's own remarks, those
    // held while opening too, would come between the shell's lines, or
    // after it returned.
    if (clipboard)
        qInstallMessageHandler(dropRemark);
    for (const HeldMessage &message : held) {
        const QMessageLogContext context(message.file.constData(), message.line, message.function.constData(),
                                         message.category.constData());
        qt_message_output(message.type, context, message.text);
    }

    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setOrganizationName(QStringLiteral("Morvane"));
    // Under Wayland the windows carry this id, which ties them to the menu
    // entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvane.Tessaly"));
    // Hiding the splash window or closing the main window never ends the
    // program; the logo click and the main window's animation do.
    QApplication::setQuitOnLastWindowClosed(false);
    if (clipboard)
        return randomizeClipboard(options);
    platform::installFontSubstitutions();
    // Before any widget: Qt 6.8 makes a widget's accessible face as the
    // widget is made, while a screen reader listens.
    platform::installScrollBarAccessibility();

    Program program(platform::systemHost());
    program.start();
    return QApplication::exec();
}
