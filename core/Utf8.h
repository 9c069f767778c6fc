#pragma once

#include <cstddef>

// UTF-8 one character at a time, for the filter's slow path and for whoever
// hands it single characters (an input method's keys).
namespace utf8 {

// The length of a UTF-8 sequence from its first byte, 0 for a byte that
// cannot start one.
inline int sequenceLength(unsigned char lead)
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
inline char32_t decode(const unsigned char *s, int length)
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

inline char *encode(char32_t code, char *out)
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

} // namespace utf8
