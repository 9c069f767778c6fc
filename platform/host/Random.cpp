#include "Random.h"

#include <cstring>

namespace platform {

namespace {

constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
constexpr std::uint64_t kInitialState = 0x853c49e6748fea9bULL;
constexpr std::uint64_t kInitialIncrement = 0xda3e39cb94b95bdbULL;

std::uint64_t splitMix64(std::uint64_t value)
{
    value += 0x9e3779b97f4a7c15ULL;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

} // namespace

Pcg32Random::Pcg32Random()
    : m_state(kInitialState)
    , m_increment(kInitialIncrement)
{
}

std::uint32_t Pcg32Random::nextBits()
{
    const std::uint64_t old = m_state;
    m_state = old * kMultiplier + m_increment;
    const auto xorShifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rotation = static_cast<std::uint32_t>(old >> 59u);
    return (xorShifted >> rotation) | (xorShifted << ((32u - rotation) & 31u));
}

float Pcg32Random::next()
{
    // 24 bits fill a float's mantissa exactly, so the result stays below 1.
    return static_cast<float>(nextBits() >> 8) * (1.0f / 16777216.0f);
}

void Pcg32Random::reseed(float seed)
{
    std::uint32_t seedBits = 0;
    std::memcpy(&seedBits, &seed, sizeof seedBits);
    // Mixing the old state in keeps equal seeds from producing equal states.
    m_state = splitMix64(m_state ^ (static_cast<std::uint64_t>(seedBits) << 17)) ;
    nextBits();
}

Pcg32Random &processRandom()
{
    static Pcg32Random generator;
    return generator;
}

} // namespace platform
