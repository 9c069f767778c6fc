#include "FormLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>

FormLabel::FormLabel(QWidget *parent)
    : QLabel(parent)
{
    // Labels receive their own pointer moves, so a move over a label never
    // reaches the panel beneath it.
    setMouseTracking(true);
}

void FormLabel::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setText(shown);
    if (m_autoSize)
        fitToCaption();
}

void FormLabel::setAutoSize(bool autoSize)
{
    if (autoSize == m_autoSize)
        return;
    m_autoSize = autoSize;
    if (m_autoSize)
        fitToCaption();
}

void FormLabel::setFontUnderline(bool underline)
{
    if (font().underline() == underline)
        return;
    QFont underlined = font();
    underlined.setUnderline(underline);
    setFont(underlined);
}

void FormLabel::fitToCaption()
{
    const QSize needed = fontMetrics().boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop, text()).size();
    const QRect box = geometry();
    int left = box.left();
    if (alignment() & Qt::AlignRight)
        left = box.right() + 1 - needed.width();
    else if (alignment() & Qt::AlignHCenter)
        left = box.left() + (box.width() - needed.width()) / 2;
    setGeometry(left, box.top(), needed.width(), needed.height());
}

void FormLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void FormLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (rect().contains(event->position().toPoint()))
        emit Click();
}

void FormLabel::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    emit MouseMove();
}

void FormLabel::setLink(bool link)
{
    m_link = link;
    setFocusPolicy(link ? Qt::StrongFocus : Qt::NoFocus);
}

void FormLabel::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool activates = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    if (m_link && activates && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        // A held key repeats its press: one click, not one per repeat.
        if (!event->isAutoRepeat())
            activate();
        return;
    }
    QLabel::keyPressEvent(event);
}
