#pragma once

#include <QObject>

namespace platform {

// Ends the program at once: every window disappears, every timer stops, every
// nested wait or pass returns at its next chance, and no close handler runs
// again. Code that waits or loops checks hasEnded() after each yield.
class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    virtual void end() = 0;
    virtual bool hasEnded() const = 0;
};

class QtProgramEnd final : public ProgramEnd {
public:
    void end() override;
    bool hasEnded() const override { return m_ended; }

private:
    bool m_ended = false;
};

} // namespace platform
