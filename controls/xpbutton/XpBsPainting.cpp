// The painting pipeline of XpBs: the button's face taken from its state,
// the rounded region, and the painters, which draw a face of any style with
// its picture and caption.
#include "XpBs.h"
#include "XpBsFace.h"

#include "platform/raster/SystemColors.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using platform::COLORREF;
using platform::RECT;

namespace {

constexpr int kMinimumSize = 10; // pixels: 150 twips

} // namespace


void XpBs::UserControl_Resize()
{
    if (width() < kMinimumSize || height() < kMinimumSize)
        resize(std::max(width(), kMinimumSize), std::max(height(), kMinimumSize));
    FaceWidth = width();
    FaceHeight = height();
    m_regionValid = false; // an applied region belongs to the window system
    if (m_buttonStyle == 3)
        MakeRegion();
    Refresh();
}

void XpBs::MakeRegion()
{
    const int w = FaceWidth;
    const int h = FaceHeight;
    // Three pixels off each corner: the corner and its two neighbours.
    const QRegion cuts[] = {
        platform::CreateRectRgn(0, 0, 2, 1),     platform::CreateRectRgn(0, h, 2, h - 1),
        platform::CreateRectRgn(w, 0, w - 2, 1), platform::CreateRectRgn(w, h, w - 2, h - 1),
        platform::CreateRectRgn(0, 1, 1, 2),     platform::CreateRectRgn(0, h - 1, 1, h - 2),
        platform::CreateRectRgn(w, 1, w - 1, 2), platform::CreateRectRgn(w, h - 1, w - 1, h - 2),
    };
    QRegion region = platform::CreateRectRgn(0, 0, w, h);
    for (const QRegion &cut : cuts)
        region = region.subtracted(cut);
    m_region = region;
    m_regionValid = true;
    setMask(region);
}

XpBsFace XpBs::face() const
{
    XpBsFace face;
    face.width = width();
    face.height = height();
    face.faceWidth = FaceWidth;
    face.faceHeight = FaceHeight;
    face.style = m_buttonStyle;
    face.enabled = isEnabled();
    face.userMode = m_userMode;
    face.isDefault = m_default;
    face.hasFocus = HasFocus == 1;
    face.isDown = IsDown == 1;
    face.isOver = IsOver == 1;
    face.showFocusRect = m_showFocusRect;
    face.transparentBG = m_transparentBG;
    face.xpDefaultColors = m_xpDefaultColors;
    face.xpShowBorderAlways = m_xpShowBorderAlways;
    face.backColor = m_backColor;
    face.foreColor = m_foreColor;
    face.xpColorPressed = m_xpColorPressed;
    face.xpColorHover = m_xpColorHover;
    face.maskColor = m_maskColor;
    face.surfaceBackColor = m_surfaceBackColor;
    face.surfaceForeColor = m_surfaceForeColor;
    face.bevel = m_bevel;
    face.bevelDepth = m_bevelDepth;
    face.picture = m_picture;
    face.pictureWidth = m_pictureWidth;
    face.pictureHeight = m_pictureHeight;
    face.picturePosition = m_picturePosition;
    face.caption = m_caption;
    // Only a transparent background shows the container's picture.
    if (m_transparentBG && parentWidget()) {
        const QVariant picture = parentWidget()->property("Picture");
        face.parentBackground = picture.value<QImage>();
        if (face.parentBackground.isNull())
            face.parentBackground = picture.value<QPixmap>().toImage();
    }
    face.position = pos();
    face.layout = m_layout;
    return face;
}

void XpBs::Refresh()
{
    paintFace(face());
}

void XpBs::paintFace(const XpBsFace &face)
{
    // The image has the screen's device pixels; the painters draw in the
    // button's own (design) pixels onto it.
    const qreal ratio = devicePixelRatioF();
    if (m_image.size() != platform::deviceSize(size(), ratio) || m_image.devicePixelRatio() != ratio
        || m_image.isNull()) {
        m_image = QImage(platform::deviceSize(QSize(std::max(1, width()), std::max(1, height())), ratio),
                         QImage::Format_RGB32);
        m_image.setDevicePixelRatio(ratio);
        const QFont font = m_surface.font();
        m_surface = platform::Surface(&m_image);
        m_surface.setFont(font);
    }
    // What a repaint changes (the colour the surface is cleared to, the
    // layout) is taken back from the painters.
    const xpbs::Painted painted = xpbs::paint(face, m_surface, m_scaledPictures);
    m_surfaceBackColor = painted.cleared;
    m_layout = painted.layout;
    update();
    ++m_paints;
}

// ---------------------------------------------------------------- painters

namespace xpbs {

using platform::Surface;

namespace {

constexpr COLORREF kSysHighlight = 0x8000000D;

// RGB() from parts held as 16-bit integers, parts above 255 taken as 255.
COLORREF rgbClamped(double red, double green, double blue)
{
    const auto part = [](double value) { return std::clamp(int(qint16(value)), 0, 255); };
    return platform::RGB(part(red), part(green), part(blue));
}

struct RGBParts {
    double red = 0;
    double green = 0;
    double blue = 0;
};

} // namespace

static RGBParts SplitColor(COLORREF colour);
static void ClearSurface(Surface &surface, COLORREF colour);
static COLORREF PaintBackground(const XpBsFace &face, Surface &surface);
static void PaintParentBackground(const XpBsFace &face, Surface &surface);
static void DrawLine(Surface &surface, int x1, int y1, int x2, int y2, COLORREF colour);
static void DrawRect(Surface &surface, int left, int top, int right, int bottom, COLORREF colour, quint8 filled);
static void DrawBorder(const XpBsFace &face, Surface &surface);
static void DrawSingleBorder(const XpBsFace &face, Surface &surface, bool raised);
static void DrawBevel(const XpBsFace &face, Surface &surface, COLORREF base, int bevel, int depth, bool raised);
static void DrawDefaultFrame(const XpBsFace &face, Surface &surface);
static void DrawXPFace(const XpBsFace &face, Surface &surface, int state, int hover);
// What it does not place (a lone picture's caption, a picture at an
// unknown position) stays where the last layout put it.
static XpBsFace::Layout CalcLayout(const XpBsFace &face, Surface &surface);
static RECT MeasureCaption(const XpBsFace &face, Surface &surface, const RECT &inner);
static void DrawPicture(const XpBsFace &face, Surface &surface, ScaledPictures &pictures, const RECT &placed);
static void DrawBitmapPicture(const XpBsFace &face, Surface &surface, ScaledPictures &pictures, quint8 normal,
                              const RECT &rect, quint8 grey);
static void DrawIconPicture(const XpBsFace &face, Surface &surface, ScaledPictures &pictures, quint8 normal,
                            const RECT &rect, quint8 grey);
// Copies a source rectangle to (x, y), leaving the pixels of the mask
// colour transparent.
static void BlitMasked(Surface &dest, Surface &background, Surface &src, int srcLeft, int srcTop, int srcRight,
                       int srcBottom, int destX, int destY, COLORREF mask);
static void DrawCaption(const XpBsFace &face, Surface &surface, const RECT &placed);
static bool hasDrawablePicture(const XpBsFace &face);

COLORREF TranslateSysColor(COLORREF colour)
{
    if (colour <= 0xFFFFFF)
        return colour;
    return platform::GetSysColor(int(colour & 0xFFFFFF));
}

static RGBParts SplitColor(COLORREF colour)
{
    RGBParts parts;
    parts.blue = std::trunc(double(colour) / 256.0 / 256.0);
    parts.green = std::trunc((double(colour) - parts.blue * 65536.0) / 256.0);
    parts.red = std::trunc(double(colour) - parts.blue * 65536.0 - parts.green * 256.0);
    return parts;
}

static COLORREF PaintBackground(const XpBsFace &face, Surface &surface)
{
    COLORREF cleared = face.surfaceBackColor;
    const auto clear = [&](COLORREF colour) {
        cleared = colour;
        ClearSurface(surface, colour);
    };
    if (face.style == 3)
        return cleared; // the XP face fills itself
    if (face.style == 2) {
        if (!face.isDown && face.transparentBG)
            PaintParentBackground(face, surface);
        else
            clear(face.backColor);
        const RGBParts hl = SplitColor(TranslateSysColor(kSysHighlight));
        if (face.isOver && !face.isDown)
            clear(face.xpDefaultColors ? rgbClamped(hl.red + 171, hl.green + 154, hl.blue + 108) : face.xpColorHover);
        // Red and green lose 15 against the hover colour; blue does not.
        if (face.isDown)
            clear(face.xpDefaultColors ? rgbClamped(hl.red + 156, hl.green + 139, hl.blue + 108) : face.xpColorPressed);
        return cleared;
    }
    if (face.transparentBG)
        PaintParentBackground(face, surface);
    return cleared;
}

static void PaintParentBackground(const XpBsFace &face, Surface &surface)
{
    if (face.parentBackground.isNull())
        return; // nothing to copy: the cleared colour stays
    QImage background = face.parentBackground.convertToFormat(QImage::Format_RGB32);
    const Surface source(&background);
    platform::BitBlt(surface, 0, 0, face.width, face.height, source, face.position.x(), face.position.y(),
                     platform::SRCCOPY);
}

static void ClearSurface(Surface &surface, COLORREF colour)
{
    // Setting a surface's background colour clears all of it to that colour.
    DrawRect(surface, 0, 0, surface.width(), surface.height(), colour, 1);
}

static void DrawLine(Surface &surface, int x1, int y1, int x2, int y2, COLORREF colour)
{
    surface.MoveToEx(x1, y1);
    surface.LineTo(x2, y2, colour);
}

static void DrawRect(Surface &surface, int left, int top, int right, int bottom, COLORREF colour, quint8 filled)
{
    const RECT rect{left, top, right, bottom};
    if (filled == 1)
        platform::FillRect(surface, rect, TranslateSysColor(colour));
    else
        platform::FrameRect(surface, rect, TranslateSysColor(colour));
}

COLORREF OffsetColor(COLORREF colour, qint32 amount)
{
    // Integer division truncates toward zero, as does C++'s.
    const qint64 blue = (qint64(colour) / 65536) % 256;
    const qint64 green = (qint64(colour) / 256) % 256;
    const qint64 red = qint64(colour) & 255;
    // Blue moves by blue x amount / 192, not by the amount itself.
    const qint64 newBlue = blue + (blue * amount) / 192;
    const qint64 newGreen = green + amount;
    const qint64 newRed = red + amount;
    const auto clamp = [](qint64 part) { return int(std::clamp<qint64>(part, 0, 255)); };
    return platform::RGB(clamp(newRed), clamp(newGreen), clamp(newBlue));
}

COLORREF AddToChannels(COLORREF colour, qint32 amount)
{
    const RGBParts parts = SplitColor(colour);
    // Parts are 16-bit integers held to 255; a negative depth stops at 0.
    const auto part = [amount](double value) {
        return int(std::clamp<qint64>(qint64(value) + amount, 0, 255));
    };
    return platform::RGB(part(parts.red), part(parts.green), part(parts.blue));
}

static void DrawSingleBorder(const XpBsFace &face, Surface &surface, bool raised)
{
    const int w = face.width;
    const int h = face.height;
    const COLORREF shadow = 0x80000010;
    const COLORREF highlight = 0x80000014;
    // The second frame's right and bottom lines fall outside the button.
    DrawRect(surface, 0, 0, w, h, raised ? shadow : highlight, 0);
    DrawRect(surface, 0, 0, w + 1, h + 1, raised ? highlight : shadow, 0);
}

namespace {

// The rings of a bevel that can show on a W x H button: those below `near`
// and those from `farFrom` up to `farTo`.
struct ShownRings {
    int near;
    int farFrom;
    int farTo;

    bool contains(int ring) const { return ring < near || (ring >= farFrom && ring < farTo); }
    // The next ring outward that can show; -1 past the outermost.
    int outwardFrom(int ring) const
    {
        int next = ring - 1;
        if (next >= farTo)
            next = farTo - 1;
        if (next >= near && !contains(next))
            next = near - 1;
        return next;
    }
};

// A ring's frame (i, i, W - i, H - i) is empty once the ring passes the
// middle of the smaller side.
ShownRings ringFrames(int width, int height)
{
    const int near = (std::min(width, height) + 1) / 2;
    return ShownRings{near, near, near};
}

// Ring j's lines run from (j, j) towards (W - j - 1, j) and (j, H - j - 1),
// end points excluded, and the rings further out are drawn after it. Only a
// ring within the smaller side, or one whose lines reach past where the top
// lines of the rings further out end, leaves a pixel of its own: ring j
// with j < min(W, H), or max(W, H) - min(W, H) <= j < max(W, H).
ShownRings ringLines(int width, int height)
{
    const int smaller = std::min(width, height);
    const int larger = std::max(width, height);
    return ShownRings{smaller, larger - smaller, larger};
}

// Steps a colour once per ring, from ring `bevel` (the innermost) out to
// ring 0, and draws the rings that can show. Once a step no longer changes
// the colour, the rings between those that show are passed over; every
// channel gets there within 256 steps (each moves one way until it is
// clamped or its step rounds to nothing). So a huge BEVEL costs about what
// one that reaches the middle of the button costs.
template <typename Step, typename Draw>
void forEachRing(int bevel, COLORREF base, const ShownRings &shown, Step step, Draw draw)
{
    COLORREF colour = base;
    bool settled = false;
    int ring = bevel;
    while (ring >= 0) {
        if (!settled) {
            const COLORREF next = step(colour);
            settled = next == colour;
            colour = next;
        }
        if (shown.contains(ring))
            draw(ring, colour);
        ring = settled ? shown.outwardFrom(ring) : ring - 1;
    }
}

} // namespace

static void DrawBevel(const XpBsFace &face, Surface &surface, COLORREF base, int bevel, int depth, bool raised)
{
    const int w = face.width;
    const int h = face.height;
    const auto darker = [depth](COLORREF colour) { return OffsetColor(colour, -depth); };
    const auto lighter = [depth](COLORREF colour) { return AddToChannels(colour, depth); };
    const auto frame = [&](int i, COLORREF colour) { DrawRect(surface, i, i, w - i, h - i, colour, 0); };
    const auto lines = [&](int j, COLORREF colour) {
        DrawLine(surface, j, j, w - j - 1, j, colour);
        DrawLine(surface, j, j, j, h - j - 1, colour);
    };
    // Raised, each ring outward is darker and its top and left lighter,
    // more so outward; pressed, the other way round.
    if (raised) {
        forEachRing(bevel, base, ringFrames(w, h), darker, frame);
        forEachRing(bevel, base, ringLines(w, h), lighter, lines);
    } else {
        forEachRing(bevel, base, ringFrames(w, h), lighter, frame);
        forEachRing(bevel, base, ringLines(w, h), darker, lines);
    }
}

static void DrawDefaultFrame(const XpBsFace &face, Surface &surface)
{
    if (face.bevel >= 2) {
        DrawBevel(face, surface, TranslateSysColor(face.surfaceBackColor), face.bevel, int(face.bevelDepth) + 3, true);
        return;
    }
    // Over a raised border this leaves a two-pixel shadow right and bottom.
    DrawRect(surface, 0, 0, face.width - 1, face.height - 1, 0x80000010, 0);
    DrawRect(surface, 0, 0, face.width + 1, face.height + 1, 0x80000014, 0);
}

static void DrawBorder(const XpBsFace &face, Surface &surface)
{
    if (!face.userMode) {
        // The form designer shows every style at rest.
        if (face.style == 3) {
            DrawXPFace(face, surface, 0, 0);
        } else if (face.style == 2) {
            PaintBackground(face, surface);
        } else if (face.bevel >= 2) {
            DrawBevel(face, surface, TranslateSysColor(face.surfaceBackColor), face.bevel, face.bevelDepth, true);
        } else {
            DrawSingleBorder(face, surface, true);
        }
        return;
    }
    if (face.style == 2) {
        if (face.isOver || face.xpShowBorderAlways)
            DrawRect(surface, 0, 0, face.width, face.height, face.foreColor, 0);
        return;
    }
    if (face.style == 3) {
        if (face.isDown)
            DrawXPFace(face, surface, 2, 0);
        else if (face.isOver)
            DrawXPFace(face, surface, 0, 1);
        else
            DrawXPFace(face, surface, 0, 0);
        return;
    }
    const COLORREF base = TranslateSysColor(face.surfaceBackColor);
    const auto border = [&](bool raised) {
        if (face.bevel >= 2)
            DrawBevel(face, surface, base, face.bevel, face.bevelDepth, raised);
        else
            DrawSingleBorder(face, surface, raised);
    };
    if (face.isDown)
        border(false);
    const bool raised = (face.isOver && !face.isDown) || (!face.isOver && !face.isDown && face.style == 0);
    if (raised)
        border(true);
    if ((face.hasFocus && face.style == 0 && !face.isDown) || face.isDefault)
        DrawDefaultFrame(face, surface);
}

namespace {

struct XPLine {
    int x1, y1, x2, y2, amount;
};

// Rounds -step x row to the nearest integer, halves to even. The step is
// kept in single precision and a single times an integer is a single, so
// the product is rounded to single precision first: at height 30, row 9,
// 0.8333333 x 9 becomes 7.5 and gives -8, where the product taken in double
// precision (7.4999998) would give -7.
qint32 roundedStep(float step, int row)
{
    return qint32(std::nearbyint(-step * float(row)));
}

} // namespace

static void DrawXPFace(const XpBsFace &face, Surface &surface, int state, int hover)
{
    const int w = face.faceWidth;
    const int h = face.faceHeight;
    const COLORREF darkShadow = platform::GetSysColor(platform::COLOR_3DDKSHADOW);
    const auto drawLines = [&surface](std::initializer_list<XPLine> lines, COLORREF colour) {
        for (const XPLine &line : lines)
            DrawLine(surface, line.x1, line.y1, line.x2, line.y2, OffsetColor(colour, line.amount));
    };
    const auto cornerPixels = [&](COLORREF colour) {
        platform::SetPixelV(surface, 1, 1, colour);
        platform::SetPixelV(surface, 1, h - 2, colour);
        platform::SetPixelV(surface, w - 2, 1, colour);
        platform::SetPixelV(surface, w - 2, h - 2, colour);
    };

    DrawRect(surface, 0, 0, w, h, face.backColor, 1);
    const COLORREF base = TranslateSysColor(face.backColor);
    const COLORREF t = OffsetColor(base, 48);
    if (!face.enabled) {
        DrawRect(surface, 0, 0, w, h, OffsetColor(t, -24), 1);
        DrawRect(surface, 0, 0, w, h, OffsetColor(t, -84), 0);
        cornerPixels(OffsetColor(t, -72));
        return;
    }
    const COLORREF focus = TranslateSysColor(face.xpDefaultColors ? platform::RGB(140, 170, 230) : face.xpColorPressed);
    const COLORREF over = TranslateSysColor(face.xpDefaultColors ? platform::RGB(225, 153, 71) : face.xpColorHover);

    if (state == 2) {
        const float step = 15.0f / float(h);
        const COLORREF b = OffsetColor(t, -32);
        for (int i = 1; i <= h; ++i)
            DrawLine(surface, 0, h - i, w, h - i, OffsetColor(b, roundedStep(step, i)));
        DrawRect(surface, 0, 0, w, h, darkShadow, 0);
        cornerPixels(darkShadow);
        drawLines({{2, h - 2, w - 2, h - 2, 16}, {1, h - 3, w - 2, h - 3, 10}, {w - 2, 2, w - 2, h - 2, 5},
                   {w - 3, 3, w - 3, h - 3, 0}, {2, 1, w - 2, 1, -32}, {1, 2, w - 2, 2, -24},
                   {1, 2, 1, h - 2, -32}, {2, 2, 2, h - 2, -22}},
                  b);
        return;
    }

    const float step = 25.0f / float(h);
    for (int i = 1; i <= h; ++i)
        DrawLine(surface, 0, i, w, i, OffsetColor(t, roundedStep(step, i)));
    DrawRect(surface, 0, 0, w, h, darkShadow, 0);
    cornerPixels(darkShadow);
    if (face.hasFocus) {
        DrawRect(surface, 1, 2, w - 1, h - 2, focus, 0);
        drawLines({{2, h - 2, w - 2, h - 2, -33}, {2, 1, w - 2, 1, 65}, {1, 2, w - 1, 2, 50},
                   {2, 3, 2, h - 3, 31}, {w - 3, 3, w - 3, h - 3, 31}},
                  focus);
    } else {
        drawLines({{2, h - 2, w - 2, h - 2, -48}, {1, h - 3, w - 2, h - 3, -32}, {w - 2, 2, w - 2, h - 2, -36},
                   {w - 3, 3, w - 3, h - 3, -24}, {2, 1, w - 2, 1, 16}, {1, 2, w - 2, 2, 10},
                   {1, 2, 1, h - 2, -5}, {2, 3, 2, h - 3, -10}},
                  t);
    }
    if (hover == 1) {
        DrawRect(surface, 1, 2, w - 1, h - 2, over, 0);
        drawLines({{2, h - 2, w - 2, h - 2, -40}, {2, 1, w - 2, 1, 90}, {1, 2, w - 1, 2, 35},
                   {2, 3, 2, h - 3, 20}, {w - 3, 3, w - 3, h - 3, 20}},
                  over);
    }
}

static bool hasDrawablePicture(const XpBsFace &face)
{
    // An empty picture object holds no image: it lays out like no picture.
    return face.picture && face.picture->type != platform::PictureData::Empty;
}

static XpBsFace::Layout CalcLayout(const XpBsFace &face, Surface &surface)
{
    // What this layout does not place stays where the last one put it.
    XpBsFace::Layout layout = face.layout;
    const RECT inner{0 + 4, 0 + 4, (face.width - 1) - 4 + 1, (face.height - 1) - 4 + 1};
    layout.inner = inner;
    const int picW = face.pictureWidth;
    const int picH = face.pictureHeight;
    if (!hasDrawablePicture(face)) {
        layout.caption = MeasureCaption(face, surface, inner);
        return layout;
    }
    if (face.caption.isEmpty()) {
        // Any 32-bit size: the free space is taken in 64 bits; halved, it fits again.
        RECT &picture = layout.picture;
        picture.left = int(inner.left + (qint64(inner.width()) - picW) / 2);
        picture.top = int(inner.top + (qint64(inner.height()) - picH) / 2);
        picture.right = picture.left + picW;
        picture.bottom = picture.top + picH;
        return layout;
    }
    layout.caption = MeasureCaption(face, surface, inner);
    PlacePair(inner, picW, picH, layout.caption.width(), layout.caption.height(), face.picturePosition,
              layout.picture, layout.caption);
    return layout;
}

bool PlacePair(const RECT &inner, int pictureWidth, int pictureHeight, int capW, int capH, qint32 position,
                     RECT &picture, RECT &caption)
{
    // The picture may have any 32-bit size: the free space is taken in 64
    // bits, and as only half of it moves an edge, every edge fits 32 bits.
    const qint64 picW = pictureWidth;
    const qint64 picH = pictureHeight;
    const qint64 innerW = inner.width();
    const qint64 innerH = inner.height();
    const auto place = [](RECT &rect, qint64 left, qint64 top, qint64 w, qint64 h) {
        rect = RECT{int(left), int(top), int(left + w), int(top + h)};
    };
    switch (position) {
    case 0: // picture above
        place(picture, inner.left + (innerW - picW) / 2, inner.top + (innerH - (picH + 4 + capH)) / 2, picW, picH);
        place(caption, inner.left + (innerW - capW) / 2, picture.bottom + 4, capW, capH);
        return true;
    case 1: // picture left
        place(picture, inner.left + (innerW - (picW + 4 + capW)) / 2, inner.top + (innerH - picH) / 2, picW, picH);
        place(caption, picture.right + 4, inner.top + (innerH - capH) / 2, capW, capH);
        return true;
    case 2: // picture right
        place(caption, inner.left + (innerW - (picW + 4 + capW)) / 2, inner.top + (innerH - capH) / 2, capW, capH);
        place(picture, caption.right + 4, inner.top + (innerH - picH) / 2, picW, picH);
        return true;
    case 3: // picture below
        place(caption, inner.left + (innerW - capW) / 2, inner.top + (innerH - (picH + 4 + capH)) / 2, capW, capH);
        place(picture, inner.left + (innerW - picW) / 2, caption.bottom + 4, picW, picH);
        return true;
    default: // the caption stays centred, the picture where it was
        return false;
    }
}

static RECT MeasureCaption(const XpBsFace &face, Surface &surface, const RECT &inner)
{
    RECT caption = inner;
    platform::DrawTextEx(surface, face.caption, caption,
                         platform::DT_CALCRECT | platform::DT_WORDBREAK | platform::DT_VCENTER | platform::DT_CENTER);
    const int capW = caption.width();
    const int capH = caption.height();
    caption.left = inner.left + (inner.width() - capW) / 2;
    caption.top = inner.top + (inner.height() - capH) / 2;
    caption.right = caption.left + capW;
    caption.bottom = caption.top + capH;
    return caption;
}

namespace {

constexpr COLORREF kSilhouette = platform::RGB(146, 146, 146);

// The part of a picture drawn at its drawn size with its top left at `rect`
// that can fall on a W x H surface, in the drawn picture's own pixels: what
// the surface shows, and a pixel around it for the embossed copy, which
// lies one pixel down and right. Empty when nothing of it can show.
QRect partOnTheSurface(const RECT &rect, int drawnW, int drawnH, int surfaceW, int surfaceH)
{
    const qint64 left = std::max<qint64>(0, -1 - qint64(rect.left));
    const qint64 top = std::max<qint64>(0, -1 - qint64(rect.top));
    const qint64 right = std::min<qint64>(drawnW, qint64(surfaceW) + 1 - rect.left);
    const qint64 bottom = std::min<qint64>(drawnH, qint64(surfaceH) + 1 - rect.top);
    if (left >= right || top >= bottom)
        return QRect();
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

// The device pixels per design pixel pictures are scaled for on a surface:
// its ratio where that is whole, so that every design pixel is a block of
// device pixels; elsewhere 1, the picture's design pixels spread as the
// surface spreads any.
int pictureRatio(const platform::Surface &surface)
{
    const qreal ratio = surface.devicePixelRatio();
    return ratio > 1 && ratio == std::floor(ratio) ? int(ratio) : 1;
}

// The part of a whole image stretched to drawnW x drawnH: the same pixels
// as stretching it whole and cutting the part out, without the whole. At a
// ratio the image is stretched to the device pixels, not the design's.
platform::Surface stretchedPart(const platform::Surface &source, int drawnW, int drawnH, const QRect &part,
                                int ratio)
{
    platform::Surface result(part.width(), part.height(), platform::Surface::Format::Colour, ratio);
    // The same pixels with no ratio of their own, to stretch onto.
    QImage &image = result.image();
    QImage deviceView(image.bits(), image.width(), image.height(), image.bytesPerLine(), image.format());
    platform::Surface device(&deviceView);
    platform::StretchBlt(device, -part.x() * ratio, -part.y() * ratio, drawnW * ratio, drawnH * ratio, source, 0,
                         0, source.width(), source.height(), platform::SRCCOPY);
    return result;
}

RECT offsetBy(const RECT &rect, int d)
{
    return RECT{rect.left + d, rect.top + d, rect.right + d, rect.bottom + d};
}

// The part of an image enlarged or shrunk to drawnW x drawnH by taking,
// for each drawn pixel, the first source pixel it covers: the whole picture
// scaled and cut, in the image's own format where it has 32 bits a pixel.
QImage replicatedPart(const QImage &image, int drawnW, int drawnH, const QRect &part)
{
    const bool wide = image.depth() == 32;
    QImage result(part.size(), wide ? image.format() : QImage::Format_ARGB32);
    std::vector<int> columns(std::size_t(part.width()));
    for (int i = 0; i < part.width(); ++i)
        columns[std::size_t(i)] = int(qint64(part.x() + i) * image.width() / drawnW);
    for (int row = 0; row < part.height(); ++row) {
        const int sourceRow = int(qint64(part.y() + row) * image.height() / drawnH);
        auto *out = reinterpret_cast<QRgb *>(result.scanLine(row));
        if (wide) {
            const auto *in = reinterpret_cast<const QRgb *>(image.constScanLine(sourceRow));
            for (int i = 0; i < part.width(); ++i)
                out[i] = in[columns[std::size_t(i)]];
        } else {
            for (int i = 0; i < part.width(); ++i)
                out[i] = image.pixel(columns[std::size_t(i)], sourceRow);
        }
    }
    return result;
}

// A bitmap drawn at its own size onto a fresh surface of that size: the
// bitmap itself when it is in the surface's format already.
QImage atOwnSize(const QImage &bitmap)
{
    if (bitmap.format() == QImage::Format_RGB32)
        return bitmap;
    platform::Surface native(bitmap.width(), bitmap.height());
    platform::DrawState(native, bitmap, 0, 0, platform::DST_BITMAP | platform::DSS_NORMAL);
    return native.image();
}

// The bitmap with its pixels of the mask colour made white: what the masked
// blit of the bitmap onto a white surface leaves, without its four
// temporary bitmaps of the picture's size.
QImage maskedToWhite(const QImage &bitmap, COLORREF mask)
{
    QImage result = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb maskPixel = platform::toQRgb(mask) & 0xFFFFFFu;
    for (int y = 0; y < result.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if ((row[x] & 0xFFFFFFu) == maskPixel)
                row[x] = 0xFFFFFFFFu;
        }
    }
    return result;
}

} // namespace

static void DrawPicture(const XpBsFace &face, Surface &surface, ScaledPictures &pictures, const RECT &placed)
{
    if (!hasDrawablePicture(face))
        return;
    const bool lifted = face.isOver && !face.isDown && face.style == 2;
    const int d = lifted ? -3 : (face.isDown && face.style != 2 ? 1 : 0);
    const RECT shown = offsetBy(placed, d);
    const int type = face.picture->type;
    if (type == platform::PictureData::Bitmap || type == platform::PictureData::Icon) {
        const auto draw = [&](quint8 normal, const RECT &rect, quint8 grey) {
            if (type == platform::PictureData::Bitmap)
                DrawBitmapPicture(face, surface, pictures, normal, rect, grey);
            else
                DrawIconPicture(face, surface, pictures, normal, rect, grey);
        };
        if (!face.enabled) {
            draw(0, shown, 0);
        } else {
            if (lifted)
                draw(0, placed, 1); // the shadow under the lifted picture
            draw(1, shown, 0);
        }
    }
}

static void DrawBitmapPicture(const XpBsFace &face, Surface &surface, ScaledPictures &pictures, quint8 normal,
                              const RECT &rect, quint8 grey)
{
    using platform::Surface;
    const QImage &bitmap = face.picture->image;
    const int drawnW = face.pictureWidth;
    const int drawnH = face.pictureHeight;
    if (drawnW <= 0 || drawnH <= 0 || bitmap.isNull())
        return;
    // Only the part that can show is scaled, and it is kept: the picture's
    // own size is that of its image, whatever size was stored.
    const QRect part = partOnTheSurface(rect, drawnW, drawnH, face.width, face.height);
    if (part.isEmpty())
        return;
    const int x = rect.left + part.x();
    const int y = rect.top + part.y();
    const int ratio = pictureRatio(surface);

    if (normal == 1) {
        const ScaledPictures::Key key{ScaledPictures::Kind::Bitmap, 0, QSize(drawnW, drawnH), part, ratio};
        Surface &scaled = pictures.get(face.picture, key, [&] {
            QImage nativeImage = atOwnSize(bitmap);
            return stretchedPart(Surface(&nativeImage), drawnW, drawnH, part, ratio);
        });
        BlitMasked(surface, surface, scaled, 0, 0, part.width(), part.height(), x, y, face.maskColor);
        return;
    }
    // The mask colour becomes white, which the silhouette and the emboss
    // leave out.
    const ScaledPictures::Key key{ScaledPictures::Kind::BitmapMaskedToWhite, face.maskColor, QSize(drawnW, drawnH),
                                  part, ratio};
    Surface &scaled = pictures.get(face.picture, key, [&] {
        QImage nativeImage = maskedToWhite(bitmap, face.maskColor);
        return stretchedPart(Surface(&nativeImage), drawnW, drawnH, part, ratio);
    });
    const quint32 flags = platform::DST_BITMAP | (grey == 1 ? platform::DSS_MONO : platform::DSS_DISABLED);
    platform::DrawState(surface, scaled.image(), x, y, flags, kSilhouette);
}

static void DrawIconPicture(const XpBsFace &face, Surface &surface, ScaledPictures &pictures, quint8 normal,
                            const RECT &rect, quint8 grey)
{
    using platform::Surface;
    const QImage &icon = face.picture->image;
    const int rectW = rect.width();
    const int rectH = rect.height();
    if (icon.isNull() || rectW <= 0 || rectH <= 0)
        return;
    if (normal == 1) {
        // Painted scaled into the rectangle: only the part on the surface.
        const QRect part = partOnTheSurface(rect, rectW, rectH, face.width, face.height);
        if (part.isEmpty())
            return;
        const int r = pictureRatio(surface);
        QImage scaled = replicatedPart(icon, rectW * r, rectH * r,
                                       QRect(part.x() * r, part.y() * r, part.width() * r, part.height() * r));
        scaled.setDevicePixelRatio(r);
        QPainter painter(&surface.image());
        painter.drawImage(QPoint(rect.left + part.x(), rect.top + part.y()), scaled);
        return;
    }
    // Stretched to the rectangle, of which the drawn size is blitted: what
    // lies beyond either stays black, the transparent colour here.
    const int drawnW = std::min(int(face.pictureWidth), rectW);
    const int drawnH = std::min(int(face.pictureHeight), rectH);
    if (drawnW <= 0 || drawnH <= 0)
        return;
    const QRect part = partOnTheSurface(rect, drawnW, drawnH, face.width, face.height);
    if (part.isEmpty())
        return;
    const int ratio = pictureRatio(surface);
    const ScaledPictures::Key key{grey == 1 ? ScaledPictures::Kind::IconSilhouette : ScaledPictures::Kind::IconEmbossed,
                                  0, QSize(rectW, rectH), part, ratio};
    Surface &scaled = pictures.get(face.picture, key, [&] {
        Surface native(icon.width(), icon.height()); // black, and left so: black is the transparent colour here
        const quint32 flags = platform::DST_ICON | (grey == 1 ? platform::DSS_MONO : platform::DSS_DISABLED);
        platform::DrawState(native, icon, 0, 0, flags, kSilhouette);
        return stretchedPart(native, rectW, rectH, part, ratio);
    });
    BlitMasked(surface, surface, scaled, 0, 0, part.width(), part.height(),
               rect.left + part.x(), rect.top + part.y(), 0);
}

static void BlitMasked(Surface &dest, Surface &background, Surface &src, int srcLeft, int srcTop, int srcRight,
                       int srcBottom, int destX, int destY, COLORREF mask)
{
    using platform::Surface;
    const int w = qint16(srcRight - srcLeft);
    const int h = qint16(srcBottom - srcTop);
    if (w <= 0 || h <= 0)
        return;
    // At the source's ratio: a picture scaled for the device keeps its
    // device pixels.
    const qreal ratio = src.devicePixelRatio();
    Surface maskBits(w, h, Surface::Format::Monochrome, ratio);
    Surface inverse(w, h, Surface::Format::Monochrome, ratio);
    Surface result(w, h, Surface::Format::Colour, ratio);
    Surface sprite(w, h, Surface::Format::Colour, ratio);

    // Pixels of the mask colour become 1 in the mask, all others 0.
    {
        const platform::SavedDrawingState saved(src);
        src.SetBkColor(mask);
        platform::BitBlt(maskBits, 0, 0, w, h, src, srcLeft, srcTop, platform::SRCCOPY);
    }
    platform::BitBlt(inverse, 0, 0, w, h, maskBits, 0, 0, platform::NOTSRCCOPY);

    // The background survives where the source is transparent...
    result.SetTextColor(0x000000);
    result.SetBkColor(0xFFFFFF);
    platform::BitBlt(result, 0, 0, w, h, background, destX, destY, platform::SRCCOPY);
    platform::BitBlt(result, 0, 0, w, h, maskBits, 0, 0, platform::SRCAND);
    // ...the source where it is opaque.
    sprite.SetTextColor(0x000000);
    sprite.SetBkColor(0xFFFFFF);
    platform::BitBlt(sprite, 0, 0, w, h, src, srcLeft, srcTop, platform::SRCCOPY);
    platform::BitBlt(sprite, 0, 0, w, h, inverse, 0, 0, platform::SRCAND);

    platform::BitBlt(result, 0, 0, w, h, sprite, 0, 0, platform::SRCINVERT);
    platform::BitBlt(dest, destX, destY, w, h, result, 0, 0, platform::SRCCOPY);
}

static void DrawCaption(const XpBsFace &face, Surface &surface, const RECT &placed)
{
    if (face.caption.isEmpty())
        return;
    constexpr quint32 flags = platform::DT_WORDBREAK | platform::DT_VCENTER | platform::DT_CENTER;
    const platform::SavedDrawingState saved(surface);
    surface.SetTextColor(TranslateSysColor(face.foreColor));
    RECT caption = face.isDown && face.style != 2 ? offsetBy(placed, 1) : placed;
    if (face.enabled) {
        platform::DrawTextEx(surface, face.caption, caption, flags);
        return;
    }
    // Embossed: a highlight copy one pixel down and right, the shadow on top.
    RECT shifted = offsetBy(caption, 1);
    surface.SetTextColor(platform::GetSysColor(platform::COLOR_BTNHIGHLIGHT));
    platform::DrawTextEx(surface, face.caption, shifted, flags);
    surface.SetTextColor(platform::GetSysColor(platform::COLOR_BTNSHADOW));
    platform::DrawTextEx(surface, face.caption, caption, flags);
}

Painted paint(const XpBsFace &given, Surface &surface, ScaledPictures &pictures)
{
    ClearSurface(surface, given.surfaceBackColor); // Cls
    surface.SetTextColor(TranslateSysColor(given.surfaceForeColor));
    // The border and the default frame are shaded from what the background
    // left the surface cleared to.
    XpBsFace face = given;
    face.surfaceBackColor = PaintBackground(given, surface);
    if (face.style != 4)
        DrawBorder(face, surface);
    const XpBsFace::Layout layout = CalcLayout(face, surface);
    DrawPicture(face, surface, pictures, layout.picture);
    if (face.hasFocus && face.showFocusRect && face.style != 3)
        platform::DrawFocusRect(surface, RECT{4, 4, face.faceWidth - 4, face.faceHeight - 4});
    DrawCaption(face, surface, layout.caption);
    return Painted{face.surfaceBackColor, layout};
}

} // namespace xpbs
