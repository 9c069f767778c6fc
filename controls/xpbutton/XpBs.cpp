#include "XpBs.h"

#include "platform/SystemColors.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

XpBs::XpBs(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void XpBs::Refresh()
{
    update();
}

void XpBs::setEnabled(bool enabled)
{
    QWidget::setEnabled(enabled);
    Refresh();
}

void XpBs::setCaption(const QString &caption)
{
    m_caption = caption;
    delete m_accessKey;
    m_accessKey = nullptr;
    const QKeySequence key = QKeySequence::mnemonic(caption);
    if (!key.isEmpty() && parentWidget()) {
        m_accessKey = new QShortcut(key, parentWidget());
        connect(m_accessKey, &QShortcut::activated, this, [this] {
            if (isEnabled())
                emit Click();
        });
    }
    Refresh();
}

void XpBs::setFont(const QFont &font)
{
    m_font = font;
    Refresh();
}

void XpBs::setMousePointer(int pointer)
{
    m_mousePointer = pointer;
    // 99 is a custom cursor without a picture: a pointing hand suits a button.
    setCursor(pointer == 99 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void XpBs::paintEvent(QPaintEvent *)
{
    using namespace platform;
    QPainter painter(this);
    const QRect face = rect();
    painter.fillRect(face, QColor(toQRgb(GetSysColor(COLOR_BTNFACE))));
    painter.setPen(QColor(toQRgb(GetSysColor(m_down ? COLOR_BTNSHADOW : COLOR_BTNTEXT))));
    painter.drawRect(face.adjusted(0, 0, -1, -1));
    painter.setFont(m_font);
    painter.setPen(isEnabled() ? QColor(Qt::black) : QColor(toQRgb(GetSysColor(COLOR_BTNSHADOW))));
    painter.drawText(face.translated(m_down ? 1 : 0, m_down ? 1 : 0),
                     Qt::AlignCenter | Qt::TextShowMnemonic, m_caption);
}

void XpBs::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::RightButton) {
        m_down = true;
        Refresh();
    }
}

void XpBs::mouseReleaseEvent(QMouseEvent *event)
{
    m_down = false;
    Refresh();
    if (event->button() != Qt::RightButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void XpBs::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        m_down = true;
        Refresh();
        return;
    }
    QWidget::keyPressEvent(event);
}

void XpBs::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        m_down = false;
        Refresh();
        emit Click();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void XpBs::focusInEvent(QFocusEvent *)
{
    Refresh();
}

void XpBs::focusOutEvent(QFocusEvent *)
{
    m_down = false;
    Refresh();
}
