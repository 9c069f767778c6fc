#include "CaseFilter.h"

#include "Utf8.h"

#include <algorithm>
#include <cstring>
#include <random>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

std::uint64_t splitMix64(std::uint64_t &state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// 0x20 for the ASCII letters (the bit that makes them lower case), else 0.
struct AsciiLetters {
    unsigned char mask[128];
    constexpr AsciiLetters()
        : mask{}
    {
        for (int c = 'A'; c <= 'Z'; ++c)
            mask[c] = 0x20;
        for (int c = 'a'; c <= 'z'; ++c)
            mask[c] = 0x20;
    }
};
constexpr AsciiLetters kAscii;

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x80 * kOnes;

// 0x20 in each byte of eight ASCII bytes that is a letter, else 0: a byte
// with 0x20 set lies in 'a'..'z' (no byte carries into the next, as every
// byte is below 0x80).
inline std::uint64_t asciiLetters(std::uint64_t eight)
{
    const std::uint64_t lowered = eight | (0x20 * kOnes);
    const std::uint64_t atLeastA = lowered + (0x80 - 'a') * kOnes;
    const std::uint64_t atMostZ = (0x80 + 'z') * kOnes - lowered;
    return ((atLeastA & atMostZ & kHighBits) >> 2);
}

#if defined(__GNUC__) && defined(__x86_64__)
bool hasAvx2()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

// Limited runs work out many letters' cases with a carry-less product and
// spread them back to the letters' bytes (pdep).
bool hasLimitedRunsAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2")
        && __builtin_cpu_supports("pclmul");
    return has;
}
#endif

#if defined(__SSE2__)
// Byte j holds j: lanes below a count are those the count covers.
const __m128i kLaneIndex = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
#endif


// How many of the bytes ahead are ASCII, up to an i or I where `stopAtI`.
inline std::size_t asciiLength(const unsigned char *data, std::size_t available, bool stopAtI)
{
    std::size_t length = 0;
    while (length < available && data[length] < 0x80 && !(stopAtI && (data[length] | 0x20) == 'i'))
        ++length;
    return length;
}

// Whether any of eight ASCII bytes is an i or an I.
inline bool hasAnI(std::uint64_t eight)
{
    const std::uint64_t lowered = eight | (0x20 * kOnes);
    const std::uint64_t difference = lowered ^ ('i' * kOnes);
    // A zero byte of the difference is an i: the classic test for a zero byte.
    return ((difference - kOnes) & ~difference & kHighBits) != 0;
}

// Whether the first bytes of a sequence can still become a valid one when
// the rest arrives; when they cannot, the first goes out as a stray byte
// without waiting.
bool canStillComplete(const unsigned char *s, std::size_t available, int length)
{
    for (std::size_t i = 1; i < available; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return false;
    }
    if (available >= 2) {
        // The second byte already tells overlong forms, surrogates and
        // values beyond U+10FFFF.
        if (length == 3 && s[0] == 0xE0 && s[1] < 0xA0)
            return false;
        if (length == 3 && s[0] == 0xED && s[1] >= 0xA0)
            return false;
        if (length == 4 && s[0] == 0xF0 && s[1] < 0x90)
            return false;
        if (length == 4 && s[0] == 0xF4 && s[1] >= 0x90)
            return false;
    }
    return true;
}

} // namespace

std::uint64_t entropySeed()
{
    std::random_device device;
    return (std::uint64_t(device()) << 32) ^ device();
}

CaseFilter::CaseFilter(const CaseRules &rules, std::uint64_t seed, const CaseMode &mode)
    : m_rules(rules)
{
    std::uint64_t state = seed;
    for (std::uint64_t &word : m_draws.state)
        word = splitMix64(state);
    if (mode.kind == CaseMode::Kind::Alternate) {
        m_draws.patterned = true;
        // Byte n of the ring is unit n's case, and a word holds an even
        // number of them: every word is the same.
        m_draws.pattern = (mode.startUpper ? 0x2000 : 0x0020) * 0x0001000100010001ull;
    } else if (mode.kind == CaseMode::Kind::MaxRun) {
        std::copy(std::begin(m_draws.state), std::end(m_draws.state), m_letters.state);
        m_letters.words[0] = xoshiro(m_letters.state);
        m_letters.words[1] = xoshiro(m_letters.state);
        m_letters.limit = std::clamp(mode.maxRun, 1u, CaseMode::kLongestRun);
        for (unsigned bit = 0; bit < 64; bit += m_letters.limit)
            m_letters.every |= std::uint64_t(1) << bit;
    }
}

void CaseFilter::feed(const char *data, std::size_t size, std::string &out)
{
    const std::size_t start = out.size();
    out.resize(start + room(size));
    out.resize(start + feed(data, size, out.data() + start));
}

void CaseFilter::finish(std::string &out)
{
    const std::size_t start = out.size();
    out.resize(start + room(0));
    out.resize(start + finish(out.data() + start));
}

std::size_t CaseFilter::feed(const char *data, std::size_t size, char *out)
{
    auto bytes = reinterpret_cast<const unsigned char *>(data);
    std::size_t written = 0;
    // A sequence cut at the end of the last piece is completed first, a
    // byte at a time.
    while (m_pendingSize > 0 && size > 0) {
        m_pending[m_pendingSize++] = *bytes++;
        --size;
        std::size_t wrote = 0;
        const std::size_t used = convert(m_pending, m_pendingSize, false, out + written, &wrote);
        written += wrote;
        for (std::size_t i = used; i < m_pendingSize; ++i)
            m_pending[i - used] = m_pending[i];
        m_pendingSize -= used;
    }
    std::size_t wrote = 0;
    const std::size_t used = convert(bytes, size, false, out + written, &wrote);
    written += wrote;
    for (std::size_t i = used; i < size; ++i)
        m_pending[m_pendingSize++] = bytes[i];
    return written;
}

std::size_t CaseFilter::finish(char *out)
{
    std::size_t written = 0;
    convert(m_pending, m_pendingSize, true, out, &written);
    m_pendingSize = 0;
    return written;
}

void CaseFilter::makeTwoBytes()
{
    if (!m_bmp)
        m_bmp = &m_rules.bmp();
    for (char32_t code = 0x80; code < 0x800; ++code) {
        for (int lower = 0; lower < 2; ++lower) {
            Encoded &encoded = m_twoBytes[code][lower];
            const char *end = utf8::encode((*m_bmp)[code][lower], encoded.bytes);
            encoded.length = static_cast<unsigned char>(end - encoded.bytes);
        }
    }
    m_twoBytesMade = true;
}

std::size_t CaseFilter::convert(const unsigned char *data, std::size_t size, bool atEnd, char *out,
                                std::size_t *written)
{
    if (!m_letters.limit)
        return convertDrawn(data, size, atEnd, out, written);
#if defined(__GNUC__) && defined(__x86_64__)
    // (An ASCII i that may come out as İ is not for the wide registers.)
    if (hasLimitedRunsAvx2() && !m_rules.hasDottedI())
        return convertLimitedAvx2(data, size, atEnd, out, written);
#endif
    return convertLimited(data, size, atEnd, out, written);
}

template <bool limitRuns>
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline bool CaseFilter::convertUnit(const unsigned char *data, std::size_t size, bool atEnd, std::size_t &i,
                                    char *&write, Draws &draws, LetterDraws &letters, Run &run)
{
    // The case of the unit, 1 for lower: drawn for every unit; where runs
    // are limited, only a letter with case draws, and the run may turn it.
    const auto caseOf = [&draws, &letters, &run](bool hasCase) -> unsigned {
        if constexpr (limitRuns)
            return hasCase ? nextCase(letters, run) : 0;
        else
            return draws.bit();
    };
    const bool dottedI = m_rules.hasDottedI();
    const unsigned char lead = data[i];
    if (lead >= 0xC2 && lead < 0xE0 && size - i >= 2 && (data[i + 1] & 0xC0) == 0x80) {
        // Two bytes, the most common sequence past ASCII, in a run of its
        // own (a word of Greek or Cyrillic): looked up and written back
        // without the general decoding.
        if (!m_twoBytesMade)
            makeTwoBytes();
        do {
            const unsigned code = unsigned(data[i] & 0x1F) << 6 | (data[i + 1] & 0x3F);
            const Encoded &encoded =
                m_twoBytes[code][caseOf(limitRuns && (*m_bmp)[code][0] != (*m_bmp)[code][1])];
            std::memcpy(write, encoded.bytes, 4); // the fourth is the length: written again after
            write += encoded.length;
            i += 2;
        } while (size - i >= 2 && data[i] >= 0xC2 && data[i] < 0xE0 && (data[i + 1] & 0xC0) == 0x80);
        return true;
    }
    if (lead < 0x80) {
        // ASCII: the 0x20 bit of a letter set for lower case, cleared
        // for upper case; no branch on the draw.
        const unsigned lower = caseOf(kAscii.mask[lead] != 0);
        if (dottedI && (lead == 'i' || lead == 'I')) {
            write = utf8::encode(m_rules.toCase(lead, lower == 0), write);
        } else {
            const unsigned char mask = kAscii.mask[lead];
            *write++ = char((lead & ~mask) | ((lower << 5) & mask));
        }
        ++i;
        return true;
    }
    if (lead >= 0xE0 && lead < 0xF0 && size - i >= 3 && (data[i + 1] & 0xC0) == 0x80
        && (data[i + 2] & 0xC0) == 0x80 && (lead != 0xE0 || data[i + 1] >= 0xA0)
        && (lead != 0xED || data[i + 1] < 0xA0)) {
        // Three bytes (the rest of the BMP, but for the surrogates).
        if (!m_bmp)
            m_bmp = &m_rules.bmp();
        const char32_t code = char32_t(lead & 0x0F) << 12 | char32_t(data[i + 1] & 0x3F) << 6 | (data[i + 2] & 0x3F);
        const auto &cases = (*m_bmp)[code];
        const char32_t converted = cases[caseOf(cases[0] != cases[1])];
        if (converted >= 0x800) {
            write[0] = char(0xE0 | (converted >> 12));
            write[1] = char(0x80 | ((converted >> 6) & 0x3F));
            write[2] = char(0x80 | (converted & 0x3F));
            write += 3;
        } else {
            write = utf8::encode(converted, write);
        }
        i += 3;
        return true;
    }
    if (lead == 0xF0 && size - i >= 4 && data[i + 1] >= 0x90 && data[i + 1] < 0xA0
        && (data[i + 2] & 0xC0) == 0x80 && (data[i + 3] & 0xC0) == 0x80) {
        // Four bytes of plane 1 (emoji, letters of scripts past the BMP):
        // the low sixteen bits looked up, the first byte kept.
        if (!m_plane1)
            m_plane1 = &m_rules.plane1();
        const unsigned low = unsigned(data[i + 1] & 0x0F) << 12 | unsigned(data[i + 2] & 0x3F) << 6
            | (data[i + 3] & 0x3F);
        const auto &cases = (*m_plane1)[low];
        const unsigned converted = cases[caseOf(cases[0] != cases[1])];
        write[0] = char(0xF0);
        write[1] = char(0x90 | (converted >> 12));
        write[2] = char(0x80 | ((converted >> 6) & 0x3F));
        write[3] = char(0x80 | (converted & 0x3F));
        write += 4;
        i += 4;
        return true;
    }
    const int length = utf8::sequenceLength(lead);
    const std::size_t available = size - i;
    if (length > 0 && available < std::size_t(length) && !atEnd && canStillComplete(data + i, available, length))
        return false; // the rest may come with the next piece
    const char32_t code = length > 0 && available >= std::size_t(length) ? utf8::decode(data + i, length) : 0;
    const unsigned lower = caseOf(limitRuns && m_rules.toCase(code, true) != m_rules.toCase(code, false));
    if (code == 0) {
        *write++ = char(lead); // not a whole, valid sequence: its bytes pass one by one
        ++i;
        return true;
    }
    // Planes 2 to 16 (whole sequences of the BMP and plane 1 took the
    // paths above): asked of the rule itself.
    write = utf8::encode(m_rules.toCase(code, lower == 0), write);
    i += std::size_t(length);
    return true;
}

std::size_t CaseFilter::convertDrawn(const unsigned char *data, std::size_t size, bool atEnd, char *out,
                                     std::size_t *written)
{
    // Room for the output is the caller's: a code point's new form takes at
    // most one and a half times its bytes, and nothing is written twice.
    char *write = out;
    const bool dottedI = m_rules.hasDottedI();
    Draws draws = m_draws;
    std::size_t i = 0;
    while (i < size) {
        // Runs of ASCII bytes (unless one is an i of a language whose i is
        // not ASCII's).
#if defined(__SSE2__)
        if (size - i >= 16 && data[i] < 0x80 && !dottedI) {
            // Sixteen bytes to a register: the run's bytes up to the first
            // one past ASCII, sixteen units' draws at once; thirty-two at a
            // time while the run lasts.
            const __m128i caseBit = _mm_set1_epi8(0x20);
            const __m128i beforeA = _mm_set1_epi8('a' - 1);
            const __m128i afterZ = _mm_set1_epi8('z' + 1);
            const auto letters = [&](__m128i bytes) {
                const __m128i lowered = _mm_or_si128(bytes, caseBit);
                return _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi8(lowered, beforeA), _mm_cmplt_epi8(lowered, afterZ)),
                                     caseBit);
            };
            const auto apply = [](__m128i bytes, __m128i mask, __m128i random) {
                return _mm_or_si128(_mm_andnot_si128(mask, bytes), _mm_and_si128(random, mask));
            };
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
            const int past = _mm_movemask_epi8(bytes);
            if (past == 0 && size - i >= 32) {
                bool whole = false;
#if defined(__GNUC__) && defined(__x86_64__)
                if (hasAvx2()) {
                    const std::size_t before = i;
                    i = asciiRunAvx2(data, size, i, write, draws);
                    whole = i > before;
                }
#endif
                while (size - i >= 32) {
                    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
                    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i + 16));
                    if (_mm_movemask_epi8(_mm_or_si128(first, second)) != 0)
                        break; // a byte past ASCII
                    const unsigned char *random = draws.window(32);
                    draws.take(32);
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(write),
                                     apply(first, letters(first),
                                           _mm_loadu_si128(reinterpret_cast<const __m128i *>(random))));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(write + 16),
                                     apply(second, letters(second),
                                           _mm_loadu_si128(reinterpret_cast<const __m128i *>(random + 16))));
                    write += 32;
                    i += 32;
                    whole = true;
                }
                if (whole)
                    continue;
            }
            const int take = past == 0 ? 16 : __builtin_ctz(unsigned(past)); // at least 1: data[i] is ASCII
            const __m128i lanes = _mm_cmpgt_epi8(_mm_set1_epi8(char(take)), kLaneIndex);
            const __m128i random = _mm_loadu_si128(reinterpret_cast<const __m128i *>(draws.window(16)));
            draws.take(unsigned(take));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(write),
                             apply(bytes, _mm_and_si128(letters(bytes), lanes), random));
            write += take;
            i += std::size_t(take);
            continue;
        }
#endif
        if (size - i >= 8 && data[i] < 0x80) {
            std::uint64_t eight;
            std::memcpy(&eight, data + i, 8);
            eight = Draws::littleEndian(eight);
            const std::uint64_t high = eight & kHighBits;
            const int take = high ? __builtin_ctzll(high) / 8 : 8; // at least 1: data[i] is ASCII
            const std::uint64_t mine = ~std::uint64_t(0) >> (64 - 8 * take);
            if (!(dottedI && hasAnI(eight & mine))) {
                const std::uint64_t mask = asciiLetters(eight) & mine;
                std::uint64_t random;
                std::memcpy(&random, draws.window(8), 8);
                const std::uint64_t converted = Draws::littleEndian((eight & ~mask) | (Draws::littleEndian(random) & mask));
                draws.take(unsigned(take));
                std::memcpy(write, &converted, 8); // the bytes past `take` are written again
                write += take;
                i += std::size_t(take);
                continue;
            }
        }
        if (!convertUnit<false>(data, size, atEnd, i, write, draws, m_letters, m_run))
            break;
    }
    m_draws = draws;
    *written = std::size_t(write - out);
    return i;
}

// A run of ASCII a letter at a time, where runs are limited.
inline void CaseFilter::limitedAsciiByLetter(const unsigned char *data, std::size_t &i, std::size_t end,
                                             char *&write, LetterDraws &letters, Run &run)
{
    for (; i < end; ++i) {
        const unsigned char mask = kAscii.mask[data[i]];
        const unsigned lower = mask ? nextCase(letters, run) : 0;
        *write++ = char((data[i] & ~mask) | ((lower << 5) & mask));
    }
}

// The end of a pass with limited runs, in either loop: the run state its
// copies reached is kept for the next piece.
inline std::size_t CaseFilter::keepLimited(const LetterDraws &letters, const Run &run, std::size_t used,
                                           std::size_t length, std::size_t *written)
{
    m_letters = letters;
    m_run = run;
    *written = length;
    return used;
}

std::size_t CaseFilter::convertLimited(const unsigned char *data, std::size_t size, bool atEnd, char *out,
                                       std::size_t *written)
{
    char *write = out;
    const bool dottedI = m_rules.hasDottedI();
    // Copies of their own, which the writes through a char pointer cannot
    // reach.
    LetterDraws letters = m_letters;
    Run run = m_run;
    Draws unused;
    std::size_t i = 0;
    while (i < size) {
        // A unit at a time up to the first letter; ASCII then a letter at a
        // time but for an i that may come out as İ.
        const std::size_t ascii = run.length > 0 ? asciiLength(data + i, size - i, dottedI) : 0;
        if (ascii > 0) {
            limitedAsciiByLetter(data, i, i + ascii, write, letters, run);
            continue;
        }
        if (!convertUnit<true>(data, size, atEnd, i, write, unused, letters, run))
            break;
    }
    return keepLimited(letters, run, i, std::size_t(write - out), written);
}

#if defined(__GNUC__) && defined(__x86_64__)
// Whole groups of sixty-four ASCII bytes, thirty-two to a register, on the
// processors that have the registers; the same bytes and draws as the
// narrower loops. Returns where the run stopped.
__attribute__((target("avx2"))) std::size_t CaseFilter::asciiRunAvx2(const unsigned char *data, std::size_t size,
                                                                       std::size_t i, char *&write, Draws &draws)
{
    const __m256i caseBit = _mm256_set1_epi8(0x20);
    const __m256i beforeA = _mm256_set1_epi8('a' - 1);
    const __m256i afterZ = _mm256_set1_epi8('z' + 1);
    while (size - i >= 64) {
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i));
        const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i + 32));
        if (_mm256_movemask_epi8(_mm256_or_si256(first, second)) != 0)
            break; // a byte past ASCII
        for (int half = 0; half < 2; ++half) {
            const __m256i bytes = half == 0 ? first : second;
            const unsigned char *random = draws.window(32);
            draws.take(32);
            const __m256i lowered = _mm256_or_si256(bytes, caseBit);
            const __m256i letter =
                _mm256_and_si256(_mm256_cmpgt_epi8(lowered, beforeA), _mm256_cmpgt_epi8(afterZ, lowered));
            const __m256i mask = _mm256_and_si256(letter, caseBit);
            const __m256i converted =
                _mm256_or_si256(_mm256_andnot_si256(mask, bytes),
                                _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(random)), mask));
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(write + 32 * half), converted);
        }
        write += 64;
        i += 64;
    }
    return i;
}
#endif

#if defined(__GNUC__) && defined(__x86_64__)
namespace {

// Bit 7 of each byte of two halves, the first half's in the low 32 bits.
__attribute__((target("avx2"))) inline std::uint64_t highBits(__m256i low, __m256i high)
{
    return std::uint64_t(std::uint32_t(_mm256_movemask_epi8(low)))
        | std::uint64_t(std::uint32_t(_mm256_movemask_epi8(high))) << 32;
}

// 0x20 in byte j where bit j of `cases` is set, else 0.
__attribute__((target("avx2"))) inline __m256i spreadCases(std::uint32_t cases)
{
    // Byte j takes the byte of `cases` that holds bit j, then that bit.
    const __m256i byteOfBit = _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2,
                                               2, 3, 3, 3, 3, 3, 3, 3, 3);
    const __m256i bitOfByte = _mm256_set1_epi64x(0x8040201008040201ll);
    const __m256i selected =
        _mm256_and_si256(_mm256_shuffle_epi8(_mm256_set1_epi32(int(cases)), byteOfBit), bitOfByte);
    return _mm256_and_si256(_mm256_cmpeq_epi8(selected, bitOfByte), _mm256_set1_epi8(0x20));
}

// 0x20 in the bytes that are ASCII letters, else 0.
__attribute__((target("avx2"))) inline __m256i asciiLettersAvx2(__m256i bytes)
{
    const __m256i caseBit = _mm256_set1_epi8(0x20);
    const __m256i lowered = _mm256_or_si256(bytes, caseBit);
    return _mm256_and_si256(_mm256_and_si256(_mm256_cmpgt_epi8(lowered, _mm256_set1_epi8('a' - 1)),
                                             _mm256_cmpgt_epi8(_mm256_set1_epi8('z' + 1), lowered)),
                            caseBit);
}

// The bytes with their letters' case bits from `cases` (bit j for byte j);
// letters are the bytes' 0x20 where they are letters.
__attribute__((target("avx2"))) inline void storeCases(char *to, __m256i bytes, __m256i letters, std::uint32_t cases)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to),
                        _mm256_or_si256(_mm256_andnot_si256(letters, bytes), spreadCases(cases)));
}

} // namespace

__attribute__((target("avx2,bmi2,pclmul"), always_inline)) inline std::uint64_t
CaseFilter::nextCases(LetterDraws &draws, Run &run, unsigned count)
{
    const unsigned used = run.used;
    const std::uint64_t changes = used == 0 ? draws.words[0] : (draws.words[0] >> used) | (draws.words[1] << (64 - used));
    skipDraws(draws, run, count);
    const unsigned limit = draws.limit;
    const std::uint64_t every = draws.every;
    const unsigned length = run.length;
    const std::uint64_t mine = _bzhi_u64(~std::uint64_t(0), count);
    // The letters drawn to keep the case, in runs between those drawn to
    // change it. A keep turns into a change where it would make the run
    // limit + 1 long: at every limit-th keep after a drawn change, counted
    // here from where each run of keeps starts, so no turn depends on the
    // one before. The first run of keeps goes on from the current run, as
    // if its change lay `length` letters back.
    const std::uint64_t keeps = ~changes & mine;
    const std::uint64_t first = keeps & ~(keeps + 1); // empty unless letter 0 keeps
    const auto turnsFrom = [every](unsigned at) { return at < 64 ? every << at : 0; };
    const std::uint64_t rest = keeps & ~first;
    std::uint64_t turned = 0; // in `rest`
    const std::uint64_t starts = rest & ~(rest << 1);
    if (limit <= 8) {
        // Few lengths: the runs of keeps grouped by where they start, modulo
        // the limit, with no branch.
        for (unsigned start = 0; start < limit; ++start) {
            const std::uint64_t these = starts & (every << start);
            const std::uint64_t runs = rest & ~(rest + these);
            turned |= runs & turnsFrom(start + limit - 1);
        }
    } else if (limit <= 64) {
        // Runs of limit keeps or more, seldom seen: one at a time. Bit j of
        // `reaching` says the keeps j to j + limit - 1 are all there.
        std::uint64_t reaching = rest;
        for (unsigned covered = 1; covered < limit;) {
            const unsigned step = std::min(covered, limit - covered);
            reaching &= reaching >> step;
            covered += step;
        }
        while (reaching) {
            const std::uint64_t start = reaching & (~reaching + 1);
            const std::uint64_t keepRun = rest & ~(rest + start);
            turned |= keepRun & (every * (start << (limit - 1)));
            reaching &= ~keepRun;
        }
    }
    // Only the first run's turns depend on the run so far: the rest is
    // worked out while that is still to come.
    const std::uint64_t later = (changes & mine) | turned;
    const std::uint64_t firstTurned = first & turnsFrom(limit - length);
    const std::uint64_t changed = later | firstTurned;
    // Bit j of the product with all ones: the parity of bits 0 to j.
    const std::uint64_t parity = std::uint64_t(
        _mm_cvtsi128_si64(_mm_clmulepi64_si128(_mm_cvtsi64_si128(std::int64_t(changed)), _mm_set1_epi64x(-1), 0)));
    const std::uint64_t cases = parity ^ (std::uint64_t(0) - run.lower);
    // The last case from the count of changes, not the product: the next
    // letters need not wait for it.
    run.lower ^= unsigned(__builtin_popcountll(changed)) & 1u;
    run.length = changed ? count - unsigned(63 - __builtin_clzll(changed)) : length + count;
    return cases;
}

// Runs of ASCII bytes where runs of a case are limited, up to sixty-four at
// a time: the letters' draws taken as one word, their cases worked out
// together and spread back to the letters' bytes, as long as the run of
// ASCII lasts.
__attribute__((target("avx2,bmi2,pclmul"), always_inline)) inline void
CaseFilter::limitedAsciiAvx2(const unsigned char *data, std::size_t size, std::size_t &i, char *&write,
                             LetterDraws &draws, Run &run)
{
    while (size - i >= 64) {
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i));
        const __m256i firstLetters = asciiLettersAvx2(first);
        const unsigned firstPast = unsigned(_mm256_movemask_epi8(first));
        if (firstPast != 0) {
            // The run ends in the first half (a word between letters past
            // ASCII): half the work.
            const unsigned take = unsigned(__builtin_ctz(firstPast));
            if (take == 0)
                break;
            const std::uint64_t letters =
                std::uint32_t(_mm256_movemask_epi8(_mm256_slli_epi16(firstLetters, 2))) & ((1u << take) - 1);
            if (letters) {
                const std::uint64_t cases =
                    _pdep_u64(nextCases(draws, run, unsigned(__builtin_popcountll(letters))), letters);
                storeCases(write, first, firstLetters, std::uint32_t(cases));
            } else {
                _mm256_storeu_si256(reinterpret_cast<__m256i *>(write), first);
            }
            write += take;
            i += take;
            break;
        }
        const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + i + 32));
        const __m256i secondLetters = asciiLettersAvx2(second);
        const unsigned secondPast = unsigned(_mm256_movemask_epi8(second));
        const unsigned take = secondPast ? 32 + unsigned(__builtin_ctz(secondPast)) : 64;
        // Bit 5 of the letters' bytes up to bit 7, which movemask reads.
        const std::uint64_t letters = highBits(_mm256_slli_epi16(firstLetters, 2), _mm256_slli_epi16(secondLetters, 2))
            & (~std::uint64_t(0) >> (64 - take));
        const std::uint64_t cases =
            _pdep_u64(nextCases(draws, run, unsigned(__builtin_popcountll(letters))), letters);
        storeCases(write, first, firstLetters, std::uint32_t(cases));
        storeCases(write + 32, second, secondLetters, std::uint32_t(cases >> 32));
        write += take;
        i += take;
        if (take < 64)
            break;
    }
}

// convertLimited() with runs of ASCII taken many letters at a time, where
// the ASCII letters stay ASCII.
__attribute__((target("avx2,bmi2,pclmul"))) std::size_t
CaseFilter::convertLimitedAvx2(const unsigned char *data, std::size_t size, bool atEnd, char *out,
                               std::size_t *written)
{
    char *write = out;
    LetterDraws letters = m_letters;
    Run run = m_run;
    Draws unused;
    std::size_t i = 0;
    while (i < size) {
        if (data[i] < 0x80 && run.length > 0) {
            if (size - i >= 64)
                limitedAsciiAvx2(data, size, i, write, letters, run);
            else
                limitedAsciiByLetter(data, i, i + asciiLength(data + i, size - i, false), write, letters, run);
            continue;
        }
        if (!convertUnit<true>(data, size, atEnd, i, write, unused, letters, run))
            break;
    }
    return keepLimited(letters, run, i, std::size_t(write - out), written);
}
#endif
