#include "Timer.h"

namespace platform {

QtTimer::QtTimer(QObject *owner)
    : Timer(owner)
{
    connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
}

} // namespace platform
