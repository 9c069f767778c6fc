#include "ProgramEnd.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace platform {

void QtProgramEnd::end()
{
    if (m_ended)
        return;
    m_ended = true;

    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        const auto timers = window->findChildren<QTimer *>();
        for (QTimer *timer : timers)
            timer->stop();
        window->hide();
    }
    // exit() leaves every running event loop, nested ones included; the
    // code around each nested loop sees hasEnded() and unwinds.
    QCoreApplication::exit(0);
}

} // namespace platform
