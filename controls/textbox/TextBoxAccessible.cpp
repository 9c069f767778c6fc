#include "TextBoxAccessible.h"

#include "platform/desktop/Accessibility.h"
#include "TextBox.h"

#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace platform {

namespace {

// How far around an offset words and sentences are looked for: a long line
// is never read whole for them.
constexpr qint64 kReach = 2000;

// The text box as assistive technology sees it: an editable multi-line text
// whose characters are the code points of the text, each line break one
// character ("\n"), the offsets those of that text.
class TextBoxAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
public:
    explicit TextBoxAccessible(TextBox *box)
        : QAccessibleWidget(box, QAccessible::EditableText)
    {
    }

    QRect rect() const override { return platform::screenExtent(*widget()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.multiLine = true;
        state.selectableText = true;
        state.focusable = true;
        return state;
    }

    // -------------------------------------------------- text

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || box()->SelLength() == 0)
            return;
        *startOffset = int(box()->toAccessibleOffset(box()->SelStart()));
        *endOffset = int(box()->toAccessibleOffset(box()->SelStart() + box()->SelLength()));
    }

    int selectionCount() const override { return box()->SelLength() > 0 ? 1 : 0; }

    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }

    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            box()->setSelection(box()->caretPosition(), box()->caretPosition());
    }

    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex != 0)
            return;
        box()->setSelection(box()->fromAccessibleOffset(startOffset), box()->fromAccessibleOffset(endOffset));
    }

    int cursorPosition() const override { return int(box()->toAccessibleOffset(box()->caretPosition())); }

    void setCursorPosition(int position) override
    {
        const qint64 at = box()->fromAccessibleOffset(position);
        box()->setSelection(at, at);
    }

    QString text(int startOffset, int endOffset) const override
    {
        const qint64 from = box()->fromAccessibleOffset(std::max(0, startOffset));
        const qint64 to = endOffset < 0 ? box()->model().length() : box()->fromAccessibleOffset(endOffset);
        return box()->accessibleText(from, to);
    }

    int characterCount() const override { return int(box()->toAccessibleOffset(box()->model().length())); }

    QRect characterRect(int offset) const override
    {
        const QRect rect = box()->characterRect(box()->fromAccessibleOffset(offset));
        if (rect.isNull())
            return QRect();
        return platform::toScreenPixels(*box(), QRect(box()->viewport()->mapToGlobal(rect.topLeft()), rect.size()));
    }

    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = box()->viewport()->mapFromGlobal(platform::fromScreenPixels(*box(), point));
        if (!box()->viewport()->rect().contains(local))
            return -1;
        return int(box()->toAccessibleOffset(box()->positionAt(local)));
    }

    void scrollToSubstring(int startIndex, int) override
    {
        const qint64 at = box()->fromAccessibleOffset(startIndex);
        box()->setSelection(at, at);
    }

    // The text has no attributes anywhere: one run, the whole text. (A run
    // of nothing at each offset had a screen reader ask again for every
    // character of a line, a million questions for a 1 MiB line.)
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                         int *endOffset) const override
    {
        const int count = characterCount();
        *startOffset = *endOffset = -1;
        if (offset == -2)
            offset = cursorPosition();
        if (offset < 0 || offset > count)
            return QString();
        if (type == QAccessible::NoBoundary) {
            *startOffset = 0;
            *endOffset = count;
            return text(0, count);
        }
        if (type == QAccessible::CharBoundary) {
            if (offset >= count)
                return QString();
            *startOffset = offset;
            *endOffset = offset + 1;
            return text(offset, offset + 1);
        }
        const TextModel &model = box()->model();
        const qint64 position = box()->fromAccessibleOffset(offset);
        const qint64 line = model.lineOf(position);
        const qint64 lineStart = box()->toAccessibleOffset(model.lineStart(line));
        const qint64 lineEnd = box()->toAccessibleOffset(model.lineEnd(line));
        if (type == QAccessible::LineBoundary || type == QAccessible::ParagraphBoundary) {
            // The line with its break.
            *startOffset = int(lineStart);
            *endOffset = int(std::min<qint64>(count, lineEnd + 1));
            return text(*startOffset, *endOffset);
        }
        // Words and sentences: found within the line, near the offset.
        const qint64 from = std::max(lineStart, offset - kReach);
        const qint64 to = std::min(lineEnd, offset + kReach);
        const QString piece = text(int(from), int(to));
        const auto finderType =
            type == QAccessible::WordBoundary ? QTextBoundaryFinder::Word : QTextBoundaryFinder::Sentence;
        QTextBoundaryFinder finder(finderType, piece);
        const int units = unitsOf(piece, int(offset - from));
        finder.setPosition(units);
        int start = units;
        if (!finder.isAtBoundary() || start == piece.size())
            start = int(std::max<qsizetype>(0, finder.toPreviousBoundary()));
        finder.setPosition(start);
        int end = int(finder.toNextBoundary());
        if (end < 0)
            end = int(piece.size());
        *startOffset = int(from) + codePointsOf(piece, start);
        *endOffset = int(from) + codePointsOf(piece, end);
        return piece.mid(start, end - start);
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                             int *endOffset) const override
    {
        return neighbourText(offset, type, startOffset, endOffset, false);
    }

    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                            int *endOffset) const override
    {
        return neighbourText(offset, type, startOffset, endOffset, true);
    }

    // -------------------------------------------------- editing

    void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, QString()); }

    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }

    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        const qint64 from = box()->fromAccessibleOffset(startOffset);
        const qint64 to = box()->fromAccessibleOffset(endOffset);
        box()->replaceText(from, to, text);
    }

private:
    // The piece of the boundary type just before or after the one at the
    // offset; nothing (-1, -1) at either end of the text.
    QString neighbourText(int offset, QAccessible::TextBoundaryType type, int *startOffset, int *endOffset,
                          bool after) const
    {
        *startOffset = *endOffset = -1;
        if (offset == -2)
            offset = cursorPosition();
        int start = 0;
        int end = 0;
        textAtOffset(offset, type, &start, &end);
        if (after ? (end < 0 || end >= characterCount()) : start <= 0)
            return QString();
        return textAtOffset(after ? end : start - 1, type, startOffset, endOffset);
    }

    TextBox *box() const { return static_cast<TextBox *>(widget()); }

    static int unitsOf(const QString &text, int codePoints)
    {
        int units = 0;
        for (int i = 0; i < codePoints && units < text.size(); ++i)
            units += text.at(units).isHighSurrogate() && units + 1 < text.size() ? 2 : 1;
        return units;
    }

    static int codePointsOf(const QString &text, int units)
    {
        int codePoints = 0;
        for (int i = 0; i < units && i < text.size(); ++i) {
            if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate()))
                ++codePoints;
        }
        return codePoints;
    }
};

} // namespace

void installTextBoxAccessibility()
{
    installAccessibleFactory(accessibleFactoryOf<TextBoxAccessible, TextBox>);
    installScrollBarAccessibility();
}

} // namespace platform
