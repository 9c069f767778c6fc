#include "CaseKeys.h"

#include "core/Utf8.h"

namespace inputmethod {

namespace {

// A character that is typed as text: not a control (Tab, Return,
// BackSpace and Escape give those), not a surrogate, within Unicode.
bool typesText(char32_t c)
{
    return c >= 0x20 && !(c >= 0x7F && c < 0xA0) && !(c >= 0xD800 && c < 0xE000) && c < 0x110000;
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
    m_filter->feed(bytes, std::size_t(utf8::encode(key.character, bytes) - bytes), commit);
    return true;
}

char32_t onlyCharacter(const std::string &text)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    if (text.size() == 1)
        return bytes[0] < 0x80 ? bytes[0] : 0;
    const int length = text.empty() ? 0 : utf8::sequenceLength(bytes[0]);
    return length > 0 && text.size() == std::size_t(length) ? utf8::decode(bytes, length) : 0;
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
