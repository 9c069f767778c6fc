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
        m_layout.setPreedit(m_caret, m_preedit);
    const QString committed = event->commitString();
    if (!committed.isEmpty()) {
        if (event->replacementLength() > 0) {
            const qint64 from = std::clamp<qint64>(m_caret + event->replacementStart(), 0, m_model.length());
            setSelection(from, std::min(m_model.length(), from + event->replacementLength()));
        }
        // Committed text is typed, one code point after another.
        typeCodePoints(committed);
        if (!m_preedit.isEmpty())
            m_layout.setPreedit(m_caret, m_preedit); // after the caret's new place
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
    if (m_tripleClickTimer->isActive()
        && (tripleClickPoint(point) - m_tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        // A third click selects the caret's line and its break (the line the
        // double click was on, where the caret still is).
        const qint64 line = m_model.lineOf(m_caret);
        m_lineSelection = {m_model.lineStart(line), std::min(m_model.length(), m_model.lineEnd(line) + 2)};
        setSelection(m_lineSelection.first, m_lineSelection.second);
        m_tripleClickTimer->stop();
        return;
    }
    const qint64 position = positionAt(point);
    if (event->modifiers() == Qt::ShiftModifier) {
        extendByMouse(position, point.x() + horizontalScrollBar()->value());
        return;
    }
    const bool overText = point.x() + horizontalScrollBar()->value() <= m_layout.xOf(m_model.lineOf(position),
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
        const qreal wordStartX = m_layout.xOf(line, wordStartPosition);
        const qint64 wordEndPosition = endOfWordMove(wordStartPosition);
        if (wordEndPosition < 0 || m_model.lineOf(wordEndPosition) != line)
            return;
        const qreal wordEndX = m_layout.xOf(line, wordEndPosition);
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
    m_tripleClickTimer->setInterval(QApplication::doubleClickInterval());
    m_tripleClickTimer->start();
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
