#pragma once

#include "CaseMode.h"
#include "CaseRules.h"

#include <array>
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
//
// Alternating, the ring holds a fixed pattern instead of drawn words (0x20,
// 0x00, 0x20, ... starting lower), so every unit, with case or not, takes
// its place in the rhythm. With runs limited to N, only the letters with
// case draw, one bit each from the generator's words in turn; a letter's
// bit says whether its case changes from the letter before (1) or stays (0),
// and a letter that would make the run N + 1 long changes all the same: the
// same odds as drawing each case and turning the (N + 1)-th equal one in a
// row, but it can be worked out for many letters at once.
class CaseFilter {
public:
    CaseFilter(const CaseRules &rules, std::uint64_t seed, const CaseMode &mode = CaseMode());

    // Room the output of a piece of `size` bytes may take.
    static constexpr std::size_t room(std::size_t size) { return 2 * size + 8; }

    // Converts the next piece of the stream into out, which has room(size)
    // bytes, and returns the number of bytes written. A sequence cut at the
    // end of a piece waits for the next one.
    std::size_t feed(const char *data, std::size_t size, char *out);
    // The end of the stream (out has room(0) bytes): a sequence still
    // waiting is not one.
    std::size_t finish(char *out);

    // The same, appending to a string.
    void feed(const char *data, std::size_t size, std::string &out);
    void finish(std::string &out);

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    // The next word of a xoshiro256** generator.
    static std::uint64_t xoshiro(std::uint64_t (&state)[4])
    {
        const std::uint64_t result = rotl(state[1] * 5, 7) * 9;
        const std::uint64_t t = state[1] << 17;
        state[2] ^= state[0];
        state[3] ^= state[1];
        state[1] ^= state[2];
        state[0] ^= state[3];
        state[2] ^= t;
        state[3] = rotl(state[3], 45);
        return result;
    }
    // The draws: xoshiro256** and a ring of words drawn ahead, unit n of
    // the stream taking bit 8(n mod 8) + 5 of word n / 8. Drawing ahead
    // changes nothing that shows: the words come in the same order. convert()
    // works on a copy of its own, so that what it writes (through a char
    // pointer, which may alias anything) never forces them out of the
    // registers and the cache.
    struct Draws {
        static constexpr unsigned kWords = 64;
        static constexpr unsigned kUnits = 8 * kWords;
        std::uint64_t state[4];
        std::uint64_t ring[kWords];
        unsigned next = kUnits; // the next unit's place in the ring; kUnits: none left
        bool patterned = false; // every word the pattern instead of a drawn one
        std::uint64_t pattern = 0;

        static std::uint64_t littleEndian(std::uint64_t word)
        {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
            return __builtin_bswap64(word);
#else
            return word;
#endif
        }
        std::uint64_t nextWord() { return xoshiro(state); }
        // Keeps the unused units of the ring in front and draws the rest
        // anew.
#if defined(__GNUC__)
        __attribute__((always_inline))
#endif
        void refill()
        {
            const unsigned keepFrom = next / 8;
            unsigned kept = 0;
            for (unsigned k = keepFrom; k < kWords; ++k)
                ring[kept++] = ring[k];
            if (patterned) {
                for (unsigned k = kept; k < kWords; ++k)
                    ring[k] = pattern;
            } else {
                for (unsigned k = kept; k < kWords; ++k)
                    ring[k] = littleEndian(nextWord());
            }
            next -= 8 * keepFrom;
        }
        // The ring as bytes: byte n holds unit n's draw at bit 5, as the
        // words are kept with their low byte first.
        const unsigned char *units() const { return reinterpret_cast<const unsigned char *>(ring); }
        // The draw of the next unit: 1 for lower case, 0 for upper.
        unsigned bit()
        {
            if (next >= kUnits)
                refill();
            return (units()[next++] >> 5) & 1u;
        }
        // The next `count` units' draws, a byte each at bit 5 (nothing taken
        // yet: take() says how many were used).
        const unsigned char *window(unsigned count)
        {
            if (next + count > kUnits)
                refill();
            return units() + next;
        }
        void take(unsigned units) { next += units; }
    };

    // Where runs are limited, only the letters with case draw, a bit each,
    // in turn from the generator's words: the next draws are from bit
    // Run::used of words[0] on, then words[1]'s.
    struct LetterDraws {
        std::uint64_t state[4];
        std::uint64_t words[2];
        unsigned limit = 0;      // the longest run allowed; 0: runs are not limited
        std::uint64_t every = 0; // bits 0, limit, 2 limit, ...
    };
    // The run of equal cases the last letters made, and how many draws of
    // words[0] are used.
    struct Run {
        unsigned used = 0;
        unsigned length = 0; // letters in the run; 0 before the first letter
        unsigned lower = 0;  // the run's case: 1 lower
    };
    static void skipDraws(LetterDraws &draws, Run &run, unsigned count)
    {
        run.used += count;
        if (run.used >= 64) {
            draws.words[0] = draws.words[1];
            draws.words[1] = xoshiro(draws.state);
            run.used -= 64;
        }
    }
    // The case of the next letter, 1 for lower: its draw says whether the
    // case changes, unless the run is as long as allowed.
    static unsigned nextCase(LetterDraws &draws, Run &run)
    {
        const unsigned change = (unsigned(draws.words[0] >> run.used) & 1u) | unsigned(run.length == draws.limit);
        skipDraws(draws, run, 1);
        run.lower ^= change;
        run.length = change ? 1 : run.length + 1;
        return run.lower;
    }
    // The cases of the next `count` letters (0 to 64), letter j's at bit j.
    // Only after the first letter (length > 0).
    static std::uint64_t nextCases(LetterDraws &draws, Run &run, unsigned count);

    // Converts whole units from data, up to a sequence that may continue
    // past the end; returns how many bytes were used, and the bytes written.
    std::size_t convert(const unsigned char *data, std::size_t size, bool atEnd, char *out, std::size_t *written);
    // convert() with a draw for every unit (or the pattern), and with runs
    // limited; convertUnit() converts the unit at data[i] (a run of them,
    // for two-byte letters) that the ways of many bytes at once leave, or
    // returns false for a sequence that may go on in the next piece.
    std::size_t convertDrawn(const unsigned char *data, std::size_t size, bool atEnd, char *out,
                             std::size_t *written);
    std::size_t convertLimited(const unsigned char *data, std::size_t size, bool atEnd, char *out,
                               std::size_t *written);
    std::size_t convertLimitedAvx2(const unsigned char *data, std::size_t size, bool atEnd, char *out,
                                   std::size_t *written);
    template <bool limitRuns>
    bool convertUnit(const unsigned char *data, std::size_t size, bool atEnd, std::size_t &i, char *&write,
                     Draws &draws, LetterDraws &letters, Run &run);
    static void limitedAsciiByLetter(const unsigned char *data, std::size_t &i, std::size_t end, char *&write,
                                     LetterDraws &letters, Run &run);
    std::size_t keepLimited(const LetterDraws &letters, const Run &run, std::size_t used, std::size_t length,
                            std::size_t *written);
    static void limitedAsciiAvx2(const unsigned char *data, std::size_t size, std::size_t &i, char *&write,
                                 LetterDraws &letters, Run &run);
    void makeTwoBytes();
    static std::size_t asciiRunAvx2(const unsigned char *data, std::size_t size, std::size_t i, char *&write,
                                    Draws &draws);

    const CaseRules &m_rules;
    const CaseRules::BmpCases *m_bmp = nullptr; // made when the first letter past ASCII comes
    const CaseRules::BmpCases *m_plane1 = nullptr; // ... past the BMP
    // The new forms of the two-byte sequences (U+0080 to U+07FF) as UTF-8,
    // upper and lower: small enough to stay in the fastest cache.
    struct Encoded {
        char bytes[3];
        unsigned char length; // stored right after the bytes: four bytes are copied at once
    };
    std::array<std::array<Encoded, 2>, 0x800> m_twoBytes;
    bool m_twoBytesMade = false;
    Draws m_draws;
    LetterDraws m_letters;
    Run m_run;
    unsigned char m_pending[4];
    std::size_t m_pendingSize = 0;
};

// A seed from the system's entropy.
std::uint64_t entropySeed();
