#pragma once

#include "platform/forms/PropertyBag.h"

#include <QStringList>

namespace testing {

// Collects the problems reported about stored form data while it lives,
// instead of printing them on standard error.
class FormMessages {
public:
    FormMessages()
        : m_previous(platform::setFormMessageSink([this](const QString &message) { lines.append(message); }))
    {
    }
    ~FormMessages() { platform::setFormMessageSink(m_previous); }
    FormMessages(const FormMessages &) = delete;
    FormMessages &operator=(const FormMessages &) = delete;

    QStringList lines;

private:
    platform::FormMessageSink m_previous;
};

} // namespace testing
