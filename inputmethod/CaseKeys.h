#pragma once

#include "core/CaseFilter.h"
#include "core/CaseMode.h"
#include "core/CaseRules.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What an input method does with each key, whichever framework hands the
// keys over (IBus today): none of it knows the framework.
namespace inputmethod {

// A key as the framework gives it: the character the user's layout makes
// of it, and what is held.
struct Key {
    char32_t character = 0; // 0 for a key that gives none (arrows, F1, Shift)
    bool release = false;
    bool control = false;
    bool alt = false;
    bool super = false;
    bool secret = false; // the field asks for a password or a PIN
};

// The letters typed, in drawn cases by the rule of "tessaly -r": one
// stream through one CaseFilter, each typed character fed on its own, so
// that alternating and limited runs go on from one key to the next as they
// go on from one character to the next in the filter, and the same seed
// types what "tessaly -r --seed N" writes for the same text.
class CaseKeys {
public:
    CaseKeys(const CaseRules &rules, std::uint64_t seed, const CaseMode &mode);

    // true and the text to commit in the key's place, for a character typed
    // as text without Ctrl, Alt or Super into a field that is not for a
    // secret: a letter in its drawn case, anything without case as it
    // came (committed all the same: a toolkit that waits for the answer
    // to a key it hands back can put it after the letters committed next,
    // "HelLoWoR lD"). false for every other key (release, shortcut,
    // editing, navigation, function key), which the application takes as
    // it came.
    bool press(const Key &key, std::string &commit);

    // Another mode: the stream starts again from the seed.
    void setMode(const CaseMode &mode, std::uint64_t seed);
    const CaseMode &mode() const { return m_mode; }

private:
    const CaseRules &m_rules;
    CaseMode m_mode;
    std::unique_ptr<CaseFilter> m_filter;
};

// The one character UTF-8 text holds; 0 for none, more, or bad bytes. A
// framework that composes keys is handed a drawn letter as a key again.
char32_t onlyCharacter(const std::string &text);

// A mode as the engine's menu offers it.
struct ModeChoice {
    CaseMode mode;
    std::string label;
};

// The menu's modes: random, alternating from either case, no more than 2
// or 3 alike in a row; and the current one where it is none of those (a
// longer run, written into the settings by hand).
std::vector<ModeChoice> modeChoices(const CaseMode &current);

} // namespace inputmethod
