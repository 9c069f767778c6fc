#pragma once

#include <QString>

#include <functional>

namespace platform {

// Receives each problem found in stored form data as one line of text.
using FormMessageSink = std::function<void(const QString &message)>;

// Replaces where problems are reported (standard error by default) and
// returns the previous sink. An empty sink restores standard error.
FormMessageSink setFormMessageSink(FormMessageSink sink);

// Reports one problem: "tessaly: " followed by the text.
void reportFormProblem(const QString &text);

} // namespace platform
