#include "Doubles.h"

#include <QCoreApplication>

namespace testing {

void RecordingEventLoop::yield()
{
    ++yields;
    if (onYield)
        onYield(yields);
    if (processRealEvents)
        QCoreApplication::processEvents();
}

void RecordingEventLoop::sleep()
{
    ++sleeps;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

float ScriptedRandom::next()
{
    if (values.empty())
        return 0.0f;
    const float value = values[std::min(nextIndex, values.size() - 1)];
    ++nextIndex;
    return value;
}

} // namespace testing
