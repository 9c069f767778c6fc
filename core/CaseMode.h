#pragma once

#include <string>

// How the filter gives each letter its case: a fair draw for every letter;
// lower and upper case in turn; or drawn, but never more than a given
// number of letters in a row in the same case.
struct CaseMode {
    enum class Kind { Random, Alternate, MaxRun };

    static constexpr unsigned kLongestRun = 1000000;

    Kind kind = Kind::Random;
    bool startUpper = false; // Alternate: the first unit's case
    unsigned maxRun = 0;     // MaxRun: 1 to kLongestRun

    static CaseMode random() { return CaseMode(); }
    static CaseMode alternate(bool startUpper)
    {
        CaseMode mode;
        mode.kind = Kind::Alternate;
        mode.startUpper = startUpper;
        return mode;
    }
    static CaseMode limitedRuns(unsigned maxRun)
    {
        CaseMode mode;
        mode.kind = Kind::MaxRun;
        mode.maxRun = maxRun;
        return mode;
    }

    // The mode as one word, as the command line hands it to the programs it
    // starts: "random", "alternate", "alternate=upper" or "max-run=N".
    std::string word() const
    {
        switch (kind) {
        case Kind::Alternate:
            return startUpper ? "alternate=upper" : "alternate";
        case Kind::MaxRun:
            return "max-run=" + std::to_string(maxRun);
        case Kind::Random:
            break;
        }
        return "random";
    }
    // The mode a word names; false for anything else.
    static bool fromWord(const std::string &word, CaseMode &mode)
    {
        if (word == "random" || word == "alternate" || word == "alternate=upper") {
            mode = word == "random" ? random() : alternate(word == "alternate=upper");
            return true;
        }
        const std::string prefix = "max-run=";
        if (word.compare(0, prefix.size(), prefix) != 0 || word.size() == prefix.size() || word.size() > prefix.size() + 7)
            return false;
        unsigned long run = 0;
        for (std::size_t i = prefix.size(); i < word.size(); ++i) {
            if (word[i] < '0' || word[i] > '9')
                return false;
            run = run * 10 + unsigned(word[i] - '0');
        }
        if (run < 1 || run > kLongestRun)
            return false;
        mode = limitedRuns(unsigned(run));
        return true;
    }
};
