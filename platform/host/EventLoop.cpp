#include "EventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace platform {

void preferQtEventLoop()
{
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
}

const char *eventLoopName()
{
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return "none";
    return dispatcher->inherits("QEventDispatcherGlib") ? "GLib's event loop" : "Qt's event loop";
}

void QtEventLoop::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::sleep()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace platform
