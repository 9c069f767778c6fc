#include "Program.h"
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

} // namespace

int main(int argc, char *argv[])
{
    platform::preferQtEventLoop();
    std::vector<HeldMessage> held;
    g_held = &held;
    const QtMessageHandler usual = qInstallMessageHandler(holdWhileOpening);
    QApplication app(argc, argv);
    qInstallMessageHandler(usual);
    g_held = nullptr;
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
    platform::installFontSubstitutions();
    // Before any widget: Qt 6.8 makes a widget's accessible face as the
    // widget is made, while a screen reader listens.
    platform::installScrollBarAccessibility();

    Program program(platform::systemHost());
    program.start();
    return QApplication::exec();
}
