#pragma once

// What the parts of the text box (TextBox*.cpp) share: its constants and
// the helpers on text and keys. Not for users of the box.

#include "TextBox.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QTextLayout>
#include <QTextOption>

#include <memory>
#include <string_view>
#include <vector>

namespace platform {
namespace textbox {

constexpr char32_t kCarriageReturn = 13;
constexpr char32_t kLineFeed = 10;
constexpr qint64 kFrameMs = 16;      // a batch shows its edits about once a frame
constexpr int kEditsPerClockRead = 32; // ... its clock read once every so many edits
constexpr qint64 kLongLine = 2000;   // longer lines are laid out a chunk at a time
constexpr qint64 kChunk = 512;       // the length chunks are cut to
constexpr qint64 kLongestChunk = 4 * kChunk;
constexpr int kMeasureSliceMs = 4;   // widths measured while the program is idle
constexpr int kDirtyMeasureMs = 8;   // ... and right after an edit
constexpr int kCursorWidth = 1;
constexpr int kHorizontalStep = 20;

inline bool isControlCharacter(char32_t code)
{
    return QChar::category(code) == QChar::Other_Control;
}

// A character drawn together with the one before it: a chunk never starts
// with one.
inline bool joinsPrevious(char32_t code)
{
    switch (QChar::category(code)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return code == 0x200D || (code >= 0xFE00 && code <= 0xFE0F) || (code >= 0xE0100 && code <= 0xE01EF)
            || (code >= 0x1F3FB && code <= 0x1F3FF) || (code >= 0xDC00 && code <= 0xDFFF);
    }
}

inline int utf16Length(std::u32string_view text)
{
    int length = 0;
    for (const char32_t code : text)
        length += QChar::requiresSurrogates(code) ? 2 : 1;
    return length;
}

// The characters of a line as the layout gets them: a line or paragraph
// separator would break the line on the screen alone, so it shows as the
// space it stands for.
inline QString layoutText(std::u32string_view text)
{
    QString result = TextModel::toUtf16(text);
    for (QChar &unit : result) {
        if (unit == QChar::LineSeparator || unit == QChar::ParagraphSeparator)
            unit = QLatin1Char(' ');
    }
    return result;
}

// The offset in characters of a UTF-16 index of a line's text.
inline qint64 offsetOfUtf16(std::u32string_view text, int index)
{
    qint64 offset = 0;
    int units = 0;
    for (const char32_t code : text) {
        if (units >= index)
            break;
        units += QChar::requiresSurrogates(code) ? 2 : 1;
        ++offset;
    }
    return offset;
}

inline const QTextOption &plainTextOption()
{
    // The default of a plain text document, without wrapping.
    static const QTextOption option = [] {
        QTextOption result = QTextDocument().defaultTextOption();
        result.setWrapMode(QTextOption::NoWrap);
        return result;
    }();
    return option;
}

inline std::unique_ptr<QTextLayout> layOut(const QString &text, const QFont &font, qreal x)
{
    auto layout = std::make_unique<QTextLayout>(text, font);
    layout->setTextOption(plainTextOption());
    layout->setCacheEnabled(true);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    line.setLeadingIncluded(true);
    line.setLineWidth(qreal(INT_MAX) - 2 * x);
    line.setPosition(QPointF(x, 0));
    layout->endLayout();
    return layout;
}

inline bool isEditingShortcut(const QKeyEvent *event)
{
    static const QKeySequence::StandardKey shortcuts[] = {
        QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll,
        QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Delete, QKeySequence::Backspace,
        QKeySequence::DeleteEndOfWord, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfLine,
        QKeySequence::InsertParagraphSeparator, QKeySequence::InsertLineSeparator,
    };
    for (auto shortcut : shortcuts) {
        if (event->matches(shortcut))
            return true;
    }
    return false;
}

// The keys a text box keeps from the window's shortcuts, as the toolkit's
// own editors do.
inline bool isCommonTextEditShortcut(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier || modifiers == Qt::KeypadModifier) {
        if (event->key() < Qt::Key_Escape)
            return true;
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Delete:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Backspace:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Tab:
            return true;
        default:
            return false;
        }
    }
    static const QKeySequence::StandardKey shortcuts[] = {
        QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Redo, QKeySequence::Undo,
        QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord, QKeySequence::MoveToStartOfDocument,
        QKeySequence::MoveToEndOfDocument, QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord,
        QKeySequence::SelectStartOfLine, QKeySequence::SelectEndOfLine, QKeySequence::SelectStartOfBlock,
        QKeySequence::SelectEndOfBlock, QKeySequence::SelectStartOfDocument, QKeySequence::SelectEndOfDocument,
        QKeySequence::SelectAll,
    };
    for (auto shortcut : shortcuts) {
        if (event->matches(shortcut))
            return true;
    }
    return false;
}

} // namespace textbox

} // namespace platform
