#include "Xp_ProgressBar.h"

#include "Xp_ProgressBarAccessible.h"

#include <QAccessible>
#include <QPainter>
#include <QResizeEvent>

using platform::PropertyBag;
using platform::Surface;

Xp_ProgressBar::Xp_ProgressBar(platform::Host &host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_painter.drawn = [this](const QRect &part) { update(part); };
    m_painter.frameDrawn = [this] { emit FrameDrawn(); };
    installXpProgressBarAccessibility();
    UserControl_Initialize();
}

void Xp_ProgressBar::UserControl_Initialize()
{
    m_max = 100;
    m_min = 0;
    m_value = 0;
    m_style = 0;
}

// ---------------------------------------------------------------- properties

void Xp_ProgressBar::notify(const char *name)
{
    const QString key = QString::fromLatin1(name);
    m_kept.forget(key);
    emit PropertyChanged(key);
}

void Xp_ProgressBar::showRefusal(const char *message)
{
    m_host.messageBoxes.MsgBox(QString::fromLatin1(message),
                               platform::MessageBoxes::vbOKOnly | platform::MessageBoxes::vbCritical,
                               QStringLiteral("Error"));
}

void Xp_ProgressBar::setValue(qint32 value)
{
    if (value > m_max) {
        showRefusal("Value can NOT be higher than Maximum !");
        return;
    }
    if (value < m_min) {
        showRefusal("Value can NOT be smaller than minimum !");
        return;
    }
    const bool changed = value != m_value;
    m_value = value;
    notify("Value");
    if (changed)
        tellValue();
    // Sized but not yet shown: the platform has not drawn the frame yet.
    if (!imageFits(size()))
        UserControl_Resize();
    if (m_style == 0)
        m_painter.paintBlocks(face(), m_surface);
    else if (value == m_max)
        UserControl_Resize();
    else
        m_painter.paintSmooth(face(), m_surface);
}

// A screen reader follows the bar while it is shown, told of a new value at
// most five times a second: a pass changes it a hundred times a second, and
// a reader whose queue floods drops what comes next ("Ready" among it). A
// value held back is told when its time comes.
void Xp_ProgressBar::tellValue()
{
    constexpr qint64 kIntervalMs = 200;
    if (!isVisible() || !QAccessible::isActive())
        return;
    if (m_valueTold.isValid() && m_valueTold.elapsed() < kIntervalMs) {
        if (!m_valueToTellPending) {
            m_valueToTellPending = true;
            m_host.clock.singleShot(int(kIntervalMs - m_valueTold.elapsed()), this, [this] {
                m_valueToTellPending = false;
                tellValue();
            });
        }
        return;
    }
    m_valueTold.start();
    QAccessibleValueChangeEvent event(this, m_value);
    QAccessible::updateAccessibility(&event);
}

void Xp_ProgressBar::setStyle(qint32 style)
{
    m_style = style;
    notify("Style");
}

void Xp_ProgressBar::setProgressLook(qint32 look)
{
    m_progressLook = look;
    notify("ProgressLook");
    ApplyLook();
}

void Xp_ProgressBar::setMin(qint32 min)
{
    if (min > m_max) {
        showRefusal("Minimum can NOT be biger than maximum !");
        return;
    }
    if (min < 0) {
        showRefusal("Minimum can NOT be smaller then 0 !");
        return;
    }
    m_min = min;
    notify("Min");
}

void Xp_ProgressBar::setMax(qint32 max)
{
    if (max < m_min) {
        showRefusal("Maximum can NOT be smaller than minimum !");
        return;
    }
    m_max = max;
    notify("Max");
}

void Xp_ProgressBar::UserControl_ReadProperties(PropertyBag &bag)
{
    const auto read = [&bag](const char *key, qint32 defaultValue) {
        return bag.ReadProperty(QString::fromLatin1(key), defaultValue).toInt();
    };
    // Stored values are taken as they are, without the checks of the setters.
    m_min = read("Min", 0);
    m_max = read("Max", 100);
    m_value = read("Value", 0);
    m_style = read("Style", 0);
    setProgressLook(read("ProgressLook", 0));
    m_kept.keep(bag);
}

void Xp_ProgressBar::UserControl_WriteProperties(PropertyBag &bag) const
{
    const auto write = [this, &bag](const char *key, qint32 value, qint32 defaultValue) {
        m_kept.WriteProperty(bag, QString::fromLatin1(key), value, defaultValue);
    };
    write("Min", m_min, 0);
    write("Max", m_max, 100);
    write("Value", m_value, 0);
    write("Style", m_style, 0);
    write("ProgressLook", m_progressLook, 0);
}

// ---------------------------------------------------------------- frame and skins

void Xp_ProgressBar::resizeEvent(QResizeEvent *event)
{
    // A bar that was drawn before it was first shown already has this size;
    // the late resize must not wipe what it shows, nor must one that comes
    // with the screen's ratio.
    if (!imageFits(event->size()) && !followRatio())
        UserControl_Resize();
}

bool Xp_ProgressBar::imageFits(const QSize &size) const
{
    const qreal ratio = devicePixelRatioF();
    return m_image.size() == platform::deviceSize(size, ratio) && m_image.devicePixelRatio() == ratio;
}

void Xp_ProgressBar::paintEvent(QPaintEvent *)
{
    followRatio();
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

// On a screen of another pixel ratio than the face was drawn for, the
// trough and the blocks due are drawn again at the new one (a moving marker
// starts over).
bool Xp_ProgressBar::followRatio()
{
    if (m_image.isNull() || m_image.devicePixelRatio() == devicePixelRatioF())
        return false;
    UserControl_Resize();
    if (m_style == 0)
        m_painter.paintBlocks(face(), m_surface);
    return true;
}

void Xp_ProgressBar::UserControl_Resize()
{
    if (!imageFits(size())) {
        const qreal ratio = devicePixelRatioF();
        m_image = QImage(platform::deviceSize(size(), ratio), QImage::Format_RGB32);
        m_image.setDevicePixelRatio(ratio);
        m_surface = Surface(&m_image);
    }
    m_painter.drawFrame(face(), m_surface);
}

BarFace Xp_ProgressBar::face() const
{
    return BarFace{width(), height(), m_value, m_min, m_max, &pc};
}

void Xp_ProgressBar::ApplyLook()
{
    const std::array<Surface, 3> *skin = BarPainter::skin(m_progressLook);
    if (!skin)
        return;
    pc = *skin;
    m_painter.takePieceSize(pc[0]);
}
