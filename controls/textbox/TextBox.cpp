#include "TextBoxParts.h"
#include "platform/host/Host.h"

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

TextBox::TextBox(QWidget *parent, Clock *clock)
    : QAbstractScrollArea(parent)
    , m_measureTimer((clock ? *clock : systemHost().clock).newTimer(this))
    , m_blinkTimer((clock ? *clock : systemHost().clock).newTimer(this))
    , m_tripleClickTimer((clock ? *clock : systemHost().clock).newTimer(this))
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
    m_layout.setFont(font());
    m_measureTimer->setInterval(0);
    connect(m_measureTimer, &Timer::timeout, this, &TextBox::measureSome);
    connect(m_blinkTimer, &Timer::timeout, this, &TextBox::blinkCaret);
    // The window for a third click closes by itself.
    connect(m_tripleClickTimer, &Timer::timeout, m_tripleClickTimer, &Timer::stop);
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
    if (m_batchDepth > 0) {
        const char32_t old = m_model.at(position);
        if (!TextModel::isLineBreak(old)) {
            replaceInBatch(position, old, replacement);
            return;
        }
    }
    replaceCharacter(position, std::u32string_view(&replacement, 1));
}

// A pass's character for one that is no line break either: the lines stay,
// so it needs none of edit's general work (a pass over a megabyte makes a
// million of these, one between two yields).
void TextBox::replaceInBatch(qint64 position, char32_t old, char32_t replacement)
{
    if (old != replacement) {
        noteBatchEdit(position, position + 1, 1);
        linesChanged(m_undo.replaceInBatch(m_model, position, replacement));
        m_goalX = -1;
        m_pageRowKept = false;
    }
    m_anchor = m_caret = position + 1;
    m_viewPending = true;
    frameIfDue();
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
    if (batch)
        frameIfDue();
}

void TextBox::frameIfDue()
{
    // The clock is read every few characters, not for each one: a pass
    // replaces one in well under a microsecond.
    if (m_frameClock.isValid() && ++m_editsSinceClock >= kEditsPerClockRead) {
        m_editsSinceClock = 0;
        if (m_frameClock.elapsed() >= kFrameMs)
            flush();
    }
}

void TextBox::beginBatch()
{
    if (m_batchDepth++ == 0) {
        m_layout.setDeferred(true);
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
    m_layout.setDeferred(false);
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
    return m_layout.cachesHold();
}

// ---------------------------------------------------------------- editing

void TextBox::edit(qint64 from, qint64 to, std::u32string_view text, UndoHistory::Kind kind, qint64 caretAfter)
{
    from = std::clamp<qint64>(from, 0, m_model.length());
    to = std::clamp<qint64>(to, from, m_model.length());
    const bool batch = kind == UndoHistory::Kind::Batch;
    if (!batch)
        flush();
    const bool tell = !batch && QAccessible::isActive();
    const qint64 told = tell ? toAccessibleOffset(from) : 0;
    const QString removed = tell ? accessibleText(from, to) : QString();
    if (batch)
        noteBatchEdit(from, to, qint64(text.size()));
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

// The span the batch has changed, for the one change it reports.
void TextBox::noteBatchEdit(qint64 from, qint64 to, qint64 inserted)
{
    const qint64 delta = inserted - (to - from);
    const qint64 end = from + inserted;
    if (m_batchFrom < 0) {
        m_batchFrom = from;
        m_batchTo = end;
    } else {
        m_batchTo = m_batchTo > from ? std::max(m_batchTo + delta, end) : std::max(m_batchTo, end);
        m_batchFrom = std::min(m_batchFrom, from);
    }
    m_batchEdited = true;
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
    m_layout.linesChanged(change);
    if (m_batchDepth == 0 && !m_measureTimer->isActive())
        m_measureTimer->start();
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
        const Typing typing = m_keyFilter ? m_keyFilter(code) : Typing(code);
        if (typing.character == 0)
            continue;
        setSelText(QString::fromUcs4(&typing.character, 1));
        if (typing.inserted)
            typing.inserted();
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

} // namespace platform
