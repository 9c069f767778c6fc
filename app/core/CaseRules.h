#pragma once

#include <QLocale>

// The case rule of the whole program, the window's and the command line's:
// one code point in, one code point out, so a text never changes its
// length (no "SS" for a sharp s). Unicode's simple mapping, except where
// the locale's own rules keep the length: the dotted and dotless i of
// Turkish and Azerbaijani (and whatever Lithuanian changes in one letter).
class CaseRules {
public:
    explicit CaseRules(const QLocale &locale = QLocale::c());

    // The rules of the user's locale, as Qt sees it.
    static const CaseRules &user();

    char32_t toCase(char32_t code, bool upper) const
    {
        if (m_ownRules)
            return withLocale(code, upper);
        return upper ? QChar::toUpper(code) : QChar::toLower(code);
    }

private:
    char32_t withLocale(char32_t code, bool upper) const;

    QLocale m_locale;
    bool m_ownRules = false;
};
