#include "BarPainter.h"

#include "platform/raster/SystemColors.h"

#include <QImage>
#include <QString>

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

const std::array<Surface, 3> *BarPainter::skin(int look)
{
    if (look < 0 || look >= kSkinCount)
        return nullptr;
    return &artwork().skins[size_t(look)];
}

void BarPainter::takePieceSize(const Surface &piece)
{
    m_paint.pieceWidth = piece.width();
    m_paint.pieceHeight = piece.height();
}

void BarPainter::drawFrame(const BarFace &face, Surface &surface)
{
    const int w = face.width;
    const int h = face.height;
    platform::FillRect(surface, platform::RECT{0, 0, w, h}, platform::GetSysColor(platform::COLOR_BTNFACE));

    // Corners as they are, edges and the inside stretched: the trough fits
    // any size. Below 6 pixels the edges vanish and the corners overlap.
    const Surface &img = artwork().img;
    paintPicture(surface, img, 0, 0, kBorder, kBorder, 0, 0, 3, 3);                      // Top-left corner
    paintPicture(surface, img, w - kBorder, 0, kBorder, kBorder, 56, 0, 3, 3);           // Top-right corner
    paintPicture(surface, img, w - kBorder, h - kBorder, kBorder, kBorder, 56, 10, 3, 3); // Bottom-right corner
    paintPicture(surface, img, 0, h - kBorder, kBorder, kBorder, 0, 10, 3, 3);           // Bottom-left corner
    paintPicture(surface, img, kBorder, 0, w - 2 * kBorder, kBorder, 3, 0, 12, 3);       // Top edge
    paintPicture(surface, img, w - kBorder, kBorder, kBorder, h - 2 * kBorder, 56, 3, 3, 3); // Right edge
    paintPicture(surface, img, kBorder, h - kBorder, w - 2 * kBorder, kBorder, 3, 10, 1, 3); // Bottom edge
    paintPicture(surface, img, 0, kBorder, kBorder, h - 2 * kBorder, 0, 3, 3, 3);        // Left edge
    paintPicture(surface, img, kBorder, kBorder, w - 2 * kBorder, h - 2 * kBorder, 4, 4, 51, 7); // Inside

    m_paint.markerX = kMarkerStart;
    reset(face);
    if (drawn)
        drawn(QRect(0, 0, w, h));
    if (frameDrawn)
        frameDrawn();
}

void BarPainter::paintPicture(Surface &surface, const Surface &picture, int x, int y, int width, int height)
{
    paintPicture(surface, picture, x, y, width, height, 0, 0, picture.width(), picture.height());
}

void BarPainter::paintPicture(Surface &surface, const Surface &picture, int x, int y, int width, int height,
                              int sourceX, int sourceY, int sourceWidth, int sourceHeight)
{
    if (width <= 0 || height <= 0)
        return;
    platform::StretchBlt(surface, x, y, width, height, picture, sourceX, sourceY, sourceWidth, sourceHeight,
                         platform::SRCCOPY);
    if (drawn)
        drawn(QRect(x, y, width, height));
}

void BarPainter::reset(const BarFace &face)
{
    m_paint.nextX = kFirstBlockX;
    qint64 units = 0;
    if (m_paint.restartPending) {
        units = m_paint.savedValue;
        m_paint.restartPending = false;
    } else {
        units = qint64(face.value) - face.min;
        m_paint.lastValue = face.value;
    }
    m_paint.gate = units;
    m_paint.stepCount = units >= 0 && units <= kMaxUnits ? qint16(units) : qint16(0);
    m_paint.barWidth = face.width;
    m_paint.innerHeight = face.height - 2 * kBorder;
    m_paint.pieceWidth = (*face.pieces)[0].width();
    m_paint.pieceHeight = (*face.pieces)[0].height();
    m_paint.finished = 0;
    m_paint.paintedMin = face.min;
    m_paint.paintedMax = face.max;
}

void BarPainter::paintBlocks(const BarFace &face, Surface &surface)
{
    // The other style's marker is showing, or a bar too narrow for a whole
    // block has its last one drawn: start from a clean frame. With nothing
    // drawn since the last reset the frame is clean already; the painter
    // only starts again from the current value.
    if (m_paint.markerX != kMarkerStart || (m_paint.nextX == kFirstBlockX && m_paint.finished != 0))
        drawFrame(face, surface);
    else if (m_paint.nextX == kFirstBlockX)
        reset(face);
    // Fewer blocks may be due than are drawn: the value is below the last
    // peak, or Min or Max moved since the blocks were measured. The peak
    // stays until a value reaches it again, so every value below it
    // redraws the whole bar.
    // A redraw for a moved range is no decrease: the peak follows the value
    // as it does for any value that reaches it.
    const bool belowThePeak = face.value < m_paint.lastValue;
    if (belowThePeak || face.min != m_paint.paintedMin || face.max != m_paint.paintedMax) {
        m_paint.savedValue = qint64(face.value) - face.min;
        m_paint.restartPending = true;
        drawFrame(face, surface);
    }
    if (!belowThePeak)
        m_paint.lastValue = face.value;
    if (face.value <= face.min)
        drawFrame(face, surface);
    if ((*face.pieces)[0].image().isNull())
        return; // nothing to draw with: the trough stays empty

    // Blocks are due while their left edge lies below barWidth / range
    // pixels per unit times the units, reckoned in floating point: at an
    // exact tie the rounding of the product decides.
    const auto paintDue = [&](qint64 units, qint64 range) {
        const double perUnit = (100.0 / double(range)) * (0.01 * double(m_paint.barWidth));
        while (double(m_paint.nextX) < perUnit * double(units)) {
            if (m_paint.nextX + kBlockPitch >= m_paint.barWidth)
                paintLastBlock(face, surface);
            if (m_paint.finished != 0)
                break;
            paintPicture(surface, (*face.pieces)[2], m_paint.nextX, kBorder, m_paint.pieceWidth, m_paint.innerHeight);
            m_paint.nextX += kBlockPitch;
        }
    };

    const qint64 range = qint64(face.max) - face.min;
    const qint64 units = qint64(face.value) - face.min;
    if (range < 1 || range > kMaxUnits) { // units <= range: Value was checked against Max
        // No measure for the blocks: the bar is full at Max, and nothing
        // else is drawn.
        if (face.value == face.max)
            paintDue(1, 1);
        return;
    }
    if (units < m_paint.gate)
        return; // the same value again: nothing new
    m_paint.gate = units + 1;
    m_paint.stepCount = qint16(units);
    paintDue(m_paint.stepCount, range);
}

void BarPainter::paintLastBlock(const BarFace &face, Surface &surface)
{
    // The whole block squeezed into what is left before the right rim.
    const int remain = m_paint.barWidth - kBorder - m_paint.nextX;
    if (remain > 0)
        paintPicture(surface, (*face.pieces)[2], m_paint.nextX, kBorder, remain, m_paint.innerHeight);
    m_paint.finished = 1;
}

void BarPainter::paintSmooth(const BarFace &face, Surface &surface)
{
    if ((*face.pieces)[0].image().isNull())
        return; // nothing to draw with: the trough stays empty
    const Surface &blank = artwork().blank;
    const int x = m_paint.markerX;
    const int w = m_paint.pieceWidth / 2;
    if (x != kMarkerRestart && x != kMarkerStart)
        paintPicture(surface, blank, x - kMarkerStep, kBorder, w, m_paint.innerHeight);
    if (x + 4 * kMarkerStep < m_paint.barWidth)
        paintPicture(surface, (*face.pieces)[2], x + 2 * kMarkerStep, kBorder, w, m_paint.innerHeight);
    if (x + 2 * kMarkerStep < m_paint.barWidth)
        paintPicture(surface, (*face.pieces)[1], x + kMarkerStep, kBorder, w, m_paint.innerHeight);
    if (x + kMarkerStep < m_paint.barWidth)
        paintPicture(surface, (*face.pieces)[0], x, kBorder, w, m_paint.innerHeight);
    if (x + kMarkerStep >= m_paint.barWidth) {
        const int remain = m_paint.barWidth - kBorder - x;
        if (remain > 0)
            paintPicture(surface, blank, x, kBorder, remain, m_paint.innerHeight);
        // The next run starts on the rim's inner column, and its first erase
        // whitens that column: kept as the bar has always done it.
        m_paint.markerX = kMarkerRestart;
        return;
    }
    m_paint.markerX = x + kMarkerStep;
}
