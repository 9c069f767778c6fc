#pragma once

#include <cstdint>

namespace platform {

// A pseudo-random source of single-precision values in [0, 1).
class Random {
public:
    virtual ~Random() = default;
    virtual float next() = 0;
    // Folds a seed into the current state; it never replaces the state, so
    // two reseeds with the same value still lead to different draws.
    virtual void reseed(float seed) = 0;
};

// PCG32 (XSH-RR output on a 64-bit LCG). Starts from a fixed state, so the
// first draw after start is the same at every start.
class Pcg32Random final : public Random {
public:
    Pcg32Random();
    float next() override;
    void reseed(float seed) override;

    std::uint32_t nextBits();

private:
    std::uint64_t m_state;
    std::uint64_t m_increment;
};

// The one generator the whole process shares.
Pcg32Random &processRandom();

} // namespace platform
