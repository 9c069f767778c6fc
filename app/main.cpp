#include "frmmain.h"
#include "platform/Host.h"
#include "platform/Units.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setOrganizationName(QStringLiteral("Morvane"));
    // Closing the main window never ends the program; its animation does.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::installFontSubstitutions();

    platform::Host &host = platform::systemHost();
    frmmain mainWindow(host);
    mainWindow.show();
    return QApplication::exec();
}
