#pragma once

#include "TextModel.h"

#include <QtGlobal>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The undo history of a text model. A step is a list of edits, each a range
// of the text and the text to swap into it: undoing a step swaps its edits
// back in reverse order, which leaves each edit holding what redoing needs.
// So a step holds one version of the text it changed, whichever is not in
// the model.
//
// Memory is bounded: when the steps hold more than `limit` bytes, the oldest
// are dropped, but never the newest step, however large it is.
class UndoHistory {
public:
    enum class Kind {
        Other,     // a step of its own: typing, paste, cut, a line break
        Backspace, // deletions that join as the user holds Backspace
        Delete,    // ... or Delete
        Batch,     // replacements of a batch, joined while nothing else happens
    };

    explicit UndoHistory(std::size_t limit = kDefaultLimit);

    static constexpr std::size_t kDefaultLimit = std::size_t(32) << 20; // 32 MiB

    // Replaces [from, to) with text in the model and records it: in the open
    // step when the kinds allow joining, otherwise as a new step. Redo steps
    // are dropped.
    TextModel::LineChange replace(TextModel &model, qint64 from, qint64 to, std::u32string_view text, Kind kind);
    // A batch's replacement of one character, neither it nor the new one a
    // line break (TextModel::replaceCharacter).
    TextModel::LineChange replaceInBatch(TextModel &model, qint64 position, char32_t character);
    // The next edit starts a new step.
    void close() { m_joinable = false; }

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_steps.size(); }
    // Each returns the lines changed, in order, and where the caret goes:
    // after the text the last edit it made put in, as the toolkit's editors
    // leave it.
    struct Applied {
        std::vector<TextModel::LineChange> lines;
        qint64 caret = 0;
    };
    Applied undo(TextModel &model);
    Applied redo(TextModel &model);

    void clear();
    std::size_t steps() const { return m_steps.size(); }
    std::size_t bytes() const { return m_bytes; }

private:
    struct Edit {
        qint64 position = 0;
        qint64 length = 0;     // of the edit's text now in the model
        std::u32string other;  // the text to swap in
    };
    struct Step {
        Kind kind = Kind::Other;
        std::vector<Edit> edits;
        std::size_t bytes = 0;
    };

    static std::size_t bytesOf(const Edit &edit);
    bool joins(const Step &step, Kind kind, qint64 from, qint64 to, std::size_t inserted) const;
    bool takenIntoBatch(const TextModel &model, qint64 from, qint64 to);
    void recount(Step &step);
    void bound();

    std::size_t m_limit;
    std::vector<Step> m_steps;
    std::size_t m_done = 0;   // steps[0 .. m_done) are done, the rest undone
    std::size_t m_bytes = 0;  // held by all steps
    bool m_joinable = false;  // the last done step may take the next edit
};

} // namespace platform
