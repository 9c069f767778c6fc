#include "ProgramEnd.h"

#include "Timer.h"

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
        // The windows' timers, whatever time they run on, and Qt's own.
        for (Timer *timer : window->findChildren<Timer *>())
            timer->stop();
        for (QTimer *timer : window->findChildren<QTimer *>())
            timer->stop();
        window->hide();
    }
    // exit() leaves every running event loop, nested ones included; the
    // code around each nested loop sees hasEnded() and unwinds.
    QCoreApplication::exit(0);
}

} // namespace platform
