#include "TextBoxParts.h"

#include "TextBoxAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOption>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

namespace platform {

using namespace textbox;

// ---------------------------------------------------------------- movement

qint64 TextBox::stepWithin(qint64 position, bool forward, int mode) const
{
    // As the toolkit's editors step: within a line by its layout's cursor
    // positions (whole clusters, words), over a line break as one step.
    const qint64 line = m_model.lineOf(position);
    if (forward && position >= m_model.lineEnd(line))
        return std::min(m_model.length(), position + 2);
    if (!forward && position <= m_model.lineStart(line))
        return std::max<qint64>(0, position - 2);
    const TextLayout::Piece around = m_layout.around(position);
    const qint64 pieceStart = around.start;
    QTextLayout &layout = *around.layout;
    const std::u32string_view piece = m_model.view(pieceStart, m_model.lineEnd(line));
    const int index = utf16Length(m_model.view(pieceStart, position));
    const int next = forward ? layout.nextCursorPosition(index, QTextLayout::CursorMode(mode)) : layout.previousCursorPosition(index, QTextLayout::CursorMode(mode));
    return pieceStart + offsetOfUtf16(piece, next);
}

qint64 TextBox::nextGrapheme(qint64 position) const
{
    return stepWithin(position, true, QTextLayout::SkipCharacters);
}

qint64 TextBox::previousGrapheme(qint64 position) const
{
    return stepWithin(position, false, QTextLayout::SkipCharacters);
}

qint64 TextBox::nextWord(qint64 position) const
{
    return stepWithin(position, true, QTextLayout::SkipWords);
}

qint64 TextBox::previousWord(qint64 position) const
{
    return stepWithin(position, false, QTextLayout::SkipWords);
}

namespace {

// The characters the toolkit's editors end a word at, besides white space.
bool isWordSeparator(char32_t code)
{
    switch (code) {
    case '.': case ',': case '?': case '!': case '@': case '#': case '$': case ':': case ';': case '-':
    case '<': case '>': case '[': case ']': case '(': case ')': case '{': case '}': case '=': case '/':
    case '+': case '%': case '&': case '^': case '*': case '\'': case '"': case '`': case '~': case '|':
    case '\\':
        return true;
    default:
        return false;
    }
}

} // namespace

qint64 TextBox::startOfWordMove(qint64 position) const
{
    // As the stock editor's StartOfWord: -1 where the caret would not move.
    const qint64 line = m_model.lineOf(position);
    const qint64 start = m_model.lineStart(line);
    const qint64 end = m_model.lineEnd(line);
    if (position == start)
        return -1;
    const char32_t before = m_model.at(position - 1);
    if (position == end && (QChar::isSpace(before) || isWordSeparator(before)))
        return -1;
    const qint64 moved = previousWord(position < end ? position + 1 : position);
    return moved == position ? -1 : moved;
}

qint64 TextBox::endOfWordMove(qint64 position) const
{
    const qint64 end = m_model.lineEnd(m_model.lineOf(position));
    if (position >= end)
        return -1;
    qint64 moved = position;
    if (isWordSeparator(m_model.at(moved))) {
        ++moved;
        while (moved < end && isWordSeparator(m_model.at(moved)))
            ++moved;
    } else {
        while (moved < end && !QChar::isSpace(m_model.at(moved)) && !isWordSeparator(m_model.at(moved)))
            ++moved;
    }
    return moved == position ? -1 : moved;
}

qint64 TextBox::verticalMove(qint64 position, qint64 lines)
{
    const qint64 line = m_model.lineOf(position);
    const qint64 target = line + lines;
    if (target < 0 || target >= m_model.lineCount())
        return position; // no line above the first or below the last
    if (m_goalX < 0)
        m_goalX = m_layout.xOf(line, position);
    const qreal goal = m_goalX;
    const qint64 result = m_layout.positionAtX(target, goal);
    m_goalX = goal;
    return result;
}

qint64 TextBox::pageMove(qint64 position, int direction)
{
    // As the toolkit's editor pages: the view scrolls by the lines that fit
    // in it, and the caret keeps its place on the screen.
    ensureCaretVisible();
    const qint64 count = m_model.lineCount();
    const qreal height = viewport()->height();
    const qreal topMargin = m_topLine == 0 ? margin() : 0;
    // Pages one after another keep the row the first one started on.
    if (!m_pageRowKept)
        m_pageRow = topOfLine(m_model.lineOf(position));
    m_pageRowKept = true;
    qreal screenY = m_pageRow;
    if (direction > 0) {
        const qreal bottom = height - topMargin;
        qreal h = 0;
        qint64 line = m_topLine;
        bool atEnd = false;
        while (h + m_layout.lineHeight(line) <= bottom) {
            if (line + 1 >= count) {
                atEnd = true;
                screenY = height - topMargin;
                break;
            }
            h += m_layout.lineHeight(line);
            ++line;
        }
        if (!atEnd)
            setTopLine(line);
    } else {
        const qreal visibleTop = -topMargin - height;
        qreal h = 0;
        qint64 line = m_topLine;
        while (h >= visibleTop) {
            if (line == 0) {
                if (m_topLine == 0)
                    screenY = -1e9; // to the first line
                break;
            }
            --line;
            h -= m_layout.lineHeight(line);
        }
        if (visibleTop - h > 0 && line + 1 < count && line + 1 != m_topLine)
            ++line;
        setTopLine(line);
    }
    // Line by line, keeping the column, until the caret is back on its row.
    qint64 moved = position;
    for (;;) {
        const qint64 next = verticalMove(moved, direction);
        if (next == moved)
            break;
        moved = next;
        const qreal y = topOfLine(m_model.lineOf(moved));
        if (direction > 0 ? y >= screenY : y <= screenY)
            break;
    }
    return moved;
}

bool TextBox::navigate(QKeyEvent *event)
{
    struct Move {
        QKeySequence::StandardKey key;
        bool select;
        int what;
    };
    enum { Right, Left, WordRight, WordLeft, LineStart, LineEnd, Start, End, Down, Up, PageDown, PageUp };
    static const Move moves[] = {
        {QKeySequence::MoveToNextChar, false, Right},
        {QKeySequence::MoveToPreviousChar, false, Left},
        {QKeySequence::SelectNextChar, true, Right},
        {QKeySequence::SelectPreviousChar, true, Left},
        {QKeySequence::SelectNextWord, true, WordRight},
        {QKeySequence::SelectPreviousWord, true, WordLeft},
        {QKeySequence::SelectStartOfLine, true, LineStart},
        {QKeySequence::SelectEndOfLine, true, LineEnd},
        {QKeySequence::SelectStartOfBlock, true, LineStart},
        {QKeySequence::SelectEndOfBlock, true, LineEnd},
        {QKeySequence::SelectStartOfDocument, true, Start},
        {QKeySequence::SelectEndOfDocument, true, End},
        {QKeySequence::SelectPreviousLine, true, Up},
        {QKeySequence::SelectNextLine, true, Down},
        {QKeySequence::SelectNextPage, true, PageDown},
        {QKeySequence::SelectPreviousPage, true, PageUp},
        {QKeySequence::MoveToNextWord, false, WordRight},
        {QKeySequence::MoveToPreviousWord, false, WordLeft},
        {QKeySequence::MoveToEndOfBlock, false, LineEnd},
        {QKeySequence::MoveToStartOfBlock, false, LineStart},
        {QKeySequence::MoveToNextLine, false, Down},
        {QKeySequence::MoveToPreviousLine, false, Up},
        {QKeySequence::MoveToStartOfLine, false, LineStart},
        {QKeySequence::MoveToEndOfLine, false, LineEnd},
        {QKeySequence::MoveToStartOfDocument, false, Start},
        {QKeySequence::MoveToEndOfDocument, false, End},
        {QKeySequence::MoveToNextPage, false, PageDown},
        {QKeySequence::MoveToPreviousPage, false, PageUp},
    };
    const Move *found = nullptr;
    for (const Move &move : moves) {
        if (event->matches(move.key)) {
            found = &move;
            break;
        }
    }
    if (!found)
        return false;
    const qint64 line = m_model.lineOf(m_caret);
    const bool vertical = found->what == Down || found->what == Up || found->what == PageDown || found->what == PageUp;
    qint64 target = m_caret;
    switch (found->what) {
    case Right:
        // Without Shift a selection collapses to its end, as it does in the
        // toolkit's editors.
        target = !found->select && m_caret != m_anchor ? std::max(m_caret, m_anchor) : nextGrapheme(m_caret);
        break;
    case Left:
        target = !found->select && m_caret != m_anchor ? std::min(m_caret, m_anchor) : previousGrapheme(m_caret);
        break;
    case WordRight: target = nextWord(m_caret); break;
    case WordLeft: target = previousWord(m_caret); break;
    case LineStart: target = m_model.lineStart(line); break;
    case LineEnd: target = m_model.lineEnd(line); break;
    case Start: target = 0; break;
    case End: target = m_model.length(); break;
    case Down:
        target = line + 1 < m_model.lineCount() || !found->select ? verticalMove(m_caret, 1) : m_model.length();
        break;
    case Up: target = line > 0 || !found->select ? verticalMove(m_caret, -1) : 0; break;
    case PageDown: target = pageMove(m_caret, 1); break;
    case PageUp: target = pageMove(m_caret, -1); break;
    }
    const qreal keptGoal = vertical ? m_goalX : -1;
    const bool page = found->what == PageDown || found->what == PageUp;
    moveCaret(target, found->select);
    m_goalX = keptGoal;
    m_pageRowKept = page;
    if (found->select)
        setClipboardSelection();
    return true;
}

} // namespace platform
