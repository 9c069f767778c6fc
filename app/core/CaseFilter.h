#pragma once

#include "CaseRules.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Streams UTF-8 text through the case rule, every letter in a randomly drawn
// case. Whatever is not valid UTF-8 (a stray byte, a truncated sequence, an
// overlong form, an encoded surrogate) passes byte for byte; so does
// everything that has no case. The output has as many code points as the
// input.
//
// The stream is taken in groups of eight units (a unit is a code point, or
// a byte that is not part of one); each group draws one 64-bit word from a
// xoshiro256** generator seeded once through SplitMix64, and unit j of the
// group takes its case from bit 8j + 5 of it: 0 upper, 1 lower. (Bit 5 of
// each byte is the bit that makes an ASCII letter lower case, so eight
// ASCII bytes are converted at once.) The same seed and input give the same
// output however the input is cut into pieces.
class CaseFilter {
public:
    CaseFilter(const CaseRules &rules, std::uint64_t seed);

    // Converts the next piece of the stream, appending to out. A sequence
    // cut at the end of a piece waits for the next one.
    void feed(const char *data, std::size_t size, std::string &out);
    // The end of the stream: a sequence still waiting is not one.
    void finish(std::string &out);

private:
    std::uint64_t nextWord();
    bool nextBit()
    {
        if (m_unit == 0)
            m_word = nextWord();
        const bool bit = (m_word >> (8 * m_unit + 5)) & 1u;
        m_unit = (m_unit + 1) & 7;
        return bit;
    }
    // Converts whole units from data, up to a sequence that may continue
    // past the end; returns how many bytes were used.
    std::size_t convert(const unsigned char *data, std::size_t size, bool atEnd, std::string &out);

    const CaseRules &m_rules;
    std::uint64_t m_state[4];
    std::uint64_t m_word = 0;
    int m_unit = 0; // the next unit's place in its group of eight
    unsigned char m_pending[4];
    std::size_t m_pendingSize = 0;
};

// A seed from the system's entropy.
std::uint64_t entropySeed();
