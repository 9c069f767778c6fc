#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The text of a text box in the classic model: a sequence of characters, one
// Unicode code point each, where a line break is the two characters CR (13)
// and LF (10). Every length and position counts characters; positions are
// 0-based. A lone surrogate is a character of its own.
//
// Kept alongside the characters (the one cache of the model):
//   m_lineStarts[0] == 0, and m_lineStarts[i] for i > 0 is the position just
//   after the i-th LF of the text, so the list is strictly increasing and
//   holds one entry more than the text has line breaks.
// A line break is always a CR directly followed by an LF: the text holds no
// CR or LF of its own (text coming in is made so by fromUser). The debug build
// checks both after every change (invariantsHold).
class TextModel {
public:
    TextModel();

    qint64 length() const { return qint64(m_text.size()); }
    // The character at a position; 0 outside the text.
    char32_t at(qint64 position) const;
    std::u32string_view view(qint64 from, qint64 to) const;
    // UTF-16 text; a lone surrogate stays a single unit.
    QString text() const { return text(0, length()); }
    QString text(qint64 from, qint64 to) const;

    // Lines: line i runs from lineStart(i) to lineEnd(i), the position of its
    // CR (or the end of the text for the last line).
    qint64 lineCount() const { return qint64(m_lineStarts.size()); }
    qint64 lineStart(qint64 line) const { return m_lineStarts[std::size_t(line)]; }
    qint64 lineEnd(qint64 line) const;
    qint64 lineLength(qint64 line) const { return lineEnd(line) - lineStart(line); }
    qint64 lineOf(qint64 position) const;

    // A position as the box lets a caret stand: within the text, and never
    // between the CR and the LF of a line break (that goes back to the CR).
    qint64 caretPosition(qint64 position) const;

    // What a replacement did to the lines: lines first .. first + removed - 1
    // were replaced by lines first .. first + added - 1.
    struct LineChange {
        qint64 first = 0;
        qint64 removed = 0;
        qint64 added = 0;
        // The characters: at `position`, `removedLength` replaced by `addedLength`.
        qint64 position = 0;
        qint64 removedLength = 0;
        qint64 addedLength = 0;
    };
    // Replaces the characters [from, to) with `text`, which holds line breaks
    // only as CR LF pairs (see fromUser).
    LineChange replace(qint64 from, qint64 to, std::u32string_view text);
    // The same for one character over another, neither of them a line break
    // (a pass's edit, which needs nothing else).
    LineChange replaceCharacter(qint64 position, char32_t character);

    // Text from the user's side as model characters: every CR LF, lone CR and
    // lone LF becomes one CR LF; a lone surrogate stays a character.
    static std::u32string fromUser(const QString &text);
    static QString toUtf16(std::u32string_view text);
    // CR or LF: the halves of a line break.
    static bool isLineBreak(char32_t c) { return c == 13 || c == 10; }

    bool invariantsHold() const;

private:
    std::u32string m_text;
    std::vector<qint64> m_lineStarts;
    // The line lineOf found last: edits and reads go along the text, so the
    // next position is mostly in it or the next (checked, never trusted).
    mutable std::size_t m_lineHint = 0;
};

} // namespace platform
