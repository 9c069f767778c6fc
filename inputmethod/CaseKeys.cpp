#include "CaseKeys.h"

namespace inputmethod {

namespace {

// A character that is typed as text: not a control (Tab, Return,
// BackSpace and Escape give those), not a surrogate, within Unicode.
bool typesText(char32_t c)
{
    return c >= 0x20 && !(c >= 0x7F && c < 0xA0) && !(c >= 0xD800 && c < 0xE000) && c < 0x110000;
}

std::size_t utf8(char32_t c, char *out)
{
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

} // namespace

CaseKeys::CaseKeys(const CaseRules &rules, std::uint64_t seed, const CaseMode &mode)
    : m_rules(rules)
{
    setMode(mode, seed);
}

void CaseKeys::setMode(const CaseMode &mode, std::uint64_t seed)
{
    m_mode = mode;
    m_filter = std::make_unique<CaseFilter>(m_rules, seed, mode);
}

bool CaseKeys::press(const Key &key, std::string &commit)
{
    // Shortcuts, and whatever goes into a secret, are the application's.
    if (key.release || key.control || key.alt || key.super || key.secret || !typesText(key.character))
        return false;
    char bytes[4];
    commit.clear();
    // A whole sequence is never held back for the next piece.
    m_filter->feed(bytes, utf8(key.character, bytes), commit);
    return true;
}

std::vector<ModeChoice> modeChoices(const CaseMode &current)
{
    std::vector<ModeChoice> choices{
        {CaseMode::random(), "Random case"},
        {CaseMode::alternate(false), "Alternating, lower case first"},
        {CaseMode::alternate(true), "Alternating, upper case first"},
        {CaseMode::limitedRuns(2), "Random, no more than 2 alike in a row"},
        {CaseMode::limitedRuns(3), "Random, no more than 3 alike in a row"},
    };
    for (const ModeChoice &choice : choices) {
        if (choice.mode.word() == current.word())
            return choices;
    }
    if (current.kind == CaseMode::Kind::MaxRun)
        choices.push_back({current, "Random, no more than " + std::to_string(current.maxRun) + " alike in a row"});
    return choices;
}

} // namespace inputmethod
