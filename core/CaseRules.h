#pragma once

#include <array>
#include <memory>
#include <string>

// The case rule of the whole program, the window's and the command line's:
// one code point in, one code point out, so a text never changes its
// length (no "SS" for a sharp s). Unicode's simple case mapping for every
// code point, as the installed ICU gives it, except where the
// user's language has its own rule for a single letter: in Turkish and
// Azerbaijani, i comes up as İ (U+0130) and I goes down to ı (U+0131).
class CaseRules {
public:
    // The rules of a locale by its name ("tr_TR.UTF-8", "az", "C", ...): only
    // its language counts.
    explicit CaseRules(const std::string &locale = std::string());

    // The rules of the user's locale, as the C library takes it for case:
    // LC_ALL, then LC_CTYPE, then LANG.
    static const CaseRules &user();
    static std::string userLocale();

    char32_t toCase(char32_t code, bool upper) const
    {
        if (m_dottedI && (code == 'i' || code == 'I'))
            return upper ? (code == 'i' ? 0x130 : 'I') : (code == 'I' ? 0x131 : 'i');
        return upper ? simpleUpper(code) : simpleLower(code);
    }

    // Whether an ASCII letter can change into something that is not ASCII
    // (the i of Turkish and Azerbaijani).
    bool hasDottedI() const { return m_dottedI; }

    // Upper (0) and lower (1) case of every code point of the BMP, made
    // once on first use; a code point of the BMP maps into the BMP.
    using BmpCases = std::array<std::array<char16_t, 2>, 0x10000>;
    const BmpCases &bmp() const;
    // The same for plane 1 (U+10000 to U+1FFFF), by the low 16 bits: a code
    // point of plane 1 maps into plane 1. The planes above have no case.
    const BmpCases &plane1() const;

    // The version of Unicode the rule follows: the installed ICU's ("15.0").
    static std::string unicodeVersion();

    static char32_t simpleUpper(char32_t code);
    static char32_t simpleLower(char32_t code);

private:
    bool m_dottedI = false;
    mutable std::shared_ptr<const BmpCases> m_bmp;
    mutable std::shared_ptr<const BmpCases> m_plane1;
};
