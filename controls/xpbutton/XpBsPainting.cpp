// The painting pipeline of XpBs: background, faces of every style, the
// rounded region, the picture and the caption.
#include "XpBs.h"

#include "platform/SystemColors.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using platform::COLORREF;
using platform::RECT;

namespace {

constexpr COLORREF kSysHighlight = 0x8000000D;
constexpr int kMinimumSize = 10; // pixels: 150 twips

// RGB() from parts held as 16-bit integers, parts above 255 taken as 255.
COLORREF rgbClamped(double red, double green, double blue)
{
    const auto part = [](double value) { return std::clamp(int(qint16(value)), 0, 255); };
    return platform::RGB(part(red), part(green), part(blue));
}

} // namespace


COLORREF XpBs::TranslateSysColor(COLORREF colour)
{
    if (colour <= 0xFFFFFF)
        return colour;
    return platform::GetSysColor(int(colour & 0xFFFFFF));
}

XpBs::RGBParts XpBs::SplitColor(COLORREF colour)
{
    RGBParts parts;
    parts.blue = std::trunc(double(colour) / 256.0 / 256.0);
    parts.green = std::trunc((double(colour) - parts.blue * 65536.0) / 256.0);
    parts.red = std::trunc(double(colour) - parts.blue * 65536.0 - parts.green * 256.0);
    return parts;
}

void XpBs::UserControl_Resize()
{
    if (width() < kMinimumSize || height() < kMinimumSize)
        resize(std::max(width(), kMinimumSize), std::max(height(), kMinimumSize));
    FaceWidth = width();
    FaceHeight = height();
    FocusRect = RECT{4, 4, FaceWidth - 4, FaceHeight - 4};
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

void XpBs::setSurfaceBackColor(COLORREF colour)
{
    // Setting the background colour clears the whole image to it.
    m_surfaceBackColor = colour;
    platform::FillRect(m_surface, RECT{0, 0, m_image.width(), m_image.height()}, TranslateSysColor(colour));
}

void XpBs::Refresh()
{
    if (m_image.size() != size() || m_image.isNull()) {
        m_image = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
        const QFont font = m_surface.font();
        m_surface = platform::Surface(&m_image);
        m_surface.setFont(font);
    }
    setSurfaceBackColor(m_surfaceBackColor); // Cls
    m_surface.SetTextColor(TranslateSysColor(m_surfaceForeColor));
    PaintBackground();
    if (m_buttonStyle != 4)
        DrawBorder();
    CalcLayout();
    DrawPicture();
    if (HasFocus == 1 && m_showFocusRect && m_buttonStyle != 3)
        platform::DrawFocusRect(m_surface, FocusRect);
    DrawCaption();
    update();
    ++m_paints;
}

void XpBs::PaintBackground()
{
    if (m_buttonStyle == 3)
        return; // the XP face fills itself
    if (m_buttonStyle == 2) {
        if (IsDown == 0 && m_transparentBG)
            PaintParentBackground();
        else
            setSurfaceBackColor(m_backColor);
        const RGBParts hl = SplitColor(TranslateSysColor(kSysHighlight));
        if (IsOver == 1 && IsDown == 0) {
            setSurfaceBackColor(m_xpDefaultColors ? rgbClamped(hl.red + 171, hl.green + 154, hl.blue + 108)
                                                  : m_xpColorHover);
        }
        if (IsDown == 1) {
            // Red and green lose 15 against the hover colour; blue does not.
            setSurfaceBackColor(m_xpDefaultColors ? rgbClamped(hl.red + 156, hl.green + 139, hl.blue + 108)
                                                  : m_xpColorPressed);
        }
        return;
    }
    if (m_transparentBG)
        PaintParentBackground();
}

void XpBs::PaintParentBackground()
{
    const QWidget *container = parentWidget();
    if (!container)
        return;
    const QVariant picture = container->property("Picture");
    QImage background = picture.value<QImage>();
    if (background.isNull())
        background = picture.value<QPixmap>().toImage();
    if (background.isNull())
        return; // nothing to copy: the cleared colour stays
    background = background.convertToFormat(QImage::Format_RGB32);
    const platform::Surface source(&background);
    platform::BitBlt(m_surface, 0, 0, width(), height(), source, x(), y(), platform::SRCCOPY);
}

void XpBs::DrawLine(int x1, int y1, int x2, int y2, COLORREF colour)
{
    m_surface.MoveToEx(x1, y1);
    m_surface.LineTo(x2, y2, colour);
}

void XpBs::DrawRect(int left, int top, int right, int bottom, COLORREF colour, quint8 filled)
{
    const RECT rect{left, top, right, bottom};
    if (filled == 1)
        platform::FillRect(m_surface, rect, TranslateSysColor(colour));
    else
        platform::FrameRect(m_surface, rect, TranslateSysColor(colour));
}

COLORREF XpBs::OffsetColor(COLORREF colour, qint32 amount)
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

COLORREF XpBs::AddToChannels(COLORREF colour, qint32 amount)
{
    const RGBParts parts = SplitColor(colour);
    // Parts are 16-bit integers held to 255; a negative depth stops at 0.
    const auto part = [amount](double value) {
        return int(std::clamp<qint64>(qint64(value) + amount, 0, 255));
    };
    return platform::RGB(part(parts.red), part(parts.green), part(parts.blue));
}

void XpBs::DrawSingleBorder(bool raised)
{
    const int w = width();
    const int h = height();
    const COLORREF shadow = 0x80000010;
    const COLORREF highlight = 0x80000014;
    // The second frame's right and bottom lines fall outside the button.
    DrawRect(0, 0, w, h, raised ? shadow : highlight, 0);
    DrawRect(0, 0, w + 1, h + 1, raised ? highlight : shadow, 0);
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

void XpBs::DrawBevelUp(COLORREF base, int bevel, int depth)
{
    const int w = width();
    const int h = height();
    const auto darker = [depth](COLORREF colour) { return OffsetColor(colour, -depth); };
    const auto lighter = [depth](COLORREF colour) { return AddToChannels(colour, depth); };
    // Each ring outward darker...
    forEachRing(bevel, base, ringFrames(w, h), darker,
                [&](int i, COLORREF colour) { DrawRect(i, i, w - i, h - i, colour, 0); });
    // ...and its top and left lighter, more so outward.
    forEachRing(bevel, base, ringLines(w, h), lighter, [&](int j, COLORREF colour) {
        DrawLine(j, j, w - j - 1, j, colour);
        DrawLine(j, j, j, h - j - 1, colour);
    });
}

void XpBs::DrawBevelDown(COLORREF base, int bevel, int depth)
{
    const int w = width();
    const int h = height();
    const auto darker = [depth](COLORREF colour) { return OffsetColor(colour, -depth); };
    const auto lighter = [depth](COLORREF colour) { return AddToChannels(colour, depth); };
    forEachRing(bevel, base, ringFrames(w, h), lighter,
                [&](int n, COLORREF colour) { DrawRect(n, n, w - n, h - n, colour, 0); });
    forEachRing(bevel, base, ringLines(w, h), darker, [&](int n, COLORREF colour) {
        DrawLine(n, n, w - n - 1, n, colour);
        DrawLine(n, n, n, h - n - 1, colour);
    });
}

void XpBs::DrawDefaultFrame()
{
    if (m_bevel >= 2) {
        DrawBevelUp(TranslateSysColor(m_surfaceBackColor), m_bevel, int(m_bevelDepth) + 3);
        return;
    }
    // Over a raised border this leaves a two-pixel shadow right and bottom.
    DrawRect(0, 0, width() - 1, height() - 1, 0x80000010, 0);
    DrawRect(0, 0, width() + 1, height() + 1, 0x80000014, 0);
}

void XpBs::DrawBorder()
{
    if (!m_userMode) {
        // The form designer shows every style at rest.
        if (m_buttonStyle == 3) {
            DrawXPFace(0, 0);
        } else if (m_buttonStyle == 2) {
            PaintBackground();
        } else if (m_bevel >= 2) {
            DrawBevelUp(TranslateSysColor(m_surfaceBackColor), m_bevel, m_bevelDepth);
        } else {
            DrawSingleBorder(true);
        }
        return;
    }
    if (m_buttonStyle == 2) {
        if (IsOver == 1 || m_xpShowBorderAlways)
            DrawRect(0, 0, width(), height(), m_foreColor, 0);
        return;
    }
    if (m_buttonStyle == 3) {
        if (IsDown == 1)
            DrawXPFace(2, 0);
        else if (IsOver == 1)
            DrawXPFace(0, 1);
        else
            DrawXPFace(0, 0);
        return;
    }
    const COLORREF base = TranslateSysColor(m_surfaceBackColor);
    if (IsDown == 1) {
        if (m_bevel >= 2)
            DrawBevelDown(base, m_bevel, m_bevelDepth);
        else
            DrawSingleBorder(false);
    }
    const bool raised = (IsOver == 1 && IsDown == 0) || (IsOver == 0 && IsDown == 0 && m_buttonStyle == 0);
    if (raised) {
        if (m_bevel >= 2)
            DrawBevelUp(base, m_bevel, m_bevelDepth);
        else
            DrawSingleBorder(true);
    }
    if ((HasFocus == 1 && m_buttonStyle == 0 && IsDown == 0) || m_default)
        DrawDefaultFrame();
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

void XpBs::DrawXPFace(int state, int hover)
{
    const int w = FaceWidth;
    const int h = FaceHeight;
    const COLORREF darkShadow = platform::GetSysColor(platform::COLOR_3DDKSHADOW);
    const auto drawLines = [this](std::initializer_list<XPLine> lines, COLORREF colour) {
        for (const XPLine &line : lines)
            DrawLine(line.x1, line.y1, line.x2, line.y2, OffsetColor(colour, line.amount));
    };
    const auto cornerPixels = [&](COLORREF colour) {
        platform::SetPixelV(m_surface, 1, 1, colour);
        platform::SetPixelV(m_surface, 1, h - 2, colour);
        platform::SetPixelV(m_surface, w - 2, 1, colour);
        platform::SetPixelV(m_surface, w - 2, h - 2, colour);
    };

    DrawRect(0, 0, w, h, m_backColor, 1);
    const COLORREF base = TranslateSysColor(m_backColor);
    const COLORREF t = OffsetColor(base, 48);
    if (!isEnabled()) {
        DrawRect(0, 0, w, h, OffsetColor(t, -24), 1);
        DrawRect(0, 0, w, h, OffsetColor(t, -84), 0);
        cornerPixels(OffsetColor(t, -72));
        return;
    }
    const COLORREF focus = TranslateSysColor(m_xpDefaultColors ? platform::RGB(140, 170, 230) : m_xpColorPressed);
    const COLORREF over = TranslateSysColor(m_xpDefaultColors ? platform::RGB(225, 153, 71) : m_xpColorHover);

    if (state == 2) {
        const float step = 15.0f / float(h);
        const COLORREF b = OffsetColor(t, -32);
        for (int i = 1; i <= h; ++i)
            DrawLine(0, h - i, w, h - i, OffsetColor(b, roundedStep(step, i)));
        DrawRect(0, 0, w, h, darkShadow, 0);
        cornerPixels(darkShadow);
        drawLines({{2, h - 2, w - 2, h - 2, 16}, {1, h - 3, w - 2, h - 3, 10}, {w - 2, 2, w - 2, h - 2, 5},
                   {w - 3, 3, w - 3, h - 3, 0}, {2, 1, w - 2, 1, -32}, {1, 2, w - 2, 2, -24},
                   {1, 2, 1, h - 2, -32}, {2, 2, 2, h - 2, -22}},
                  b);
        return;
    }

    const float step = 25.0f / float(h);
    for (int i = 1; i <= h; ++i)
        DrawLine(0, i, w, i, OffsetColor(t, roundedStep(step, i)));
    DrawRect(0, 0, w, h, darkShadow, 0);
    cornerPixels(darkShadow);
    if (HasFocus == 1) {
        DrawRect(1, 2, w - 1, h - 2, focus, 0);
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
        DrawRect(1, 2, w - 1, h - 2, over, 0);
        drawLines({{2, h - 2, w - 2, h - 2, -40}, {2, 1, w - 2, 1, 90}, {1, 2, w - 1, 2, 35},
                   {2, 3, 2, h - 3, 20}, {w - 3, 3, w - 3, h - 3, 20}},
                  over);
    }
}

bool XpBs::hasDrawablePicture() const
{
    // An empty picture object holds no image: it lays out like no picture.
    return m_picture && m_picture->type != platform::PictureData::Empty;
}

void XpBs::CalcLayout()
{
    InnerRect = RECT{0 + 4, 0 + 4, (width() - 1) - 4 + 1, (height() - 1) - 4 + 1};
    const int picW = m_pictureWidth;
    const int picH = m_pictureHeight;
    if (!hasDrawablePicture()) {
        CaptionRect = InnerRect;
        MeasureCaption();
        return;
    }
    if (m_caption.isEmpty()) {
        // Any 32-bit size: the free space is taken in 64 bits; halved, it fits again.
        PictureRect.left = int(InnerRect.left + (qint64(InnerRect.width()) - picW) / 2);
        PictureRect.top = int(InnerRect.top + (qint64(InnerRect.height()) - picH) / 2);
        PictureRect.right = PictureRect.left + picW;
        PictureRect.bottom = PictureRect.top + picH;
        return;
    }
    CaptionRect = InnerRect;
    MeasureCaption();
    PlacePair(InnerRect, picW, picH, CaptionRect.width(), CaptionRect.height(), m_picturePosition, PictureRect,
              CaptionRect);
}

bool XpBs::PlacePair(const RECT &inner, int pictureWidth, int pictureHeight, int capW, int capH, qint32 position,
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

void XpBs::MeasureCaption()
{
    platform::DrawTextEx(m_surface, m_caption, CaptionRect,
                         platform::DT_CALCRECT | platform::DT_WORDBREAK | platform::DT_VCENTER | platform::DT_CENTER);
    const int capW = CaptionRect.width();
    const int capH = CaptionRect.height();
    const int innerW = InnerRect.width();
    const int innerH = InnerRect.height();
    CaptionRect.left = InnerRect.left + (innerW - capW) / 2;
    CaptionRect.top = InnerRect.top + (innerH - capH) / 2;
    CaptionRect.right = CaptionRect.left + capW;
    CaptionRect.bottom = CaptionRect.top + capH;
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

// The part of a whole image stretched to drawnW x drawnH: the same pixels
// as stretching it whole and cutting the part out, without the whole.
platform::Surface stretchedPart(const platform::Surface &source, int drawnW, int drawnH, const QRect &part)
{
    platform::Surface result(part.width(), part.height());
    platform::StretchBlt(result, -part.x(), -part.y(), drawnW, drawnH, source, 0, 0, source.width(),
                         source.height(), platform::SRCCOPY);
    return result;
}

RECT offsetBy(const RECT &rect, int d)
{
    return RECT{rect.left + d, rect.top + d, rect.right + d, rect.bottom + d};
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

void XpBs::DrawPicture()
{
    if (!hasDrawablePicture())
        return;
    const RECT saved = PictureRect;
    const bool lifted = IsOver == 1 && IsDown == 0 && m_buttonStyle == 2;
    const int d = lifted ? -3 : (IsDown == 1 && m_buttonStyle != 2 ? 1 : 0);
    PictureRect = offsetBy(PictureRect, d);
    const int type = m_picture->type;
    if (type == platform::PictureData::Bitmap || type == platform::PictureData::Icon) {
        const auto draw = [this, type](quint8 normal, const RECT &rect, quint8 grey) {
            if (type == platform::PictureData::Bitmap)
                DrawBitmapPicture(normal, rect, grey);
            else
                DrawIconPicture(normal, rect, grey);
        };
        if (!isEnabled()) {
            draw(0, PictureRect, 0);
        } else {
            if (lifted)
                draw(0, saved, 1); // the shadow under the lifted picture
            draw(1, PictureRect, 0);
        }
    }
    PictureRect = saved;
}

void XpBs::DrawBitmapPicture(quint8 normal, const RECT &rect, quint8 grey)
{
    using platform::Surface;
    const QImage &bitmap = m_picture->image;
    const int drawnW = m_pictureWidth;
    const int drawnH = m_pictureHeight;
    if (drawnW <= 0 || drawnH <= 0 || bitmap.isNull())
        return;
    // Only the part that can show is scaled, and it is kept: the picture's
    // own size is that of its image, whatever size was stored.
    const QRect part = partOnTheSurface(rect, drawnW, drawnH, width(), height());
    if (part.isEmpty())
        return;
    const int x = rect.left + part.x();
    const int y = rect.top + part.y();

    if (normal == 1) {
        const ScaledPictures::Key key{ScaledPictures::Kind::Bitmap, 0, QSize(drawnW, drawnH), part};
        Surface &scaled = m_scaledPictures.get(m_picture, key, [&] {
            QImage nativeImage = atOwnSize(bitmap);
            return stretchedPart(Surface(&nativeImage), drawnW, drawnH, part);
        });
        BlitMasked(m_surface, m_surface, scaled, 0, 0, part.width(), part.height(), x, y,
                   m_maskColor);
        return;
    }
    // The mask colour becomes white, which the silhouette and the emboss
    // leave out.
    const ScaledPictures::Key key{ScaledPictures::Kind::BitmapMaskedToWhite, m_maskColor, QSize(drawnW, drawnH),
                                  part};
    Surface &scaled = m_scaledPictures.get(m_picture, key, [&] {
        QImage nativeImage = maskedToWhite(bitmap, m_maskColor);
        return stretchedPart(Surface(&nativeImage), drawnW, drawnH, part);
    });
    const quint32 flags = platform::DST_BITMAP | (grey == 1 ? platform::DSS_MONO : platform::DSS_DISABLED);
    platform::DrawState(m_surface, scaled.image(), x, y, flags, kSilhouette);
}

void XpBs::DrawIconPicture(quint8 normal, const RECT &rect, quint8 grey)
{
    using platform::Surface;
    const QImage &icon = m_picture->image;
    if (icon.isNull() || rect.width() <= 0 || rect.height() <= 0)
        return;
    if (normal == 1) {
        QPainter painter(&m_image);
        painter.drawImage(QRect(rect.left, rect.top, rect.width(), rect.height()), icon);
        return;
    }
    const int drawnW = m_pictureWidth;
    const int drawnH = m_pictureHeight;
    if (drawnW <= 0 || drawnH <= 0)
        return;
    const QRect part = partOnTheSurface(rect, drawnW, drawnH, width(), height());
    if (part.isEmpty())
        return;
    const ScaledPictures::Key key{grey == 1 ? ScaledPictures::Kind::IconSilhouette : ScaledPictures::Kind::IconEmbossed,
                                  0, QSize(drawnW, drawnH), part};
    Surface &scaled = m_scaledPictures.get(m_picture, key, [&] {
        Surface native(icon.width(), icon.height()); // black, and left so: black is the transparent colour here
        const quint32 flags = platform::DST_ICON | (grey == 1 ? platform::DSS_MONO : platform::DSS_DISABLED);
        platform::DrawState(native, icon, 0, 0, flags, kSilhouette);
        return stretchedPart(native, drawnW, drawnH, part);
    });
    BlitMasked(m_surface, m_surface, scaled, 0, 0, part.width(), part.height(),
               rect.left + part.x(), rect.top + part.y(), 0);
}

void XpBs::BlitMasked(platform::Surface &dest, platform::Surface &background, platform::Surface &src, int srcLeft,
                      int srcTop, int srcRight, int srcBottom, int destX, int destY, COLORREF mask)
{
    using platform::Surface;
    const int w = qint16(srcRight - srcLeft);
    const int h = qint16(srcBottom - srcTop);
    if (w <= 0 || h <= 0)
        return;
    Surface maskBits(w, h, Surface::Format::Monochrome);
    Surface inverse(w, h, Surface::Format::Monochrome);
    Surface result(w, h);
    Surface sprite(w, h);

    // Pixels of the mask colour become 1 in the mask, all others 0.
    const COLORREF oldBackground = src.SetBkColor(mask);
    platform::BitBlt(maskBits, 0, 0, w, h, src, srcLeft, srcTop, platform::SRCCOPY);
    src.SetBkColor(oldBackground);
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

void XpBs::DrawCaption()
{
    if (m_caption.isEmpty())
        return;
    constexpr quint32 flags = platform::DT_WORDBREAK | platform::DT_VCENTER | platform::DT_CENTER;
    m_surface.SetTextColor(TranslateSysColor(m_foreColor));
    const RECT saved = CaptionRect;
    if (IsDown == 1 && m_buttonStyle != 2) {
        CaptionRect.left += 1;
        CaptionRect.top += 1;
        CaptionRect.right += 1;
        CaptionRect.bottom += 1;
    }
    if (isEnabled()) {
        platform::DrawTextEx(m_surface, m_caption, CaptionRect, flags);
        CaptionRect = saved;
        return;
    }
    // Embossed: a highlight copy one pixel down and right, the shadow on top.
    const COLORREF remembered = m_surfaceForeColor;
    RECT shifted{CaptionRect.left + 1, CaptionRect.top + 1, CaptionRect.right + 1, CaptionRect.bottom + 1};
    m_surface.SetTextColor(platform::GetSysColor(platform::COLOR_BTNHIGHLIGHT));
    platform::DrawTextEx(m_surface, m_caption, shifted, flags);
    m_surface.SetTextColor(platform::GetSysColor(platform::COLOR_BTNSHADOW));
    platform::DrawTextEx(m_surface, m_caption, CaptionRect, flags);
    m_surface.SetTextColor(TranslateSysColor(remembered));
}
