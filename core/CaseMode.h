#pragma once

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
};
