#include "TextBox.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextDocument>

namespace platform {

namespace {

constexpr char32_t kCarriageReturn = 13;
constexpr char32_t kLineFeed = 10;
constexpr qint64 kFrameMs = 16; // batched edits are shown about once a frame

bool isControlCharacter(char32_t code)
{
    return QChar::category(code) == QChar::Other_Control;
}

bool isEditingShortcut(QKeyEvent *event)
{
    static const QKeySequence::StandardKey shortcuts[] = {
        QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
        QKeySequence::SelectAll, QKeySequence::Undo, QKeySequence::Redo,
    };
    for (auto shortcut : shortcuts) {
        if (event->matches(shortcut))
            return true;
    }
    return false;
}

} // namespace

int countSurrogatePairs(const QString &text)
{
    int pairs = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate()) {
            ++pairs;
            ++i;
        }
    }
    return pairs;
}

QString toDocumentText(const QString &text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

TextBox::TextBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(document(), &QTextDocument::contentsChange, this, &TextBox::onContentsChange);
}

QString TextBox::Text() const
{
    QString text = document()->toRawText();
    if (m_runActive)
        text.replace(m_runStart, m_runText.size(), m_runText);
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return text;
}

void TextBox::setText(const QString &text)
{
    flushBatch();
    setPlainText(toDocumentText(text));
}

qint64 TextBox::TextLength() const
{
    const QTextDocument *doc = document();
    return qint64(doc->characterCount() - 1) + (doc->blockCount() - 1) - surrogatePairs();
}

QChar TextBox::unitAt(int position) const
{
    const bool cached = m_blockTextValid && position >= m_blockStart
        && position <= m_blockStart + int(m_blockText.size());
    if (!cached) {
        const QTextBlock block = document()->findBlock(position);
        if (!block.isValid())
            return QChar();
        m_blockStart = block.position();
        m_blockText = block.text();
        m_blockTextValid = true;
    }
    const int offset = position - m_blockStart;
    return offset < m_blockText.size() ? m_blockText.at(offset) : QChar(QChar::ParagraphSeparator);
}

int TextBox::surrogatePairs() const
{
    if (!m_pairCountKnown) {
        int pairs = 0;
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
            pairs += countSurrogatePairs(block.text());
        m_pairCount = pairs;
        m_pairCountKnown = true;
    }
    return m_pairCount;
}

TextBox::Location TextBox::locate(qint64 model) const
{
    const QTextDocument *doc = document();
    Anchor from = m_anchor;
    if (model < from.model)
        from = Anchor{};
    const bool oneToOne = surrogatePairs() == 0;

    qint64 m = from.model;
    int d = from.document;
    QTextBlock block = doc->findBlock(d);
    while (block.isValid()) {
        const int blockEnd = block.position() + block.length() - 1;
        if (oneToOne) {
            const qint64 available = blockEnd - d;
            if (model - m <= available) {
                d += int(model - m);
                m = model;
                break;
            }
            m += available;
            d = blockEnd;
        } else {
            while (d < blockEnd && m < model) {
                const bool pair = unitAt(d).isHighSurrogate() && d + 1 < blockEnd && unitAt(d + 1).isLowSurrogate();
                d += pair ? 2 : 1;
                ++m;
            }
            if (m == model)
                break;
        }
        const QTextBlock next = block.next();
        if (!next.isValid())
            break; // past the end: the end of the text
        if (model == m + 1) {
            m_anchor = Anchor{m, d};
            return Location{d, true};
        }
        m += 2;
        d = blockEnd + 1;
        block = next;
    }
    m_anchor = Anchor{m, d};
    return Location{d, false};
}

int TextBox::documentPosition(qint64 model, bool roundUp) const
{
    if (model <= 0)
        return 0;
    const Location location = locate(model);
    return location.document + (location.insideLineBreak && roundUp ? 1 : 0);
}

qint64 TextBox::modelPosition(int target) const
{
    const QTextDocument *doc = document();
    Anchor from = m_anchor;
    if (target < from.document)
        from = Anchor{};
    const bool oneToOne = surrogatePairs() == 0;

    qint64 m = from.model;
    int d = from.document;
    for (QTextBlock block = doc->findBlock(d); block.isValid(); block = block.next()) {
        const int blockEnd = block.position() + block.length() - 1;
        const int stop = std::min(target, blockEnd);
        if (oneToOne) {
            m += stop - d;
            d = stop;
        } else {
            while (d < stop) {
                const bool pair = doc->characterAt(d).isHighSurrogate() && d + 1 < blockEnd
                    && doc->characterAt(d + 1).isLowSurrogate();
                d += pair ? 2 : 1;
                ++m;
            }
        }
        if (target <= blockEnd || !block.next().isValid())
            return m;
        m += 2;
        d = blockEnd + 1;
    }
    return m;
}

char32_t TextBox::CharAt(qint64 position) const
{
    if (position < 0 || position >= TextLength())
        return 0;
    const Location location = locate(position);
    if (location.insideLineBreak)
        return kLineFeed;
    const auto unit = [this](int at) {
        const int inRun = at - m_runStart;
        if (m_runActive && inRun >= 0 && inRun < m_runText.size())
            return m_runText.at(inRun); // written by the batch, not yet in the document
        return unitAt(at);
    };
    const QChar c = unit(location.document);
    if (c == QChar::ParagraphSeparator)
        return kCarriageReturn;
    if (c.isHighSurrogate()) {
        const QChar low = unit(location.document + 1);
        if (low.isLowSurrogate())
            return QChar::surrogateToUcs4(c, low);
    }
    return c.unicode();
}

qint64 TextBox::SelStart() const
{
    // A caret the batch has not shown yet is the caret all the same.
    if (m_pendingCaret >= 0)
        return modelPosition(m_pendingCaret);
    return modelPosition(textCursor().selectionStart());
}

void TextBox::setSelStart(qint64 position)
{
    flushBatch();
    QTextCursor cursor = textCursor();
    cursor.setPosition(documentPosition(position, false));
    setTextCursor(cursor);
}

qint64 TextBox::SelLength() const
{
    if (m_pendingCaret >= 0)
        return 0;
    const QTextCursor cursor = textCursor();
    return modelPosition(cursor.selectionEnd()) - modelPosition(cursor.selectionStart());
}

void TextBox::setSelLength(qint64 length)
{
    flushBatch();
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const qint64 startModel = modelPosition(start);
    cursor.setPosition(start);
    cursor.setPosition(documentPosition(startModel + std::max<qint64>(length, 0), true),
                       QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString TextBox::SelText() const
{
    if (m_pendingCaret >= 0)
        return QString();
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return text;
}

void TextBox::setSelText(const QString &text)
{
    flushBatch();
    const QTextCursor cursor = textCursor();
    replaceRange(cursor.selectionStart(), cursor.selectionEnd(), toDocumentText(text));
}

bool TextBox::SetFocus()
{
    if (!isVisible() || !isEnabled())
        return false;
    setFocus(Qt::OtherFocusReason);
    return true;
}

void TextBox::ReplaceCharAt(qint64 position, const QString &replacement)
{
    if (position < 0 || position >= TextLength())
        return;
    // Locating the next position would move the anchor past the edit.
    const int from = documentPosition(position, false);
    const bool pair = unitAt(from).isHighSurrogate() && unitAt(from + 1).isLowSurrogate();
    const int to = from + (pair ? 2 : 1);
    const auto codes = replacement.toUcs4();
    const bool unchanged = codes.size() == 1 && codes.front() == CharAt(position);
    if (m_batchDepth > 0) {
        batchReplace(from, to, unchanged ? QString() : toDocumentText(replacement));
        if (m_frameClock.isValid() && m_frameClock.elapsed() >= kFrameMs)
            flushBatch();
        return;
    }
    if (unchanged) {
        // Replacing a character with itself only moves the caret past it.
        QTextCursor cursor = textCursor();
        cursor.setPosition(to);
        setTextCursor(cursor);
        return;
    }
    replaceRange(from, to, toDocumentText(replacement));
}

void TextBox::beginBatch()
{
    if (m_batchDepth++ == 0) {
        m_batchHasEdits = false;
        m_frameClock.start();
    }
}

void TextBox::endBatch()
{
    if (m_batchDepth == 0)
        return;
    if (--m_batchDepth == 0) {
        flushBatch();
        m_frameClock.invalidate();
    }
}

void TextBox::prepareOwnEdit(QTextCursor &cursor, const QString &text)
{
    const QTextDocument *doc = document();
    const int from = cursor.selectionStart();
    const bool touchesLoneHalf = (from > 0 && doc->characterAt(from - 1).isHighSurrogate())
        || doc->characterAt(cursor.selectionEnd()).isLowSurrogate();
    if (touchesLoneHalf)
        m_pairCountKnown = false;
    const QString replaced = cursor.selectedText();
    const int pairDelta = countSurrogatePairs(text) - countSurrogatePairs(replaced);
    m_ownPairDelta += pairDelta;
    // An edit before the anchor moves it, unless it keeps every length:
    // same units, same pairs, no line breaks added or taken away.
    const bool keepsPositions = text.size() == replaced.size() && pairDelta == 0 && !touchesLoneHalf
        && !replaced.contains(QChar::ParagraphSeparator) && !text.contains(QLatin1Char('\n'));
    if (from < m_anchor.document && !keepsPositions)
        m_anchor = Anchor{};
}

void TextBox::replaceRange(int from, int to, const QString &text)
{
    flushBatch();
    QTextCursor cursor(document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    prepareOwnEdit(cursor, text);

    m_ownEdit = true;
    // Text set here comes from the user's side (a typed character), never
    // from a batch: it is an undo step of its own, and the batch's next
    // edit starts another one.
    cursor.beginEditBlock();
    m_batchHasEdits = false;
    cursor.insertText(text);
    cursor.endEditBlock();
    m_ownEdit = false;
    m_ownPairDelta = 0;

    setTextCursor(cursor);
}

void TextBox::batchedReplace(int from, int to, const QString &text)
{
    if (!m_blockOpen) {
        m_batchCursor = QTextCursor(document());
        if (m_batchHasEdits)
            m_batchCursor.joinPreviousEditBlock();
        else
            m_batchCursor.beginEditBlock();
        m_batchHasEdits = true;
        m_blockOpen = true;
        m_frameClock.start();
    }
    m_batchCursor.setPosition(from);
    m_batchCursor.setPosition(to, QTextCursor::KeepAnchor);
    prepareOwnEdit(m_batchCursor, text);
    m_batchCursor.insertText(text);
    // Keep the block copy in step; a change of length makes it stale.
    const bool inCopy = m_blockTextValid && from >= m_blockStart && to <= m_blockStart + int(m_blockText.size());
    if (inCopy && text.size() == to - from && !text.contains(QLatin1Char('\n')))
        m_blockText.replace(from - m_blockStart, to - from, text);
    else
        m_blockTextValid = false;
}

void TextBox::batchReplace(int from, int to, const QString &units)
{
    const bool unchanged = units.isNull();
    if (unitAt(from) == QChar::ParagraphSeparator) {
        // A line break ends the run; replacing it by itself only moves the caret.
        applyRun();
        if (!unchanged)
            batchedReplace(from, to, units);
        m_pendingCaret = unchanged ? to : m_batchCursor.position();
        return;
    }
    QString written = units;
    if (unchanged) {
        written.resize(0);
        for (int i = from; i < to; ++i)
            written += unitAt(i);
    } else if (units.size() != to - from) {
        applyRun(); // a change of length is written on its own
        batchedReplace(from, to, units);
        m_pendingCaret = m_batchCursor.position();
        return;
    }
    // Neighbouring replacements go into the document as one edit: one piece
    // of text and one undo record per run instead of per character.
    if (!m_runActive || from != m_runStart + int(m_runText.size())) {
        applyRun();
        m_runActive = true;
        m_runChanged = false;
        m_runStart = from;
        m_runText.resize(0);
    }
    m_runText += written;
    m_runChanged = m_runChanged || !unchanged;
    m_pendingCaret = to;
}

void TextBox::applyRun()
{
    if (!m_runActive)
        return;
    m_runActive = false;
    if (m_runChanged)
        batchedReplace(m_runStart, m_runStart + int(m_runText.size()), m_runText);
}

void TextBox::flushBatch()
{
    applyRun();
    if (m_blockOpen) {
        m_blockOpen = false;
        m_ownEdit = true;
        m_flushing = true;
        m_batchCursor.endEditBlock(); // the layout, the screen and Change see it all now
        m_flushing = false;
        m_ownEdit = false;
        m_ownPairDelta = 0;
        m_batchCursor = QTextCursor();
    }
    if (m_pendingCaret >= 0) {
        QTextCursor cursor = textCursor();
        cursor.setPosition(std::min(m_pendingCaret, document()->characterCount() - 1));
        m_pendingCaret = -1;
        setTextCursor(cursor);
    }
    if (m_frameClock.isValid())
        m_frameClock.start();
}

bool TextBox::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::ContextMenu:
    case QEvent::Wheel:
        flushBatch(); // input acts on the text and caret the user sees
        break;
    default:
        break;
    }
    return QPlainTextEdit::event(event);
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
        flushBatch();
        break;
    default:
        break;
    }
    return QPlainTextEdit::viewportEvent(event);
}

void TextBox::onContentsChange(int position, int removed, int added)
{
    if (!m_flushing)
        m_blockTextValid = false; // the batch kept its copy up to date itself
    // An undo, a redo or an edit of the box's own keys: the batch's next
    // edit must not join whatever step now ends the undo history.
    if (!m_ownEdit)
        m_batchHasEdits = false;
    const QTextDocument *doc = document();
    const bool splitsPair = position > 0 && doc->characterAt(position - 1).isHighSurrogate();
    if (!m_ownEdit && (position < m_anchor.document || (position == m_anchor.document && splitsPair)))
        m_anchor = Anchor{};

    if (m_ownEdit) {
        m_pairCount += m_ownPairDelta; // counted from the edited texts beforehand
    } else if (m_pairCountKnown) {
        const bool boundaryIsSurrogate = splitsPair || doc->characterAt(position + added).isLowSurrogate();
        if (boundaryIsSurrogate || removed > 0) {
            m_pairCountKnown = false; // what left the text is gone: count again when asked
        } else {
            for (int i = position; i + 1 < position + added; ++i) {
                if (doc->characterAt(i).isHighSurrogate() && doc->characterAt(i + 1).isLowSurrogate()) {
                    ++m_pairCount;
                    ++i;
                }
            }
        }
    }
    emit Change();
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

void TextBox::keyPressEvent(QKeyEvent *event)
{
    const bool specialKey = event->key() >= Qt::Key_Escape && event->key() != Qt::Key_unknown;
    if (isEditingShortcut(event) || specialKey) {
        // Editing keys, navigation, Backspace, Enter and Tab work as usual.
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    const QString text = event->text();
    if (text.isEmpty()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        event->ignore(); // a shortcut meant for someone else, never text
        return;
    }
    typeCodePoints(text);
    event->accept();
}

void TextBox::inputMethodEvent(QInputMethodEvent *event)
{
    const QString committed = event->commitString();
    if (committed.isEmpty() || isReadOnly()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    // Let the box settle the preedit text, then type what was committed.
    QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
    withoutCommit.setCommitString(QString(), event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&withoutCommit);
    typeCodePoints(committed);
    event->accept();
}

} // namespace platform
