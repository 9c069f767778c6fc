#include "UndoHistory.h"

#include <algorithm>

namespace platform {

namespace {

constexpr qint64 kBatchGap = 64; // unchanged characters a batch's record takes in

} // namespace


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
    if (kind == Kind::Batch && to - from == qint64(text.size()) && takenIntoBatch(model, from, to))
        return model.replace(from, to, text);
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

TextModel::LineChange UndoHistory::replaceInBatch(TextModel &model, qint64 position, char32_t character)
{
    if (takenIntoBatch(model, position, position + 1))
        return model.replaceCharacter(position, character);
    return replace(model, position, position + 1, std::u32string_view(&character, 1), Kind::Batch);
}

// A pass's next replacement by as many characters, a little after the last:
// the open batch's record takes what it replaces in the room it holds
// already, the step's size unchanged. False when it cannot.
bool UndoHistory::takenIntoBatch(const TextModel &model, qint64 from, qint64 to)
{
    if (!m_joinable || m_done == 0 || m_done != m_steps.size() || m_steps.back().kind != Kind::Batch
        || m_steps.back().edits.empty())
        return false;
    Edit &last = m_steps.back().edits.back();
    const qint64 end = last.position + last.length;
    if (from < end || from - end > kBatchGap || last.other.size() + std::size_t(to - end) > last.other.capacity())
        return false;
    last.other.append(model.view(end, to));
    last.length += to - end;
    return true;
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
