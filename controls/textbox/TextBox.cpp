#include "TextBox.h"

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

namespace {

constexpr char32_t kCarriageReturn = 13;
constexpr char32_t kLineFeed = 10;
constexpr qint64 kFrameMs = 16;      // a batch shows its edits about once a frame
constexpr qint64 kLongLine = 2000;   // longer lines are laid out a chunk at a time
constexpr qint64 kChunk = 512;       // the length chunks are cut to
constexpr qint64 kLongestChunk = 4 * kChunk;
constexpr int kMeasureSliceMs = 4;   // widths measured while the program is idle
constexpr int kDirtyMeasureMs = 8;   // ... and right after an edit
constexpr int kCursorWidth = 1;
constexpr int kHorizontalStep = 20;

bool isControlCharacter(char32_t code)
{
    return QChar::category(code) == QChar::Other_Control;
}

// A character drawn together with the one before it: a chunk never starts
// with one.
bool joinsPrevious(char32_t code)
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

int utf16Length(std::u32string_view text)
{
    int length = 0;
    for (const char32_t code : text)
        length += QChar::requiresSurrogates(code) ? 2 : 1;
    return length;
}

// The characters of a line as the layout gets them: a line or paragraph
// separator would break the line on the screen alone, so it shows as the
// space it stands for.
QString layoutText(std::u32string_view text)
{
    QString result = TextModel::toUtf16(text);
    for (QChar &unit : result) {
        if (unit == QChar::LineSeparator || unit == QChar::ParagraphSeparator)
            unit = QLatin1Char(' ');
    }
    return result;
}

// The offset in characters of a UTF-16 index of a line's text.
qint64 offsetOfUtf16(std::u32string_view text, int index)
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

const QTextOption &plainTextOption()
{
    // The default of a plain text document, without wrapping.
    static const QTextOption option = [] {
        QTextOption result = QTextDocument().defaultTextOption();
        result.setWrapMode(QTextOption::NoWrap);
        return result;
    }();
    return option;
}

std::unique_ptr<QTextLayout> layOut(const QString &text, const QFont &font, qreal x)
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

bool isEditingShortcut(const QKeyEvent *event)
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
bool isCommonTextEditShortcut(const QKeyEvent *event)
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

} // namespace

// A piece of a long line: its length in characters and its width, -1 until
// measured.
struct TextBox::Chunk {
    qint64 length = 0;
    qreal width = -1;
};

// What the box knows of one line beyond its characters: its width, and for
// a long line its chunks. Until `measured`, the width is what the line
// measured before its last edit (0 for a new line), or for a long line
// being measured its chunks measured so far and the rest estimated from
// them: close enough for the scroll bar meanwhile.
struct TextBox::LineData {
    qreal width = 0;
    bool measured = false;
    std::unique_ptr<std::vector<Chunk>> chunks;
};

// The laid-out part of a long line: whole chunks, with the x of their left
// edge in the line (the margin included).
struct TextBox::Window {
    qint64 line = -1;
    qint64 firstChunk = 0;
    qint64 lastChunk = -1;
    qint64 start = 0; // model positions
    qint64 end = 0;
    qreal x = 0;
    std::unique_ptr<QTextLayout> layout;
};

TextBox::TextBox(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    installTextBoxAccessibility();
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setSingleStep(kHorizontalStep);
    verticalScrollBar()->setSingleStep(1);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAcceptDrops(true);
    setAcceptDrops(true);
    m_lines.resize(1);
    m_unmeasured = 1;
    m_measureTimer.setInterval(0);
    connect(&m_measureTimer, &QTimer::timeout, this, &TextBox::measureSome);
    updateScrollBars();
}

TextBox::~TextBox() = default;

// ---------------------------------------------------------------- the text model

QString TextBox::Text() const
{
    return m_model.text();
}

void TextBox::setText(const QString &text)
{
    flush();
    const bool tell = QAccessible::isActive();
    const QString removed = tell ? accessibleText(0, m_model.length()) : QString();
    linesChanged(m_model.replace(0, m_model.length(), TextModel::fromUser(text)));
    m_undo.clear();
    m_caret = m_anchor = 0;
    m_goalX = -1;
    setTopLine(0);
    horizontalScrollBar()->setValue(0);
    if (tell)
        emitAccessibleTextChange(0, removed, accessibleText(0, m_model.length()));
    afterChange();
}

qint64 TextBox::TextLength() const
{
    return m_model.length();
}

qint64 TextBox::SelStart() const
{
    return std::min(m_caret, m_anchor);
}

void TextBox::setSelStart(qint64 position)
{
    flush();
    const qint64 caret = m_model.caretPosition(position);
    setSelection(caret, caret);
}

qint64 TextBox::SelLength() const
{
    return std::abs(m_caret - m_anchor);
}

void TextBox::setSelLength(qint64 length)
{
    flush();
    const qint64 start = SelStart();
    qint64 end = std::clamp<qint64>(start + std::max<qint64>(length, 0), start, m_model.length());
    // A selection never ends between CR and LF: it takes the whole break.
    if (end > 0 && end < m_model.length() && m_model.at(end - 1) == kCarriageReturn)
        ++end;
    setSelection(start, end);
}

QString TextBox::SelText() const
{
    return m_model.text(SelStart(), SelStart() + SelLength());
}

void TextBox::setSelText(const QString &text)
{
    flush();
    replaceText(SelStart(), SelStart() + SelLength(), text);
}

void TextBox::replaceText(qint64 from, qint64 to, const QString &text)
{
    const std::u32string characters = TextModel::fromUser(text);
    edit(from, to, characters, UndoHistory::Kind::Other, from + qint64(characters.size()));
}

bool TextBox::SetFocus()
{
    if (!isVisible() || !isEnabled())
        return false;
    setFocus(Qt::OtherFocusReason);
    return true;
}

char32_t TextBox::CharAt(qint64 position) const
{
    return m_model.at(position);
}

void TextBox::ReplaceCharAt(qint64 position, const QString &replacement)
{
    if (position < 0 || position >= m_model.length())
        return;
    replaceCharacter(position, TextModel::fromUser(replacement));
}

void TextBox::ReplaceCharAt(qint64 position, char32_t replacement)
{
    if (position < 0 || position >= m_model.length())
        return;
    if (replacement == kCarriageReturn || replacement == kLineFeed) {
        replaceCharacter(position, TextModel::fromUser(QStringLiteral("\r\n")));
        return;
    }
    replaceCharacter(position, std::u32string_view(&replacement, 1));
}

void TextBox::replaceCharacter(qint64 position, std::u32string_view characters)
{
    qint64 from = position;
    qint64 to = position + 1;
    if (m_model.at(position) == kCarriageReturn || m_model.at(position) == kLineFeed) {
        from = m_model.at(position) == kLineFeed ? position - 1 : position;
        to = from + 2;
    }
    const bool batch = m_batchDepth > 0;
    if (characters == m_model.view(from, to)) {
        // Replacing a character with itself only moves the caret past it.
        moveCaret(m_model.caretPosition(to), false);
    } else {
        edit(from, to, characters, batch ? UndoHistory::Kind::Batch : UndoHistory::Kind::Other,
             from + qint64(characters.size()));
    }
    if (batch && m_frameClock.isValid() && m_frameClock.elapsed() >= kFrameMs)
        flush();
}

void TextBox::beginBatch()
{
    if (m_batchDepth++ == 0) {
        m_undo.close();
        m_batchEdited = false;
        m_batchFrom = m_batchTo = -1;
        m_frameClock.start();
    }
}

void TextBox::endBatch()
{
    if (m_batchDepth == 0)
        return;
    if (--m_batchDepth > 0)
        return;
    flush();
    m_frameClock.invalidate();
    m_undo.close();
    if (m_batchEdited && QAccessible::isActive()) {
        // One change for the whole batch instead of one for each character.
        const QString changed = accessibleText(m_batchFrom, m_batchTo);
        emitAccessibleTextChange(toAccessibleOffset(m_batchFrom), changed, changed);
        QAccessibleTextCursorEvent moved(this, int(toAccessibleOffset(m_caret)));
        QAccessible::updateAccessibility(&moved);
    }
    m_batchEdited = false;
}

void TextBox::setSelection(qint64 anchor, qint64 caret)
{
    const qint64 oldCaret = m_caret;
    const qint64 oldAnchor = m_anchor;
    m_anchor = m_model.caretPosition(anchor);
    m_caret = m_model.caretPosition(caret);
    m_goalX = -1;
    m_pageRowKept = false;
    showSelectionChange(oldCaret, oldAnchor);
}

void TextBox::setUndoLimit(std::size_t bytes)
{
    m_undo = UndoHistory(bytes);
}

qint64 TextBox::toAccessibleOffset(qint64 position) const
{
    position = std::clamp<qint64>(position, 0, m_model.length());
    return position - m_model.lineOf(position);
}

qint64 TextBox::fromAccessibleOffset(qint64 offset) const
{
    // Line L starts at accessible offset lineStart(L) - L: the last line that
    // starts at or before the offset holds it.
    qint64 low = 0;
    qint64 high = m_model.lineCount() - 1;
    while (low < high) {
        const qint64 middle = (low + high + 1) / 2;
        if (m_model.lineStart(middle) - middle <= offset)
            low = middle;
        else
            high = middle - 1;
    }
    return std::clamp<qint64>(offset + low, m_model.lineStart(low), m_model.lineEnd(low));
}

QString TextBox::accessibleText(qint64 from, qint64 to) const
{
    QString text = m_model.text(from, to);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

bool TextBox::cachesHold() const
{
    const qint64 count = m_model.lineCount();
    if (qint64(m_lines.size()) != count)
        return false;
    qint64 unmeasured = 0;
    for (qint64 line = 0; line < count; ++line) {
        const LineData &data = m_lines[std::size_t(line)];
        unmeasured += data.measured ? 0 : 1;
        if (m_widestKnown && data.width > m_widest)
            return false;
        if (!data.chunks)
            continue;
        qint64 total = 0;
        for (const Chunk &chunk : *data.chunks) {
            if (chunk.length < 0 || chunk.length > kLongestChunk)
                return false;
            total += chunk.length;
        }
        if (total != m_model.lineLength(line))
            return false;
    }
    if (unmeasured != m_unmeasured)
        return false;
    if (m_widestKnown && m_widestLine >= 0
        && (m_widestLine >= count || m_lines[std::size_t(m_widestLine)].width != m_widest))
        return false;
    for (const auto &[line, layout] : m_layouts) {
        if (line >= count)
            return false;
        const qint64 start = m_model.lineStart(line);
        if (m_preedit.isEmpty() && layout->text() != layoutText(m_model.view(start, m_model.lineEnd(line))))
            return false;
    }
    if (m_window) {
        if (m_window->line >= count || !m_lines[std::size_t(m_window->line)].chunks)
            return false;
        const std::vector<Chunk> &chunks = *m_lines[std::size_t(m_window->line)].chunks;
        if (m_window->lastChunk >= qint64(chunks.size()))
            return false;
        qint64 position = m_model.lineStart(m_window->line);
        for (qint64 i = 0; i < m_window->firstChunk; ++i)
            position += chunks[std::size_t(i)].length;
        if (position != m_window->start)
            return false;
        if (m_window->layout->text() != layoutText(m_model.view(m_window->start, m_window->end)))
            return false;
    }
    if (m_chunkHint.line >= 0 && m_chunkHint.line < count && m_lines[std::size_t(m_chunkHint.line)].chunks) {
        const std::vector<Chunk> &chunks = *m_lines[std::size_t(m_chunkHint.line)].chunks;
        if (m_chunkHint.index >= chunks.size())
            return false;
        qint64 start = 0;
        for (std::size_t i = 0; i < m_chunkHint.index; ++i)
            start += chunks[i].length;
        if (start != m_chunkHint.start)
            return false;
    }
    for (const qint64 line : m_dirty) {
        if (line < 0 || line >= count)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- editing

void TextBox::edit(qint64 from, qint64 to, std::u32string_view text, UndoHistory::Kind kind, qint64 caretAfter)
{
    from = std::clamp<qint64>(from, 0, m_model.length());
    to = std::clamp<qint64>(to, from, m_model.length());
    const bool batch = kind == UndoHistory::Kind::Batch;
    if (!batch)
        flush();
    const bool tell = QAccessible::isActive() && !batch;
    const qint64 told = tell ? toAccessibleOffset(from) : 0;
    const QString removed = tell ? accessibleText(from, to) : QString();
    if (batch) {
        // The span the batch has changed, for the one change it reports.
        const qint64 delta = qint64(text.size()) - (to - from);
        const qint64 end = from + qint64(text.size());
        if (m_batchFrom < 0) {
            m_batchFrom = from;
            m_batchTo = end;
        } else {
            m_batchTo = m_batchTo > from ? std::max(m_batchTo + delta, end) : std::max(m_batchTo, end);
            m_batchFrom = std::min(m_batchFrom, from);
        }
        m_batchEdited = true;
    }
    linesChanged(m_undo.replace(m_model, from, to, text, kind));
    // The caret goes after the new text; the selection collapses.
    m_anchor = m_caret = m_model.caretPosition(caretAfter);
    m_goalX = -1;
    m_pageRowKept = false;
    if (batch) {
        m_viewPending = true;
        return;
    }
    if (tell)
        emitAccessibleTextChange(told, removed, accessibleText(from, from + qint64(text.size())));
    afterChange();
}

void TextBox::afterChange()
{
#ifdef QT_DEBUG
    Q_ASSERT(cachesHold());
#endif
    updateScrollBars();
    ensureCaretVisible();
    startBlinking();
    viewport()->update();
    emit Change();
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, int(toAccessibleOffset(m_caret)));
        QAccessible::updateAccessibility(&moved);
    }
}

void TextBox::linesChanged(const TextModel::LineChange &change)
{
    // The per-line data follows the model's lines.
    const bool sameLines = change.removed == 1 && change.added == 1;
    if (sameLines) {
        LineData &line = m_lines[std::size_t(change.first)];
        if (line.measured)
            ++m_unmeasured;
        line.measured = false;
        if (line.chunks)
            chunksChanged(change);
        if (m_dirty.empty() || m_dirty.back() != change.first)
            m_dirty.push_back(change.first);
    } else {
        const auto first = m_lines.begin() + std::ptrdiff_t(change.first);
        for (auto it = first; it != first + std::ptrdiff_t(change.removed); ++it) {
            if (!it->measured)
                --m_unmeasured;
        }
        if (m_widestLine >= change.first)
            m_widestKnown = false;
        m_lines.erase(first, first + std::ptrdiff_t(change.removed));
        std::vector<LineData> fresh(std::size_t(change.added));
        m_lines.insert(m_lines.begin() + std::ptrdiff_t(change.first), std::make_move_iterator(fresh.begin()),
                       std::make_move_iterator(fresh.end()));
        m_unmeasured += change.added;
        m_measureFrom = std::min(m_measureFrom, change.first);
        // The lines below moved: what was noted of them goes.
        m_dirty.clear();
        m_chunkHint = ChunkHint{};
        if (change.added <= kDirtyLines) {
            for (qint64 line = change.first; line < change.first + change.added; ++line)
                m_dirty.push_back(line);
        }
    }
    // Layouts of the edited lines, and of all lines below when lines came or
    // went, are made again.
    if (!m_layouts.empty()) {
        if (sameLines)
            m_layouts.erase(change.first);
        else
            m_layouts.erase(m_layouts.lower_bound(change.first), m_layouts.end());
    }
    if (m_window && m_window->line >= change.first)
        m_window.reset();
    if (!m_measureTimer.isActive() && m_batchDepth == 0)
        m_measureTimer.start();
}

void TextBox::chunksChanged(const TextModel::LineChange &change)
{
    // Only the chunks the edit touched are measured again: they become one,
    // cut again when it grew too long.
    LineData &line = m_lines[std::size_t(change.first)];
    std::vector<Chunk> &chunks = *line.chunks;
    const qint64 lineStart = m_model.lineStart(change.first);
    const qint64 length = m_model.lineLength(change.first);
    if (length <= kLongLine / 2) {
        line.chunks.reset(); // short again: laid out whole
        m_chunkHint = ChunkHint{};
        return;
    }
    const qint64 offset = change.position - lineStart;
    // Edits go along a line (a batch, typing): the search starts where the
    // last one ended.
    std::size_t first = 0;
    qint64 start = 0;
    if (m_chunkHint.line == change.first && m_chunkHint.index < chunks.size() && m_chunkHint.start <= offset) {
        first = m_chunkHint.index;
        start = m_chunkHint.start;
    }
    while (first + 1 < chunks.size() && start + chunks[first].length <= offset) {
        start += chunks[first].length;
        ++first;
    }
    std::size_t last = first;
    qint64 end = start + chunks[first].length;
    while (last + 1 < chunks.size() && end < offset + change.removedLength) {
        ++last;
        end += chunks[last].length;
    }
    const qint64 merged = end - start + change.addedLength - change.removedLength;
    m_chunkHint = ChunkHint{change.first, first, start};
    chunks.erase(chunks.begin() + std::ptrdiff_t(first) + 1, chunks.begin() + std::ptrdiff_t(last) + 1);
    chunks[first] = Chunk{merged, -1};
    if (merged > kLongestChunk) {
        std::vector<Chunk> pieces;
        qint64 from = lineStart + start;
        const qint64 to = from + merged;
        while (from < to) {
            qint64 cut = std::min(to, from + kChunk);
            while (cut < to && cut - from < kLongestChunk && joinsPrevious(m_model.at(cut)))
                ++cut;
            pieces.push_back(Chunk{cut - from, -1});
            from = cut;
        }
        chunks.erase(chunks.begin() + std::ptrdiff_t(first));
        chunks.insert(chunks.begin() + std::ptrdiff_t(first), pieces.begin(), pieces.end());
    } else if (merged == 0 && chunks.size() > 1) {
        chunks.erase(chunks.begin() + std::ptrdiff_t(first));
    }
}

void TextBox::flush()
{
    if (!m_viewPending)
        return;
    m_viewPending = false;
    updateScrollBars();
    ensureCaretVisible();
    startBlinking();
    viewport()->update();
    emit Change();
    if (m_frameClock.isValid())
        m_frameClock.start();
}

void TextBox::moveCaret(qint64 caret, bool keepAnchor)
{
    const qint64 oldCaret = m_caret;
    const qint64 oldAnchor = m_anchor;
    m_caret = m_model.caretPosition(caret);
    if (!keepAnchor)
        m_anchor = m_caret;
    if (m_batchDepth > 0) {
        m_viewPending = true;
        return;
    }
    showSelectionChange(oldCaret, oldAnchor);
}

void TextBox::showSelectionChange(qint64 oldCaret, qint64 oldAnchor)
{
    if (oldCaret == m_caret && oldAnchor == m_anchor)
        return;
    ensureCaretVisible();
    startBlinking();
    viewport()->update();
    if (QAccessible::isActive()) {
        if (oldCaret != m_caret) {
            QAccessibleTextCursorEvent moved(this, int(toAccessibleOffset(m_caret)));
            QAccessible::updateAccessibility(&moved);
        }
        if (oldAnchor != oldCaret || m_anchor != m_caret) {
            QAccessibleTextSelectionEvent selection(this, int(toAccessibleOffset(SelStart())),
                                                    int(toAccessibleOffset(SelStart() + SelLength())));
            QAccessible::updateAccessibility(&selection);
        }
    }
    QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImCursorPosition | Qt::ImAnchorPosition);
}

void TextBox::emitAccessibleTextChange(qint64 from, const QString &removed, const QString &inserted)
{
    if (!QAccessible::isActive())
        return;
    if (removed.isEmpty() && inserted.isEmpty())
        return;
    if (removed.isEmpty()) {
        QAccessibleTextInsertEvent event(this, int(from), inserted);
        QAccessible::updateAccessibility(&event);
    } else if (inserted.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, int(from), removed);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(this, int(from), removed, inserted);
        QAccessible::updateAccessibility(&event);
    }
}

void TextBox::typeCodePoints(const QString &text)
{
    for (char32_t code : text.toUcs4()) {
        if (isControlCharacter(code))
            continue; // control characters are never inserted
        if (m_keyPressHook)
            m_keyPressHook(code);
        if (code != 0)
            setSelText(QString::fromUcs4(&code, 1));
    }
}

void TextBox::insertFromUser(const QString &text)
{
    replaceText(SelStart(), SelStart() + SelLength(), text);
}

void TextBox::insertFromMimeData(const QMimeData *source)
{
    // The data may come from another program that serves it once, or not
    // at all: it is asked for once, and no data or no text pastes nothing.
    if (!source)
        return;
    const QString text = source->text();
    if (text.isEmpty())
        return;
    insertFromUser(text);
}

void TextBox::deleteBackward(bool word)
{
    if (m_caret != m_anchor) {
        edit(SelStart(), SelStart() + SelLength(), {}, UndoHistory::Kind::Backspace, SelStart());
        return;
    }
    if (m_caret == 0)
        return;
    qint64 from = word ? previousWord(m_caret) : m_caret - 1;
    // One code point at a time; a line break goes whole.
    if (!word && m_model.at(from) == kLineFeed)
        --from;
    edit(from, m_caret, {}, word ? UndoHistory::Kind::Other : UndoHistory::Kind::Backspace, from);
}

void TextBox::deleteForward(bool word)
{
    if (m_caret != m_anchor) {
        edit(SelStart(), SelStart() + SelLength(), {}, UndoHistory::Kind::Delete, SelStart());
        return;
    }
    if (m_caret >= m_model.length())
        return;
    const qint64 to = word ? nextWord(m_caret) : nextGrapheme(m_caret);
    edit(m_caret, to, {}, word ? UndoHistory::Kind::Other : UndoHistory::Kind::Delete, m_caret);
}

void TextBox::undo()
{
    flush();
    showApplied(m_undo.undo(m_model));
}

void TextBox::redo()
{
    flush();
    showApplied(m_undo.redo(m_model));
}

void TextBox::showApplied(const UndoHistory::Applied &applied)
{
    for (const TextModel::LineChange &change : applied.lines)
        linesChanged(change);
    if (applied.lines.empty())
        return;
    m_anchor = m_caret = m_model.caretPosition(applied.caret);
    afterChange();
    if (QAccessible::isActive()) {
        QAccessibleEvent reset(this, QAccessible::TextUpdated);
        QAccessible::updateAccessibility(&reset);
    }
}

void TextBox::copy() const
{
    if (m_caret == m_anchor)
        return;
    QString text = SelText();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QGuiApplication::clipboard()->setText(text);
}

void TextBox::cut()
{
    if (m_caret == m_anchor)
        return;
    copy();
    edit(SelStart(), SelStart() + SelLength(), {}, UndoHistory::Kind::Other, SelStart());
}

void TextBox::paste()
{
    const QPointer<TextBox> alive(this);
    const QMimeData *source = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!alive)
        return;
    insertFromMimeData(source);
}

void TextBox::selectAll()
{
    setSelection(0, m_model.length());
    setClipboardSelection();
}

void TextBox::setClipboardSelection()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (m_caret == m_anchor || !clipboard->supportsSelection())
        return;
    QString text = SelText();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    clipboard->setText(text, QClipboard::Selection);
}

// ---------------------------------------------------------------- movement

QTextLayout &TextBox::layoutAround(qint64 position, qint64 &pieceStart) const
{
    // The whole line when it is short; around the position when it is long,
    // far enough for any word.
    const qint64 line = m_model.lineOf(position);
    const qint64 start = m_model.lineStart(line);
    const qint64 end = m_model.lineEnd(line);
    if (!isLong(line)) {
        pieceStart = start;
        return lineLayout(line);
    }
    pieceStart = std::max(start, position - 256);
    const qint64 pieceEnd = std::min(end, position + 256);
    m_scratchLayout = layOut(layoutText(m_model.view(pieceStart, pieceEnd)), font(), margin());
    return *m_scratchLayout;
}

qint64 TextBox::stepWithin(qint64 position, bool forward, int mode) const
{
    // As the toolkit's editors step: within a line by its layout's cursor
    // positions (whole clusters, words), over a line break as one step.
    const qint64 line = m_model.lineOf(position);
    if (forward && position >= m_model.lineEnd(line))
        return std::min(m_model.length(), position + 2);
    if (!forward && position <= m_model.lineStart(line))
        return std::max<qint64>(0, position - 2);
    qint64 pieceStart = 0;
    QTextLayout &layout = layoutAround(position, pieceStart);
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
        m_goalX = xOf(line, position);
    const qreal goal = m_goalX;
    const qint64 result = positionAtX(target, goal);
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
        while (h + lineHeight(line) <= bottom) {
            if (line + 1 >= count) {
                atEnd = true;
                screenY = height - topMargin;
                break;
            }
            h += lineHeight(line);
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
            h -= lineHeight(line);
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

// ---------------------------------------------------------------- layout

bool TextBox::isLong(qint64 line) const
{
    return m_model.lineLength(line) > kLongLine || m_lines[std::size_t(line)].chunks != nullptr;
}

QTextLayout &TextBox::lineLayout(qint64 line) const
{
    auto found = m_layouts.find(line);
    if (found == m_layouts.end()) {
        const qint64 start = m_model.lineStart(line);
        QString text = layoutText(m_model.view(start, m_model.lineEnd(line)));
        std::unique_ptr<QTextLayout> layout;
        if (!m_preedit.isEmpty() && m_model.lineOf(m_caret) == line) {
            layout = std::make_unique<QTextLayout>(text, font());
            layout->setPreeditArea(utf16Length(m_model.view(start, m_caret)), m_preedit);
            layout->setTextOption(plainTextOption());
            layout->beginLayout();
            QTextLine textLine = layout->createLine();
            textLine.setLeadingIncluded(true);
            textLine.setLineWidth(qreal(INT_MAX) - 2 * margin());
            textLine.setPosition(QPointF(margin(), 0));
            layout->endLayout();
        } else {
            layout = layOut(text, font(), margin());
        }
        found = m_layouts.emplace(line, std::move(layout)).first;
        if (!m_lines[std::size_t(line)].measured && m_preedit.isEmpty() && m_batchDepth == 0)
            setWidth(line, found->second->lineAt(0).naturalTextWidth(), true);
    }
    return *found->second;
}

void TextBox::buildChunks(qint64 line) const
{
    LineData &data = m_lines[std::size_t(line)];
    const qint64 start = m_model.lineStart(line);
    const qint64 end = m_model.lineEnd(line);
    auto chunks = std::make_unique<std::vector<Chunk>>();
    qint64 from = start;
    while (from < end) {
        qint64 to = std::min(end, from + kChunk);
        while (to < end && to - from < kLongestChunk && joinsPrevious(m_model.at(to)))
            ++to;
        chunks->push_back(Chunk{to - from, -1});
        from = to;
    }
    if (chunks->empty())
        chunks->push_back(Chunk{0, 0});
    data.chunks = std::move(chunks);
    if (m_chunkHint.line == line)
        m_chunkHint = ChunkHint{};
}

void TextBox::measureChunk(qint64 line, std::size_t index) const
{
    std::vector<Chunk> &chunks = *m_lines[std::size_t(line)].chunks;
    qint64 from = m_model.lineStart(line);
    for (std::size_t i = 0; i < index; ++i)
        from += chunks[i].length;
    const QString text = layoutText(m_model.view(from, from + chunks[index].length));
    chunks[index].width = layOut(text, font(), 0)->lineAt(0).naturalTextWidth();
}

void TextBox::setWidth(qint64 line, qreal width, bool measured) const
{
    LineData &data = m_lines[std::size_t(line)];
    if (measured && !data.measured) {
        --m_unmeasured;
        data.measured = true;
    }
    if (line == m_widestLine && width < data.width)
        m_widestKnown = false;
    data.width = width;
    if (width > m_widest) {
        m_widest = width;
        m_widestLine = line;
    }
}

bool TextBox::measure(qint64 line, const QElapsedTimer &clock, qint64 budgetMs) const
{
    LineData &data = m_lines[std::size_t(line)];
    if (data.measured)
        return true;
    if (!isLong(line)) {
        const auto found = m_layouts.find(line);
        const qint64 start = m_model.lineStart(line);
        setWidth(line,
                 found != m_layouts.end()
                     ? found->second->lineAt(0).naturalTextWidth()
                     : layOut(layoutText(m_model.view(start, m_model.lineEnd(line))), font(), 0)->lineAt(0).naturalTextWidth(),
                 true);
        return true;
    }
    if (!data.chunks)
        buildChunks(line);
    // One chunk at least, whatever the budget, so that the rest can be
    // estimated from it.
    qreal known = 0;
    qint64 knownLength = 0;
    qint64 unknownLength = 0;
    bool measuredOne = false;
    for (std::size_t i = 0; i < data.chunks->size(); ++i) {
        Chunk &chunk = (*data.chunks)[i];
        if (chunk.width < 0 && (!measuredOne || clock.elapsed() < budgetMs)) {
            measureChunk(line, i);
            measuredOne = true;
        }
        if (chunk.width < 0) {
            unknownLength += chunk.length;
        } else {
            known += chunk.width;
            knownLength += chunk.length;
        }
    }
    if (unknownLength == 0) {
        setWidth(line, known, true);
        return true;
    }
    // The rest another time; meanwhile its characters are taken to be as
    // wide as those measured, so that the scroll bar reaches about the end
    // of the line at once.
    const qreal perCharacter = knownLength > 0 ? known / qreal(knownLength) : fontMetrics().averageCharWidth();
    setWidth(line, known + perCharacter * qreal(unknownLength), false);
    return false;
}

qreal TextBox::defaultLineHeight() const
{
    if (m_defaultLineHeight < 0) {
        const auto layout = layOut(QStringLiteral(" "), font(), 0);
        const QTextLine line = layout->lineAt(0);
        m_defaultLineHeight = line.height() + (line.leading() < 0 ? std::ceil(line.leading()) : 0);
    }
    return m_defaultLineHeight;
}

qreal TextBox::lineHeight(qint64 line) const
{
    if (isLong(line))
        return defaultLineHeight();
    const QTextLine textLine = lineLayout(line).lineAt(0);
    return textLine.height() + (textLine.leading() < 0 ? std::ceil(textLine.leading()) : 0);
}

const TextBox::Window &TextBox::window(qint64 line, qint64 firstChunk, qint64 lastChunk) const
{
    if (m_window && m_window->line == line && m_window->firstChunk == firstChunk && m_window->lastChunk == lastChunk)
        return *m_window;
    LineData &data = m_lines[std::size_t(line)];
    if (!data.chunks)
        buildChunks(line);
    std::vector<Chunk> &chunks = *data.chunks;
    auto window = std::make_unique<Window>();
    window->line = line;
    window->firstChunk = firstChunk;
    window->lastChunk = lastChunk;
    qint64 position = m_model.lineStart(line);
    qreal x = margin();
    for (qint64 i = 0; i < firstChunk; ++i) {
        if (chunks[std::size_t(i)].width < 0)
            measureChunk(line, std::size_t(i));
        x += chunks[std::size_t(i)].width;
        position += chunks[std::size_t(i)].length;
    }
    window->start = position;
    for (qint64 i = firstChunk; i <= lastChunk; ++i)
        position += chunks[std::size_t(i)].length;
    window->end = position;
    window->x = x;
    window->layout = layOut(layoutText(m_model.view(window->start, window->end)), font(), x);
    m_window = std::move(window);
    return *m_window;
}

qreal TextBox::xOf(qint64 line, qint64 position) const
{
    const qint64 start = m_model.lineStart(line);
    if (!isLong(line))
        return lineLayout(line).lineAt(0).cursorToX(utf16Length(m_model.view(start, position)));
    LineData &data = m_lines[std::size_t(line)];
    if (!data.chunks)
        buildChunks(line);
    const std::vector<Chunk> &chunks = *data.chunks;
    qint64 from = start;
    qint64 index = 0;
    while (index + 1 < qint64(chunks.size()) && from + chunks[std::size_t(index)].length <= position) {
        from += chunks[std::size_t(index)].length;
        ++index;
    }
    const Window &piece = window(line, std::max<qint64>(0, index - 1), std::min<qint64>(qint64(chunks.size()) - 1, index + 1));
    return piece.layout->lineAt(0).cursorToX(utf16Length(m_model.view(piece.start, position)));
}

qint64 TextBox::positionAtX(qint64 line, qreal x) const
{
    const qint64 start = m_model.lineStart(line);
    if (!isLong(line)) {
        const int index = lineLayout(line).lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
        return start + offsetOfUtf16(m_model.view(start, m_model.lineEnd(line)), index);
    }
    LineData &data = m_lines[std::size_t(line)];
    if (!data.chunks)
        buildChunks(line);
    std::vector<Chunk> &chunks = *data.chunks;
    qreal left = margin();
    qint64 index = 0;
    for (; index + 1 < qint64(chunks.size()); ++index) {
        if (chunks[std::size_t(index)].width < 0)
            measureChunk(line, std::size_t(index));
        if (left + chunks[std::size_t(index)].width > x)
            break;
        left += chunks[std::size_t(index)].width;
    }
    const Window &piece = window(line, std::max<qint64>(0, index - 1), std::min<qint64>(qint64(chunks.size()) - 1, index + 1));
    const int offset = piece.layout->lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
    return piece.start + offsetOfUtf16(m_model.view(piece.start, piece.end), offset);
}

qreal TextBox::topOfLine(qint64 line) const
{
    // The first line of the text sits below the top margin; a text scrolled
    // down starts at the top edge. Lines far from the screen are not laid
    // out to say where they would be.
    qreal y = m_topLine == 0 ? margin() : 0;
    const qint64 far = std::max<qint64>(64, 2 * verticalScrollBar()->pageStep());
    if (line > m_topLine + far || line < m_topLine - far)
        return y + qreal(line - m_topLine) * defaultLineHeight();
    if (line >= m_topLine) {
        for (qint64 l = m_topLine; l < line; ++l)
            y += lineHeight(l);
    } else {
        for (qint64 l = line; l < m_topLine; ++l)
            y -= lineHeight(l);
    }
    return y;
}

qint64 TextBox::lineAtY(qreal y) const
{
    qreal top = m_topLine == 0 ? margin() : 0;
    qint64 line = m_topLine;
    if (y < top) {
        while (line > 0 && y < top) {
            --line;
            top -= lineHeight(line);
        }
        return line;
    }
    while (line + 1 < m_model.lineCount()) {
        const qreal height = lineHeight(line);
        if (y < top + height)
            return line;
        top += height;
        ++line;
    }
    return line;
}

qreal TextBox::contentWidth() const
{
    if (!m_widestKnown) {
        m_widest = 0;
        m_widestLine = -1;
        for (std::size_t line = 0; line < m_lines.size(); ++line) {
            if (m_lines[line].width > m_widest) {
                m_widest = m_lines[line].width;
                m_widestLine = qint64(line);
            }
        }
        m_widestKnown = true;
    }
    return m_widest + 2 * margin();
}

void TextBox::forgetLayouts()
{
    m_layouts.clear();
    m_window.reset();
    m_defaultLineHeight = -1;
    for (LineData &line : m_lines) {
        line.measured = false;
        line.chunks.reset();
    }
    m_unmeasured = qint64(m_lines.size());
    m_measureFrom = 0;
    m_chunkHint = ChunkHint{};
}

void TextBox::measureSome()
{
    // Widths of lines not shown yet, a few milliseconds at a time, so that
    // the horizontal scroll bar reaches the widest line without a pause.
    if (m_batchDepth > 0 || m_unmeasured <= 0) {
        m_measureTimer.stop();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    const qint64 count = m_model.lineCount();
    const qreal before = contentWidth();
    qint64 line = std::clamp<qint64>(m_measureFrom, 0, count);
    qint64 scanned = 0;
    while (m_unmeasured > 0 && scanned < count && clock.elapsed() < kMeasureSliceMs) {
        if (line >= count)
            line = 0;
        if (!measure(line, clock, kMeasureSliceMs))
            break;
        ++line;
        ++scanned;
    }
    m_measureFrom = line;
    if (contentWidth() != before)
        updateScrollBars();
    // A whole round with nothing left to measure ends the work for good.
    if (m_unmeasured <= 0 || scanned >= count)
        m_measureTimer.stop();
}

void TextBox::updateScrollBars()
{
    QScrollBar *vbar = verticalScrollBar();
    QScrollBar *hbar = horizontalScrollBar();
    const qint64 count = m_model.lineCount();
    qint64 maximum = 0;
    int pageStep = 0;
    if (isVisible()) {
        // As many lines from the end as fit in the viewport below the margin.
        const qreal visible = viewport()->height() - margin() - 1;
        qreal y = 0;
        qint64 fromBottom = 0;
        for (qint64 line = count - 1; line >= 0; --line) {
            y += lineHeight(line) + (line == count - 1 ? margin() : 0);
            if (y > visible)
                break;
            ++fromBottom;
        }
        maximum = std::max<qint64>(0, count - fromBottom);
        pageStep = int(std::min<qint64>(fromBottom, INT_MAX));
    } else {
        maximum = std::max<qint64>(0, count - 1);
        const int spacing = fontMetrics().lineSpacing();
        pageStep = spacing != 0 ? viewport()->height() / spacing : 0;
    }
    maximum = std::min<qint64>(maximum, INT_MAX);
    {
        const QSignalBlocker blocker(vbar);
        vbar->setRange(0, int(maximum));
        vbar->setPageStep(pageStep);
        if (m_topLine > maximum)
            m_topLine = maximum;
        vbar->setValue(int(m_topLine));
    }
    // The lines just edited are measured now (for a few milliseconds), the
    // others when the program is idle; inside a batch the widths they had
    // stand in for them until it ends.
    if (m_batchDepth == 0) {
        QElapsedTimer clock;
        clock.start();
        for (const qint64 line : m_dirty) {
            if (line < m_model.lineCount() && !measure(line, clock, kDirtyMeasureMs))
                break;
        }
        m_dirty.clear();
    }
    if (m_unmeasured > 0 && !m_measureTimer.isActive() && m_batchDepth == 0)
        m_measureTimer.start();
    hbar->setRange(0, int(std::min<qreal>(contentWidth(), INT_MAX / 2)) - viewport()->width());
    hbar->setPageStep(viewport()->width());
}

void TextBox::setTopLine(qint64 line)
{
    line = std::clamp<qint64>(line, 0, std::max(0, verticalScrollBar()->maximum()));
    if (line == m_topLine && verticalScrollBar()->value() == line)
        return;
    m_topLine = line;
    const QSignalBlocker blocker(verticalScrollBar());
    verticalScrollBar()->setValue(int(line));
    viewport()->update();
}

QRect TextBox::caretRect() const
{
    const qint64 line = m_model.lineOf(m_caret);
    const qreal x = xOf(line, m_caret);
    const qreal y = topOfLine(line);
    const QRectF rect(x, y, kCursorWidth, lineHeight(line));
    return rect.toRect().translated(-horizontalScrollBar()->value(), 0);
}

QRect TextBox::characterRect(qint64 position) const
{
    if (position < 0 || position > m_model.length())
        return QRect();
    const qint64 line = m_model.lineOf(position);
    const qreal x = xOf(line, position);
    const qint64 next = std::min(m_model.lineEnd(line), position + 1);
    const qreal right = next > position ? xOf(line, next) : x;
    const qreal y = topOfLine(line);
    return QRectF(std::min(x, right), y, std::abs(right - x), lineHeight(line))
        .toRect()
        .translated(-horizontalScrollBar()->value(), 0);
}

qint64 TextBox::positionAt(const QPoint &point) const
{
    const qint64 line = lineAtY(point.y());
    const qreal x = point.x() + horizontalScrollBar()->value();
    return m_model.caretPosition(positionAtX(line, x));
}

void TextBox::ensureCaretVisible()
{
    if (!isVisible())
        return;
    // Each move of the view is a new value of a scroll bar, which a screen
    // reader is told of; inside a batch, while one listens, the view follows
    // five times a second instead of with every frame (its queue would
    // flood). The batch's end always brings the caret into view.
    if (m_batchDepth > 0 && QAccessible::isActive()) {
        if (m_followClock.isValid() && m_followClock.elapsed() < 200)
            return;
        m_followClock.start();
    }
    const QRect visible = viewport()->rect();
    const qint64 line = m_model.lineOf(m_caret);
    // Vertically: a line above the view becomes the top line; one below it
    // becomes the bottom line. Only the lines between are measured.
    if (line < m_topLine) {
        setTopLine(line);
    } else {
        const qreal available = visible.height();
        qint64 top = line;
        qreal height = lineHeight(line);
        while (top > m_topLine && height + lineHeight(top - 1) <= available)
            height += lineHeight(--top);
        const qreal topMargin = m_topLine == 0 ? margin() : 0;
        if (top > m_topLine || (top == m_topLine && height + topMargin > available && line > m_topLine))
            setTopLine(std::max(top, m_topLine + 1));
    }
    // Horizontally: centred when it is out of sight.
    const QRect caret = caretRect();
    if (caret.left() < visible.left() || caret.right() > visible.right()) {
        const int x = caret.center().x() + horizontalScrollBar()->value() - visible.width() / 2;
        horizontalScrollBar()->setValue(x);
    }
}

// ---------------------------------------------------------------- painting

void TextBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const int offsetX = -horizontalScrollBar()->value();
    QRect exposed = event->rect();
    const QRect area = viewport()->rect();
    // The right margin stays clear of a selection reaching past the text.
    const int maxX = int(offsetX + std::max<qreal>(area.width(), contentWidth()) - margin() + kCursorWidth);
    exposed.setRight(std::min(exposed.right(), maxX));
    painter.setClipRect(exposed);
    painter.setPen(palette().text().color());

    const bool focused = hasFocus();
    const QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
    QTextCharFormat selectionFormat;
    selectionFormat.setBackground(palette().brush(group, QPalette::Highlight));
    selectionFormat.setForeground(palette().brush(group, QPalette::HighlightedText));
    QStyleOption option;
    option.initFrom(this);
    if (style()->styleHint(QStyle::SH_RichText_FullWidthSelection, &option, this))
        selectionFormat.setProperty(QTextFormat::FullWidthSelection, true);
    const qint64 selectionStart = SelStart();
    const qint64 selectionEnd = SelStart() + SelLength();
    const qint64 cursor = m_dropCaret >= 0 ? m_dropCaret : m_caret;
    const bool showCaret = (m_caretOn && isEnabled()) || m_dropCaret >= 0;

    qreal y = m_topLine == 0 ? margin() : 0;
    for (qint64 line = m_topLine; line < m_model.lineCount(); ++line) {
        const qreal height = lineHeight(line);
        if (y + height >= exposed.top() && y <= exposed.bottom()) {
            const qint64 start = m_model.lineStart(line);
            const qint64 end = m_model.lineEnd(line);
            // The piece of the line laid out: all of it, or for a long line
            // the chunks in sight.
            QTextLayout *layout = nullptr;
            qint64 pieceStart = start;
            qint64 pieceEnd = end;
            if (!isLong(line)) {
                layout = &lineLayout(line);
            } else {
                LineData &data = m_lines[std::size_t(line)];
                if (!data.chunks)
                    buildChunks(line);
                std::vector<Chunk> &chunks = *data.chunks;
                const qreal left = -offsetX - 1;
                const qreal right = -offsetX + area.width() + 1;
                qreal x = margin();
                qint64 first = -1;
                qint64 last = qint64(chunks.size()) - 1;
                for (qint64 i = 0; i < qint64(chunks.size()); ++i) {
                    if (chunks[std::size_t(i)].width < 0)
                        measureChunk(line, std::size_t(i));
                    const qreal next = x + chunks[std::size_t(i)].width;
                    if (first < 0 && next >= left)
                        first = i;
                    if (x > right) {
                        last = std::max<qint64>(first, i - 1);
                        break;
                    }
                    x = next;
                }
                if (first < 0)
                    first = last;
                const Window &piece = window(line, first, last);
                layout = piece.layout.get();
                pieceStart = piece.start;
                pieceEnd = piece.end;
            }
            QList<QTextLayout::FormatRange> selections;
            if (selectionEnd > selectionStart && selectionStart <= end + 2 && selectionEnd > start) {
                const qint64 from = std::max(selectionStart, pieceStart);
                // A selection past the end of the line takes in its break.
                const qint64 to = std::min(selectionEnd, pieceEnd + (pieceEnd == end ? 1 : 0));
                if (to > from) {
                    QTextLayout::FormatRange range;
                    range.start = utf16Length(m_model.view(pieceStart, from));
                    range.length = utf16Length(m_model.view(from, std::min(to, pieceEnd))) + (to > pieceEnd ? 1 : 0);
                    range.format = selectionFormat;
                    selections.append(range);
                }
            }
            const QPointF origin(offsetX, y);
            layout->draw(&painter, origin, selections, exposed);
            if (showCaret && cursor >= pieceStart && cursor <= pieceEnd && m_model.lineOf(cursor) == line) {
                int index = utf16Length(m_model.view(pieceStart, cursor));
                if (!m_preedit.isEmpty() && cursor == m_caret && m_dropCaret < 0)
                    index += m_preeditCursor;
                layout->drawCursor(&painter, origin, index, kCursorWidth);
            }
        }
        y += height;
        if (y > area.height())
            break;
    }
}

void TextBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TextBox::scrollContentsBy(int, int)
{
    m_topLine = verticalScrollBar()->value();
    viewport()->update();
    QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImAnchorRectangle);
}

void TextBox::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    updateScrollBars();
}

void TextBox::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        forgetLayouts();
        updateScrollBars();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange
               || event->type() == QEvent::ActivationChange) {
        viewport()->update();
    }
}

void TextBox::startBlinking()
{
    if (!hasFocus())
        return;
    m_caretOn = true;
    const int flashTime = QApplication::cursorFlashTime();
    if (flashTime >= 2)
        m_blinkTimer.start(flashTime / 2, this);
    else
        m_blinkTimer.stop();
}

void TextBox::stopBlinking()
{
    m_blinkTimer.stop();
    m_caretOn = false;
}

void TextBox::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_blinkTimer.timerId()) {
        m_caretOn = !m_caretOn;
        if (m_caret != m_anchor && !style()->styleHint(QStyle::SH_BlinkCursorWhenTextSelected))
            m_caretOn = false;
        viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
        return;
    }
    if (event->timerId() == m_tripleClickTimer.timerId()) {
        m_tripleClickTimer.stop();
        return;
    }
    QAbstractScrollArea::timerEvent(event);
}

// ---------------------------------------------------------------- input

bool TextBox::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::ContextMenu:
    case QEvent::Wheel:
        flush(); // input acts on the text and caret the user sees
        break;
    case QEvent::ShortcutOverride: {
        flush();
        auto *key = static_cast<QKeyEvent *>(event);
        if (isCommonTextEditShortcut(key)) {
            key->accept();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QAbstractScrollArea::event(event);
}

bool TextBox::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Wheel:
        flush();
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        // Tab moves the focus, as the dialog keys do.
        focusNextPrevChild(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (navigate(event))
        return;
    if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~(Qt::ShiftModifier | Qt::GroupSwitchModifier))) {
        deleteBackward(false);
        return;
    }
    if (event->matches(QKeySequence::InsertParagraphSeparator) || event->matches(QKeySequence::InsertLineSeparator)) {
        // The classic model knows one line break: CR LF, an undo step of its own.
        insertFromUser(QStringLiteral("\r\n"));
        return;
    }
    if (event->matches(QKeySequence::Undo)) {
        undo();
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        redo();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        cut();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        const bool selection = QGuiApplication::clipboard()->supportsSelection()
            && event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier) && event->key() == Qt::Key_Insert;
        if (selection) {
            const QPointer<TextBox> alive(this);
            const QMimeData *source = QGuiApplication::clipboard()->mimeData(QClipboard::Selection);
            if (alive)
                insertFromMimeData(source);
        } else {
            paste();
        }
        return;
    }
    if (event->matches(QKeySequence::Delete)) {
        deleteForward(false);
        return;
    }
    if (event->matches(QKeySequence::Backspace)) {
        deleteBackward(false);
        return;
    }
    // The word deletions take the selection when there is one; the end of
    // the line is selected to from the caret in any case.
    const auto deleteSelected = [this] {
        edit(SelStart(), SelStart() + SelLength(), {}, UndoHistory::Kind::Other, SelStart());
    };
    const bool wordForward = event->matches(QKeySequence::DeleteEndOfWord);
    if (wordForward || event->matches(QKeySequence::DeleteStartOfWord)) {
        if (m_caret == m_anchor)
            moveCaret(wordForward ? nextWord(m_caret) : previousWord(m_caret), true);
        deleteSelected();
        return;
    }
    if (event->matches(QKeySequence::DeleteEndOfLine)) {
        const qint64 end = m_model.lineEnd(m_model.lineOf(m_caret));
        moveCaret(m_caret == end ? nextGrapheme(m_caret) : end, true);
        deleteSelected();
        return;
    }
    const QString text = event->text();
    if (text.isEmpty() || isEditingShortcut(event)) {
        event->ignore();
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        event->ignore(); // a shortcut meant for someone else, never text
        return;
    }
    typeCodePoints(text);
}

void TextBox::inputMethodEvent(QInputMethodEvent *event)
{
    const bool hadPreedit = !m_preedit.isEmpty();
    m_preedit = event->preeditString();
    m_preeditCursor = 0;
    for (const QInputMethodEvent::Attribute &attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor)
            m_preeditCursor = attribute.start;
    }
    if (hadPreedit || !m_preedit.isEmpty())
        m_layouts.erase(m_model.lineOf(m_caret));
    const QString committed = event->commitString();
    if (!committed.isEmpty()) {
        if (event->replacementLength() > 0) {
            const qint64 from = std::clamp<qint64>(m_caret + event->replacementStart(), 0, m_model.length());
            setSelection(from, std::min(m_model.length(), from + event->replacementLength()));
        }
        // Committed text is typed, one code point after another.
        typeCodePoints(committed);
    }
    viewport()->update();
    event->accept();
}

QVariant TextBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return isEnabled();
    case Qt::ImCursorRectangle:
        return caretRect().translated(viewport()->pos());
    case Qt::ImAnchorRectangle:
        return characterRect(m_anchor).translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return int(m_caret - m_model.lineStart(m_model.lineOf(m_caret)));
    case Qt::ImAnchorPosition:
        return int(m_anchor - m_model.lineStart(m_model.lineOf(m_caret)));
    case Qt::ImSurroundingText: {
        const qint64 line = m_model.lineOf(m_caret);
        // The caret's line, at most a little of it either side of a long one.
        const qint64 from = std::max(m_model.lineStart(line), m_caret - 500);
        const qint64 to = std::min(m_model.lineEnd(line), m_caret + 500);
        return m_model.text(from, to);
    }
    case Qt::ImCurrentSelection:
        return SelText();
    case Qt::ImMaximumTextLength:
        return QVariant();
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void TextBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        const qint64 position = positionAt(event->position().toPoint());
        setSelection(position, position);
        const QPointer<TextBox> alive(this);
        const QMimeData *source = QGuiApplication::clipboard()->mimeData(QClipboard::Selection);
        if (alive)
            insertFromMimeData(source);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    m_pressPoint = point;
    m_mightDrag = false;
    m_selecting = true;
    // The point is compared as the stock editor compares it: across the
    // text's width, and down the screen.
    if (m_tripleClickTimer.isActive()
        && (tripleClickPoint(point) - m_tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        // A third click selects the caret's line and its break (the line the
        // double click was on, where the caret still is).
        const qint64 line = m_model.lineOf(m_caret);
        m_lineSelection = {m_model.lineStart(line), std::min(m_model.length(), m_model.lineEnd(line) + 2)};
        setSelection(m_lineSelection.first, m_lineSelection.second);
        m_tripleClickTimer.stop();
        return;
    }
    const qint64 position = positionAt(point);
    if (event->modifiers() == Qt::ShiftModifier) {
        extendByMouse(position, point.x() + horizontalScrollBar()->value());
        return;
    }
    const bool overText = point.x() + horizontalScrollBar()->value() <= xOf(m_model.lineOf(position),
                                                                            m_model.lineEnd(m_model.lineOf(position)));
    if (m_caret != m_anchor && position >= SelStart() && position <= SelStart() + SelLength() && overText) {
        m_mightDrag = true; // a drag of the selection, or a click into it
        return;
    }
    setSelection(position, position);
    m_wordSelection = m_lineSelection = {-1, -1};
}

void TextBox::extendByMouse(qint64 position, qreal x)
{
    // As the stock editor extends: by lines after a triple click, by words
    // after a double click, by characters otherwise.
    if (m_lineSelection.first >= 0) {
        const auto [start, end] = m_lineSelection;
        if (position >= start && position <= end) {
            setSelection(start, end);
        } else if (position < end) {
            setSelection(end, m_model.lineStart(m_model.lineOf(position)));
        } else {
            const qint64 lineEnd = m_model.lineEnd(m_model.lineOf(position));
            setSelection(start, std::min(m_model.length(), lineEnd + 2));
        }
        return;
    }
    if (m_wordSelection.first >= 0) {
        const auto [start, end] = m_wordSelection;
        if (position >= start && position <= end) {
            setSelection(start, end);
            return;
        }
        const qint64 wordStartPosition = startOfWordMove(position);
        if (wordStartPosition < 0)
            return;
        const qint64 line = m_model.lineOf(wordStartPosition);
        const qreal wordStartX = xOf(line, wordStartPosition);
        const qint64 wordEndPosition = endOfWordMove(wordStartPosition);
        if (wordEndPosition < 0 || m_model.lineOf(wordEndPosition) != line)
            return;
        const qreal wordEndX = xOf(line, wordEndPosition);
        if (x < wordStartX || x > wordEndX)
            return;
        setSelection(position < end ? end : start,
                     x - wordStartX < wordEndX - x ? wordStartPosition : wordEndPosition);
        return;
    }
    moveCaret(position, true);
}

QPoint TextBox::tripleClickPoint(const QPoint &point) const
{
    return point + QPoint(horizontalScrollBar()->value(), m_topLine == 0 ? -int(margin()) : 0);
}

void TextBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (m_mightDrag) {
        if ((point - m_pressPoint).manhattanLength() <= QApplication::startDragDistance())
            return;
        m_mightDrag = false;
        auto *data = new QMimeData;
        QString text = SelText();
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        data->setText(text);
        auto *drag = new QDrag(this);
        drag->setMimeData(data);
        const qint64 from = SelStart();
        const qint64 to = from + SelLength();
        const QPointer<TextBox> alive(this);
        const Qt::DropAction action = drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
        if (!alive)
            return;
        if (action == Qt::MoveAction && drag->target() != viewport() && drag->target() != this)
            edit(from, to, {}, UndoHistory::Kind::Other, from);
        return;
    }
    if (!m_selecting && m_wordSelection.first < 0 && m_lineSelection.first < 0)
        return;
    // Dragging beyond the view scrolls it.
    const QRect visible = viewport()->rect();
    if (point.y() < visible.top())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.y() > visible.bottom())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    extendByMouse(positionAt(point), point.x() + horizontalScrollBar()->value());
}

void TextBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_mightDrag) {
        // A click into the selection without a drag places the caret.
        m_mightDrag = false;
        const auto words = m_wordSelection;
        const auto lines = m_lineSelection;
        const qint64 position = positionAt(event->position().toPoint());
        setSelection(position, position);
        m_wordSelection = words;
        m_lineSelection = lines;
    }
    if (m_selecting) {
        m_selecting = false;
        setClipboardSelection();
    }
}

void TextBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    // A double click selects the word; a third click soon after, the line.
    const QPoint point = event->position().toPoint();
    m_mightDrag = false;
    const qint64 position = positionAt(point);
    const qint64 line = m_model.lineOf(position);
    qint64 start = position;
    qint64 end = position;
    if (m_model.lineLength(line) > 0) {
        const qint64 moved = startOfWordMove(position);
        start = moved < 0 ? position : moved;
        const qint64 ended = endOfWordMove(start);
        end = ended < 0 ? start : ended;
    }
    setSelection(start, end);
    m_wordSelection = start != end ? std::pair<qint64, qint64>{start, end} : std::pair<qint64, qint64>{-1, -1};
    m_tripleClickPoint = tripleClickPoint(point);
    m_tripleClickTimer.start(QApplication::doubleClickInterval(), this);
}

void TextBox::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    startBlinking();
    viewport()->update();
}

void TextBox::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    stopBlinking();
    viewport()->update();
}

void TextBox::contextMenuEvent(QContextMenuEvent *event)
{
    // The stock editing menu: Undo, Redo, Cut, Copy, Paste, Delete, Select All.
    QMenu menu(this);
    const bool selected = m_caret != m_anchor;
    menu.addAction(tr("&Undo"), QKeySequence::Undo, this, &TextBox::undo)->setEnabled(isUndoAvailable());
    menu.addAction(tr("&Redo"), QKeySequence::Redo, this, &TextBox::redo)->setEnabled(isRedoAvailable());
    menu.addSeparator();
    menu.addAction(tr("Cu&t"), QKeySequence::Cut, this, &TextBox::cut)->setEnabled(selected);
    menu.addAction(tr("&Copy"), QKeySequence::Copy, this, &TextBox::copy)->setEnabled(selected);
    const QMimeData *clipboard = QGuiApplication::clipboard()->mimeData();
    menu.addAction(tr("&Paste"), QKeySequence::Paste, this, &TextBox::paste)
        ->setEnabled(clipboard && clipboard->hasText());
    menu.addAction(tr("Delete"), this, [this] {
            edit(SelStart(), SelStart() + SelLength(), {}, UndoHistory::Kind::Other, SelStart());
        })->setEnabled(selected);
    menu.addSeparator();
    menu.addAction(tr("Select All"), QKeySequence::SelectAll, this, &TextBox::selectAll)
        ->setEnabled(m_model.length() > 0);
    menu.exec(event->globalPos());
}

void TextBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void TextBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    m_dropCaret = positionAt(event->position().toPoint());
    viewport()->update();
    event->acceptProposedAction();
}

void TextBox::dragLeaveEvent(QDragLeaveEvent *)
{
    m_dropCaret = -1;
    viewport()->update();
}

void TextBox::dropEvent(QDropEvent *event)
{
    m_dropCaret = -1;
    if (!event->mimeData()->hasText())
        return;
    qint64 position = positionAt(event->position().toPoint());
    const QString text = event->mimeData()->text();
    if (event->source() == this || event->source() == viewport()) {
        // Moved within the box: taken out, then put in where it was dropped.
        const qint64 from = SelStart();
        const qint64 to = from + SelLength();
        if (position >= from && position <= to) {
            event->ignore();
            viewport()->update();
            return;
        }
        event->setDropAction(Qt::MoveAction);
        if (event->proposedAction() == Qt::MoveAction || event->possibleActions() & Qt::MoveAction) {
            edit(from, to, {}, UndoHistory::Kind::Other, from);
            if (position > to)
                position -= to - from;
        }
    } else {
        event->acceptProposedAction();
    }
    setSelection(position, position);
    insertFromUser(text);
    event->accept();
}

} // namespace platform
