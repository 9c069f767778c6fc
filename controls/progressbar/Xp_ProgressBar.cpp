#include "Xp_ProgressBar.h"

#include "Xp_ProgressBarAccessible.h"

#include "platform/raster/SystemColors.h"

#include <QAccessible>
#include <QPainter>
#include <QResizeEvent>

using platform::PropertyBag;
using platform::Surface;

namespace {

constexpr int kSkinCount = 8;
const char *const kSkinNames[kSkinCount] = {"master", "blue", "bluemet", "goldmet",
                                            "grmet", "greymet", "orangemet", "redmet"};

constexpr int kBorder = 3;         // the trough's rim on every side
constexpr int kFirstBlockX = 4;    // one pixel clear of the left rim
constexpr int kBlockPitch = 10;    // 8-pixel blocks, 2-pixel gaps
constexpr int kMarkerStart = 4;    // the marker's place after a frame redraw
constexpr int kMarkerRestart = 2;  // ... and after it has reached the right end
constexpr int kMarkerStep = 5;
constexpr qint64 kMaxUnits = 32767; // the painter counts value units in 16 bits

// The pictures the bar is drawn from, embedded in the program.
struct Artwork {
    Surface img;   // the empty trough
    Surface blank; // the eraser
    std::array<std::array<Surface, 3>, kSkinCount> skins;
};

Surface loadPicture(const QString &name)
{
    const QImage image =
        QImage(QStringLiteral(":/progressbar/") + name + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    Surface picture(image.width(), image.height());
    picture.image() = image;
    return picture;
}

const Artwork &artwork()
{
    static const Artwork art = [] {
        Artwork loaded;
        loaded.img = loadPicture(QStringLiteral("trough"));
        loaded.blank = loadPicture(QStringLiteral("blank"));
        for (int skin = 0; skin < kSkinCount; ++skin)
            for (int piece = 0; piece < 3; ++piece)
                loaded.skins[size_t(skin)][size_t(piece)] =
                    loadPicture(QString::fromLatin1(kSkinNames[skin]) + QString::number(piece));
        return loaded;
    }();
    return art;
}

} // namespace

Xp_ProgressBar::Xp_ProgressBar(platform::Host &host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
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
    if (m_image.size() != size())
        UserControl_Resize();
    if (m_style == 0)
        PaintBlocks();
    else if (value == m_max)
        UserControl_Resize();
    else
        PaintSmooth();
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
    // the late resize must not wipe what it shows.
    if (event->size() != m_image.size())
        UserControl_Resize();
}

void Xp_ProgressBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void Xp_ProgressBar::UserControl_Resize()
{
    if (m_image.size() != size()) {
        m_image = QImage(size(), QImage::Format_RGB32);
        m_surface = Surface(&m_image);
    }
    const int w = width();
    const int h = height();
    platform::FillRect(m_surface, platform::RECT{0, 0, w, h}, platform::GetSysColor(platform::COLOR_BTNFACE));

    // Corners as they are, edges and the inside stretched: the trough fits
    // any size. Below 6 pixels the edges vanish and the corners overlap.
    const Surface &img = artwork().img;
    PaintPicture(img, 0, 0, kBorder, kBorder, 0, 0, 3, 3);                      // Top-left corner
    PaintPicture(img, w - kBorder, 0, kBorder, kBorder, 56, 0, 3, 3);           // Top-right corner
    PaintPicture(img, w - kBorder, h - kBorder, kBorder, kBorder, 56, 10, 3, 3); // Bottom-right corner
    PaintPicture(img, 0, h - kBorder, kBorder, kBorder, 0, 10, 3, 3);           // Bottom-left corner
    PaintPicture(img, kBorder, 0, w - 2 * kBorder, kBorder, 3, 0, 12, 3);       // Top edge
    PaintPicture(img, w - kBorder, kBorder, kBorder, h - 2 * kBorder, 56, 3, 3, 3); // Right edge
    PaintPicture(img, kBorder, h - kBorder, w - 2 * kBorder, kBorder, 3, 10, 1, 3); // Bottom edge
    PaintPicture(img, 0, kBorder, kBorder, h - 2 * kBorder, 0, 3, 3, 3);        // Left edge
    PaintPicture(img, kBorder, kBorder, w - 2 * kBorder, h - 2 * kBorder, 4, 4, 51, 7); // Inside

    m_paint.markerX = kMarkerStart;
    ResetPainter();
    update();
    emit FrameDrawn();
}

void Xp_ProgressBar::ApplyLook()
{
    if (m_progressLook < 0 || m_progressLook >= kSkinCount)
        return;
    pc = artwork().skins[size_t(m_progressLook)];
    // The painters cache the piece size at a reset; a first skin that
    // arrives after it must still be drawn at its size.
    m_paint.pieceWidth = pc[0].width();
    m_paint.pieceHeight = pc[0].height();
}

void Xp_ProgressBar::PaintPicture(const Surface &picture, int x, int y, int width, int height)
{
    PaintPicture(picture, x, y, width, height, 0, 0, picture.width(), picture.height());
}

void Xp_ProgressBar::PaintPicture(const Surface &picture, int x, int y, int width, int height, int sourceX,
                                  int sourceY, int sourceWidth, int sourceHeight)
{
    if (width <= 0 || height <= 0)
        return;
    platform::StretchBlt(m_surface, x, y, width, height, picture, sourceX, sourceY, sourceWidth, sourceHeight,
                         platform::SRCCOPY);
    update(QRect(x, y, width, height));
}

// ---------------------------------------------------------------- painters

void Xp_ProgressBar::ResetPainter()
{
    m_paint.nextX = kFirstBlockX;
    qint64 units = 0;
    if (m_paint.restartPending) {
        units = m_paint.savedValue;
        m_paint.restartPending = false;
    } else {
        units = qint64(m_value) - m_min;
        m_paint.lastValue = m_value;
    }
    m_paint.gate = units;
    m_paint.stepCount = units >= 0 && units <= kMaxUnits ? qint16(units) : qint16(0);
    m_paint.barWidth = width();
    m_paint.innerHeight = height() - 2 * kBorder;
    m_paint.pieceWidth = pc[0].width();
    m_paint.pieceHeight = pc[0].height();
    m_paint.finished = 0;
    m_paint.paintedMin = m_min;
    m_paint.paintedMax = m_max;
}

void Xp_ProgressBar::PaintBlocks()
{
    // The other style's marker is showing, or a bar too narrow for a whole
    // block has its last one drawn: start from a clean frame. With nothing
    // drawn since the last reset the frame is clean already; the painter
    // only starts again from the current value.
    if (m_paint.markerX != kMarkerStart || (m_paint.nextX == kFirstBlockX && m_paint.finished != 0))
        UserControl_Resize();
    else if (m_paint.nextX == kFirstBlockX)
        ResetPainter();
    // Fewer blocks may be due than are drawn: the value is below the last
    // peak, or Min or Max moved since the blocks were measured. The peak
    // stays until a value reaches it again, so every value below it
    // redraws the whole bar.
    // A redraw for a moved range is no decrease: the peak follows the value
    // as it does for any value that reaches it.
    const bool belowThePeak = m_value < m_paint.lastValue;
    if (belowThePeak || m_min != m_paint.paintedMin || m_max != m_paint.paintedMax) {
        m_paint.savedValue = qint64(m_value) - m_min;
        m_paint.restartPending = true;
        UserControl_Resize();
    }
    if (!belowThePeak)
        m_paint.lastValue = m_value;
    if (m_value <= m_min)
        UserControl_Resize();
    if (!hasSkin())
        return; // nothing to draw with: the trough stays empty

    // Blocks are due while their left edge lies below barWidth / range
    // pixels per unit times the units, reckoned in floating point: at an
    // exact tie the rounding of the product decides.
    const auto paintDue = [this](qint64 units, qint64 range) {
        const double perUnit = (100.0 / double(range)) * (0.01 * double(m_paint.barWidth));
        while (double(m_paint.nextX) < perUnit * double(units)) {
            if (m_paint.nextX + kBlockPitch >= m_paint.barWidth)
                PaintLastBlock();
            if (m_paint.finished != 0)
                break;
            PaintPicture(pc[2], m_paint.nextX, kBorder, m_paint.pieceWidth, m_paint.innerHeight);
            m_paint.nextX += kBlockPitch;
        }
    };

    const qint64 range = qint64(m_max) - m_min;
    const qint64 units = qint64(m_value) - m_min;
    if (range < 1 || range > kMaxUnits) { // units <= range: Value was checked against Max
        // No measure for the blocks: the bar is full at Max, and nothing
        // else is drawn.
        if (m_value == m_max)
            paintDue(1, 1);
        return;
    }
    if (units < m_paint.gate)
        return; // the same value again: nothing new
    m_paint.gate = units + 1;
    m_paint.stepCount = qint16(units);
    paintDue(m_paint.stepCount, range);
}

void Xp_ProgressBar::PaintLastBlock()
{
    // The whole block squeezed into what is left before the right rim.
    const int remain = m_paint.barWidth - kBorder - m_paint.nextX;
    if (remain > 0)
        PaintPicture(pc[2], m_paint.nextX, kBorder, remain, m_paint.innerHeight);
    m_paint.finished = 1;
}

void Xp_ProgressBar::PaintSmooth()
{
    if (!hasSkin())
        return; // nothing to draw with: the trough stays empty
    const Surface &blank = artwork().blank;
    const int x = m_paint.markerX;
    const int w = m_paint.pieceWidth / 2;
    if (x != kMarkerRestart && x != kMarkerStart)
        PaintPicture(blank, x - kMarkerStep, kBorder, w, m_paint.innerHeight);
    if (x + 4 * kMarkerStep < m_paint.barWidth)
        PaintPicture(pc[2], x + 2 * kMarkerStep, kBorder, w, m_paint.innerHeight);
    if (x + 2 * kMarkerStep < m_paint.barWidth)
        PaintPicture(pc[1], x + kMarkerStep, kBorder, w, m_paint.innerHeight);
    if (x + kMarkerStep < m_paint.barWidth)
        PaintPicture(pc[0], x, kBorder, w, m_paint.innerHeight);
    if (x + kMarkerStep >= m_paint.barWidth) {
        const int remain = m_paint.barWidth - kBorder - x;
        if (remain > 0)
            PaintPicture(blank, x, kBorder, remain, m_paint.innerHeight);
        // The next run starts on the rim's inner column, and its first erase
        // whitens that column: kept as the bar has always done it.
        m_paint.markerX = kMarkerRestart;
        return;
    }
    m_paint.markerX = x + kMarkerStep;
}
