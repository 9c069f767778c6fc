#include "CaseRules.h"

#include <QString>

namespace {

// Locales whose case rules differ from Unicode's simple mapping for single
// characters that keep their length (dotted and dotless i).
bool hasOwnCaseRules(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
    case QLocale::Lithuanian:
        return true;
    default:
        return false;
    }
}

} // namespace

CaseRules::CaseRules(const QLocale &locale)
    : m_locale(locale)
    , m_ownRules(hasOwnCaseRules(locale))
{
}

const CaseRules &CaseRules::user()
{
    static const CaseRules rules{QLocale()};
    return rules;
}

char32_t CaseRules::withLocale(char32_t code, bool upper) const
{
    const QString single = QString::fromUcs4(&code, 1);
    const QString converted = upper ? m_locale.toUpper(single) : m_locale.toLower(single);
    const auto codes = converted.toUcs4();
    if (codes.size() == 1)
        return codes.front();
    // The locale would change the length: the simple mapping never does.
    return upper ? QChar::toUpper(code) : QChar::toLower(code);
}
