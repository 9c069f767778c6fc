#include "Program.h"
#include "platform/Host.h"
#include "platform/Units.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setOrganizationName(QStringLiteral("Morvane"));
    // Under Wayland the windows carry this id, which ties them to the menu
    // entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvane.Tessaly"));
    // Hiding the splash window or closing the main window never ends the
    // program; the logo click and the main window's animation do.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::installFontSubstitutions();

    Program program(platform::systemHost());
    program.start();
    return QApplication::exec();
}
