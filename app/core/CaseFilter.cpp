#include "CaseFilter.h"

#include <cstring>
#include <random>

namespace {

std::uint64_t splitMix64(std::uint64_t &state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
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
std::uint64_t asciiLetters(std::uint64_t eight)
{
    const std::uint64_t lowered = eight | (0x20 * kOnes);
    const std::uint64_t atLeastA = lowered + (0x80 - 'a') * kOnes;
    const std::uint64_t atMostZ = (0x80 + 'z') * kOnes - lowered;
    return ((atLeastA & atMostZ & kHighBits) >> 2);
}

// The length of a UTF-8 sequence from its first byte, 0 for a byte that
// cannot start one.
int sequenceLength(unsigned char lead)
{
    if (lead < 0xC2)
        return 0; // continuation bytes, and the overlong leads C0 and C1
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0)
        return 3;
    if (lead < 0xF5)
        return 4;
    return 0;
}

// Decodes a complete sequence of the given length; 0 for one that is not
// valid (a bad continuation, overlong, a surrogate, beyond U+10FFFF).
char32_t decode(const unsigned char *s, int length)
{
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
    }
    switch (length) {
    case 2:
        return char32_t(s[0] & 0x1F) << 6 | (s[1] & 0x3F);
    case 3: {
        const char32_t code = char32_t(s[0] & 0x0F) << 12 | char32_t(s[1] & 0x3F) << 6 | (s[2] & 0x3F);
        return code < 0x800 || (code >= 0xD800 && code <= 0xDFFF) ? 0 : code;
    }
    case 4: {
        const char32_t code = char32_t(s[0] & 0x07) << 18 | char32_t(s[1] & 0x3F) << 12
            | char32_t(s[2] & 0x3F) << 6 | (s[3] & 0x3F);
        return code < 0x10000 || code > 0x10FFFF ? 0 : code;
    }
    default:
        return 0;
    }
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

char *encode(char32_t code, char *out)
{
    if (code < 0x80) {
        *out++ = char(code);
    } else if (code < 0x800) {
        *out++ = char(0xC0 | (code >> 6));
        *out++ = char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = char(0xE0 | (code >> 12));
        *out++ = char(0x80 | ((code >> 6) & 0x3F));
        *out++ = char(0x80 | (code & 0x3F));
    } else {
        *out++ = char(0xF0 | (code >> 18));
        *out++ = char(0x80 | ((code >> 12) & 0x3F));
        *out++ = char(0x80 | ((code >> 6) & 0x3F));
        *out++ = char(0x80 | (code & 0x3F));
    }
    return out;
}

} // namespace

std::uint64_t entropySeed()
{
    std::random_device device;
    return (std::uint64_t(device()) << 32) ^ device();
}

CaseFilter::CaseFilter(const CaseRules &rules, std::uint64_t seed)
    : m_rules(rules)
{
    std::uint64_t state = seed;
    for (std::uint64_t &word : m_state)
        word = splitMix64(state);
}

std::uint64_t CaseFilter::nextWord()
{
    // xoshiro256**
    const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
    const std::uint64_t t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = rotl(m_state[3], 45);
    return result;
}

void CaseFilter::feed(const char *data, std::size_t size, std::string &out)
{
    auto bytes = reinterpret_cast<const unsigned char *>(data);
    // A sequence cut at the end of the last piece is completed first.
    while (m_pendingSize > 0 && size > 0) {
        m_pending[m_pendingSize++] = *bytes++;
        --size;
        const std::size_t used = convert(m_pending, m_pendingSize, false, out);
        std::size_t left = m_pendingSize - used;
        for (std::size_t i = 0; i < left; ++i)
            m_pending[i] = m_pending[used + i];
        m_pendingSize = left;
        if (used > 0 && left > 0) {
            // What is left of the pending bytes is converted with the rest.
            std::string held(reinterpret_cast<const char *>(m_pending), left);
            m_pendingSize = 0;
            held.append(reinterpret_cast<const char *>(bytes), size);
            feed(held.data(), held.size(), out);
            return;
        }
    }
    const std::size_t used = convert(bytes, size, false, out);
    for (std::size_t i = used; i < size; ++i)
        m_pending[m_pendingSize++] = bytes[i];
}

void CaseFilter::finish(std::string &out)
{
    convert(m_pending, m_pendingSize, true, out);
    m_pendingSize = 0;
}

std::size_t CaseFilter::convert(const unsigned char *data, std::size_t size, bool atEnd, std::string &out)
{
    // A converted code point takes at most one and a half times its bytes.
    const std::size_t start = out.size();
    out.resize(start + 2 * size + 4);
    char *write = out.data() + start;
    std::size_t i = 0;
    while (i < size) {
        // Eight ASCII bytes starting a group: all at once.
        while (m_unit == 0 && size - i >= 8) {
            std::uint64_t eight;
            std::memcpy(&eight, data + i, 8);
            if (eight & kHighBits)
                break;
            const std::uint64_t mask = asciiLetters(eight);
            std::uint64_t random = nextWord();
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
            random = __builtin_bswap64(random); // bit 8j + 5 on the j-th byte
#endif
            eight = (eight & ~mask) | (random & mask);
            std::memcpy(write, &eight, 8);
            write += 8;
            i += 8;
        }
        if (i >= size)
            break;
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            // ASCII: the 0x20 bit of a letter set for lower case, cleared
            // for upper case.
            const unsigned char mask = kAscii.mask[lead];
            const unsigned char lower = nextBit() ? 0x20 : 0;
            *write++ = char((lead & ~mask) | (lower & mask));
            ++i;
            continue;
        }
        const int length = sequenceLength(lead);
        const std::size_t available = size - i;
        if (length > 0 && available < std::size_t(length) && !atEnd && canStillComplete(data + i, available, length))
            break; // the rest may come with the next piece
        const char32_t code = length > 0 && available >= std::size_t(length) ? decode(data + i, length) : 0;
        const bool lower = nextBit();
        if (code == 0) {
            *write++ = char(lead); // not a whole, valid sequence: its bytes pass one by one
            ++i;
            continue;
        }
        write = encode(m_rules.toCase(code, !lower), write);
        i += std::size_t(length);
    }
    out.resize(std::size_t(write - out.data()));
    return i;
}
