#include "TextModel.h"

#include <QtGlobal>

#include <algorithm>

namespace platform {

namespace {

constexpr char32_t kCarriageReturn = 13;
constexpr char32_t kLineFeed = 10;

// Checked after every change in a debug build; the tests check it always.
#ifdef QT_DEBUG
#define TEXT_MODEL_CHECK(model) Q_ASSERT((model).invariantsHold())
#else
#define TEXT_MODEL_CHECK(model) ((void)0)
#endif

} // namespace

TextModel::TextModel()
    : m_lineStarts{0}
{
}

char32_t TextModel::at(qint64 position) const
{
    if (position < 0 || position >= length())
        return 0;
    return m_text[std::size_t(position)];
}

std::u32string_view TextModel::view(qint64 from, qint64 to) const
{
    from = std::clamp<qint64>(from, 0, length());
    to = std::clamp<qint64>(to, from, length());
    return std::u32string_view(m_text).substr(std::size_t(from), std::size_t(to - from));
}

QString TextModel::text(qint64 from, qint64 to) const
{
    return toUtf16(view(from, to));
}

qint64 TextModel::lineEnd(qint64 line) const
{
    const std::size_t next = std::size_t(line) + 1;
    return next < m_lineStarts.size() ? m_lineStarts[next] - 2 : length();
}

qint64 TextModel::lineOf(qint64 position) const
{
    const std::size_t count = m_lineStarts.size();
    for (std::size_t line = m_lineHint; line < count && line <= m_lineHint + 1; ++line) {
        if (m_lineStarts[line] <= position && (line + 1 == count || position < m_lineStarts[line + 1]))
            return qint64(m_lineHint = line);
    }
    const auto after = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), position);
    m_lineHint = std::size_t(after - m_lineStarts.begin()) - 1;
    return qint64(m_lineHint);
}

qint64 TextModel::caretPosition(qint64 position) const
{
    position = std::clamp<qint64>(position, 0, length());
    if (position > 0 && m_text[std::size_t(position - 1)] == kCarriageReturn)
        return position - 1;
    return position;
}

TextModel::LineChange TextModel::replaceCharacter(qint64 position, char32_t character)
{
    Q_ASSERT(position >= 0 && position < length());
    Q_ASSERT(!isLineBreak(character) && !isLineBreak(m_text[std::size_t(position)]));
    m_text[std::size_t(position)] = character;
    const qint64 line = lineOf(position);
    TEXT_MODEL_CHECK(*this);
    return {line, 1, 1, position, 1, 1};
}

TextModel::LineChange TextModel::replace(qint64 from, qint64 to, std::u32string_view text)
{
    from = std::clamp<qint64>(from, 0, length());
    to = std::clamp<qint64>(to, from, length());
    LineChange change;
    change.position = from;
    change.removedLength = to - from;
    change.addedLength = qint64(text.size());
    change.first = lineOf(from);
    // Characters replaced by as many, no break among either (a pass): the
    // lines stay as they are.
    if (change.addedLength == change.removedLength && std::none_of(text.begin(), text.end(), isLineBreak)
        && std::none_of(m_text.begin() + from, m_text.begin() + to, isLineBreak)) {
        std::copy(text.begin(), text.end(), m_text.begin() + from);
        change.removed = change.added = 1;
        TEXT_MODEL_CHECK(*this);
        return change;
    }
    const qint64 lastLine = lineOf(to);
    change.removed = lastLine - change.first + 1;

    m_text.replace(std::size_t(from), std::size_t(to - from), text);
    if (m_text.capacity() > 2 * m_text.size() + 4096)
        m_text.shrink_to_fit(); // a large text replaced by a small one gives its room back

    // The starts of the lines after the edited ones move by the change of
    // length; the edited lines' own starts are found again in the new text.
    const qint64 delta = qint64(text.size()) - (to - from);
    std::vector<qint64> inserted;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == kLineFeed)
            inserted.push_back(from + qint64(i) + 1);
    }
    const auto firstAfter = m_lineStarts.begin() + std::ptrdiff_t(lastLine + 1);
    if (delta != 0) {
        for (auto it = firstAfter; it != m_lineStarts.end(); ++it)
            *it += delta;
    }
    const auto firstReplaced = m_lineStarts.begin() + std::ptrdiff_t(change.first + 1);
    if (firstReplaced != firstAfter || !inserted.empty()) {
        const auto at = m_lineStarts.erase(firstReplaced, firstAfter);
        m_lineStarts.insert(at, inserted.begin(), inserted.end());
    }
    change.added = qint64(inserted.size()) + 1;

    TEXT_MODEL_CHECK(*this);
    return change;
}

std::u32string TextModel::fromUser(const QString &text)
{
    std::u32string result;
    result.reserve(std::size_t(text.size()));
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar unit = text.at(i);
        if (unit.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate()) {
            result += QChar::surrogateToUcs4(unit, text.at(i + 1));
            ++i;
        } else if (unit == QLatin1Char('\r') || unit == QLatin1Char('\n')) {
            if (unit == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            result += kCarriageReturn;
            result += kLineFeed;
        } else {
            result += char32_t(unit.unicode());
        }
    }
    return result;
}

QString TextModel::toUtf16(std::u32string_view text)
{
    QString result;
    result.reserve(qsizetype(text.size()));
    for (const char32_t code : text) {
        if (QChar::requiresSurrogates(code)) {
            result += QChar(QChar::highSurrogate(code));
            result += QChar(QChar::lowSurrogate(code));
        } else {
            result += QChar(char16_t(code));
        }
    }
    return result;
}

bool TextModel::invariantsHold() const
{
    if (m_lineStarts.empty() || m_lineStarts.front() != 0)
        return false;
    std::size_t line = 1;
    for (std::size_t i = 0; i < m_text.size(); ++i) {
        const char32_t code = m_text[i];
        if (code == kCarriageReturn) {
            if (i + 1 >= m_text.size() || m_text[i + 1] != kLineFeed)
                return false;
        } else if (code == kLineFeed) {
            if (i == 0 || m_text[i - 1] != kCarriageReturn)
                return false;
            if (line >= m_lineStarts.size() || m_lineStarts[line] != qint64(i) + 1)
                return false;
            ++line;
        }
    }
    return line == m_lineStarts.size();
}

} // namespace platform
