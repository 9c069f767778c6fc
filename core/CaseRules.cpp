#include "CaseRules.h"

#include <unicode/uchar.h>

#include <cstdlib>

namespace {

// The language of a locale name: what comes before "_", ".", "@" or "-".
std::string languageOf(const std::string &locale)
{
    return locale.substr(0, locale.find_first_of("_.@-"));
}

} // namespace

CaseRules::CaseRules(const std::string &locale)
    : m_dottedI(languageOf(locale) == "tr" || languageOf(locale) == "az")
{
}

std::string CaseRules::userLocale()
{
    for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char *value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "C";
}

const CaseRules &CaseRules::user()
{
    static const CaseRules rules{userLocale()};
    return rules;
}

std::string CaseRules::unicodeVersion()
{
    UVersionInfo version;
    u_getUnicodeVersion(version);
    std::string text = std::to_string(version[0]) + '.' + std::to_string(version[1]);
    if (version[2] != 0)
        text += '.' + std::to_string(version[2]);
    return text;
}

char32_t CaseRules::simpleUpper(char32_t code)
{
    return char32_t(u_toupper(UChar32(code)));
}

char32_t CaseRules::simpleLower(char32_t code)
{
    return char32_t(u_tolower(UChar32(code)));
}

const CaseRules::BmpCases &CaseRules::bmp() const
{
    if (!m_bmp) {
        auto table = std::make_shared<BmpCases>();
        for (char32_t code = 0; code < 0x10000; ++code) {
            // Surrogates have no case; nothing in the BMP maps out of it.
            (*table)[code] = {char16_t(toCase(code, true)), char16_t(toCase(code, false))};
        }
        m_bmp = std::move(table);
    }
    return *m_bmp;
}

const CaseRules::BmpCases &CaseRules::plane1() const
{
    if (!m_plane1) {
        auto table = std::make_shared<BmpCases>();
        for (char32_t low = 0; low < 0x10000; ++low) {
            const char32_t code = 0x10000 + low;
            (*table)[low] = {char16_t(toCase(code, true) - 0x10000), char16_t(toCase(code, false) - 0x10000)};
        }
        m_plane1 = std::move(table);
    }
    return *m_plane1;
}
