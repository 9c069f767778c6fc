#include "TextModel.h"

#include <QtGlobal>

#include <algorithm>

namespace platform {

namespace {

constexpr char32_t kCarriageReturn = 13;
constexpr char32_t kLineFeed = 10;
constexpr qint64 kBatchGap = 64; // unchanged characters a batch's record takes in

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
    const auto after = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), position);
    return qint64(after - m_lineStarts.begin()) - 1;
}

qint64 TextModel::caretPosition(qint64 position) const
{
    position = std::clamp<qint64>(position, 0, length());
    if (position > 0 && m_text[std::size_t(position - 1)] == kCarriageReturn)
        return position - 1;
    return position;
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

// ---------------------------------------------------------------- undo

UndoHistory::UndoHistory(std::size_t limit)
    : m_limit(limit)
{
}

std::size_t UndoHistory::bytesOf(const Edit &edit)
{
    return sizeof(Edit) + edit.other.capacity() * sizeof(char32_t);
}

bool UndoHistory::joins(const Step &step, Kind kind, qint64 from, qint64 to, std::size_t inserted) const
{
    if (!m_joinable || step.kind != kind || kind == Kind::Other || step.edits.empty())
        return false;
    const Edit &last = step.edits.back();
    switch (kind) {
    case Kind::Backspace:
        return inserted == 0 && last.length == 0 && to == last.position;
    case Kind::Delete:
        return inserted == 0 && last.length == 0 && from == last.position;
    case Kind::Batch:
        return true; // a new edit of the step, or the last one extended
    case Kind::Other:
        break;
    }
    return false;
}

TextModel::LineChange UndoHistory::replace(TextModel &model, qint64 from, qint64 to, std::u32string_view text,
                                           Kind kind)
{
    from = std::clamp<qint64>(from, 0, model.length());
    to = std::clamp<qint64>(to, from, model.length());
    const std::u32string_view removed = model.view(from, to);

    // Redo has no future once something new is done.
    while (m_steps.size() > m_done) {
        m_bytes -= m_steps.back().bytes;
        m_steps.pop_back();
    }
    const bool join = m_done > 0 && joins(m_steps[m_done - 1], kind, from, to, text.size());
    if (!join) {
        Step step;
        step.kind = kind;
        step.bytes = sizeof(Step);
        m_steps.push_back(std::move(step));
        m_bytes += sizeof(Step);
        m_done = m_steps.size();
    }
    Step &step = m_steps.back();
    m_bytes -= step.bytes;
    step.bytes -= step.edits.empty() ? 0 : bytesOf(step.edits.back());

    Edit *last = step.edits.empty() ? nullptr : &step.edits.back();
    if (join && kind == Kind::Backspace) {
        last->position = from;
        last->other.insert(0, removed);
    } else if (join && kind == Kind::Delete) {
        last->other.append(removed);
    } else if (join && from >= last->position + last->length && from - (last->position + last->length) <= kBatchGap) {
        // The next replacement of a batch, where the last one ended or a
        // few characters it left as they were (a space, a line break) after.
        const qint64 gapFrom = last->position + last->length;
        last->other.append(model.view(gapFrom, from));
        last->other.append(removed);
        last->length += (from - gapFrom) + qint64(text.size());
    } else {
        if (last) {
            last->other.shrink_to_fit();
            step.bytes += bytesOf(*last);
        }
        Edit edit;
        edit.position = from;
        edit.length = qint64(text.size());
        if (kind == Kind::Batch) {
            // A batch goes on through the text: its record gets room for the
            // rest at once, instead of growing by copies of itself (copying
            // a large record stalls the screen).
            edit.other.reserve(std::size_t(model.length() - from));
        }
        edit.other.append(removed);
        step.edits.push_back(std::move(edit));
    }
    step.bytes += bytesOf(step.edits.back());
    m_bytes += step.bytes;

    const TextModel::LineChange change = model.replace(from, to, text);
    m_joinable = kind != Kind::Other;
    bound();
    return change;
}

void UndoHistory::recount(Step &step)
{
    m_bytes -= step.bytes;
    step.bytes = sizeof(Step);
    for (const Edit &edit : step.edits)
        step.bytes += bytesOf(edit);
    m_bytes += step.bytes;
}

void UndoHistory::bound()
{
    std::size_t dropped = 0;
    while (m_bytes > m_limit && m_steps.size() - dropped > 1) {
        m_bytes -= m_steps[dropped].bytes;
        ++dropped;
    }
    if (dropped == 0)
        return;
    m_steps.erase(m_steps.begin(), m_steps.begin() + std::ptrdiff_t(dropped));
    m_done = m_done > dropped ? m_done - dropped : 0;
}

namespace {

void swapIn(TextModel &model, qint64 &position, qint64 &length, std::u32string &other,
            std::vector<TextModel::LineChange> &lines)
{
    std::u32string current(model.view(position, position + length));
    lines.push_back(model.replace(position, position + length, other));
    length = qint64(other.size());
    other = std::move(current);
}

} // namespace

UndoHistory::Applied UndoHistory::undo(TextModel &model)
{
    Applied applied;
    m_joinable = false;
    if (!canUndo())
        return applied;
    Step &step = m_steps[--m_done];
    for (auto edit = step.edits.rbegin(); edit != step.edits.rend(); ++edit)
        swapIn(model, edit->position, edit->length, edit->other, applied.lines);
    recount(step);
    const Edit &last = step.edits.front();
    applied.caret = last.position + last.length;
    return applied;
}

UndoHistory::Applied UndoHistory::redo(TextModel &model)
{
    Applied applied;
    m_joinable = false;
    if (!canRedo())
        return applied;
    Step &step = m_steps[m_done++];
    for (Edit &edit : step.edits)
        swapIn(model, edit.position, edit.length, edit.other, applied.lines);
    recount(step);
    const Edit &last = step.edits.back();
    applied.caret = last.position + last.length;
    return applied;
}

void UndoHistory::clear()
{
    m_steps.clear();
    m_done = 0;
    m_bytes = 0;
    m_joinable = false;
}

} // namespace platform
