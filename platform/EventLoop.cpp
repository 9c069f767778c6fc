#include "EventLoop.h"

#include <QCoreApplication>

namespace platform {

void QtEventLoop::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::sleep()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace platform
