#include "EventLoop.h"

#include <QCoreApplication>

namespace platform {

void QtEventLoop::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace platform
