#include "FormMessages.h"

#include <cstdio>

namespace platform {

namespace {

FormMessageSink &messageSink()
{
    static FormMessageSink sink;
    return sink;
}

} // namespace

FormMessageSink setFormMessageSink(FormMessageSink sink)
{
    FormMessageSink previous = std::move(messageSink());
    messageSink() = std::move(sink);
    return previous;
}

void reportFormProblem(const QString &text)
{
    const QString message = QStringLiteral("tessaly: ") + text;
    if (messageSink()) {
        messageSink()(message);
        return;
    }
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace platform
