#include "Xp_ProgressBar.h"

#include <QPainter>

Xp_ProgressBar::Xp_ProgressBar(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Xp_ProgressBar::setValue(int value)
{
    if (value < m_min || value > m_max || value == m_value)
        return;
    m_value = value;
    update();
}

void Xp_ProgressBar::setMin(int min)
{
    if (min >= 0 && min <= m_max)
        m_min = min;
}

void Xp_ProgressBar::setMax(int max)
{
    if (max >= m_min)
        m_max = max;
}

void Xp_ProgressBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(0x6B, 0x69, 0x6B));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const int range = m_max - m_min;
    if (range > 0) {
        const int filled = int(qint64(width() - 6) * (m_value - m_min) / range);
        painter.fillRect(QRect(3, 3, filled, height() - 6), QColor(0x28, 0xD2, 0x2B));
    }
}
