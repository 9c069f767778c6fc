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
    emit Painted();
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

void XpBs::DrawBorder()
{
    if (m_buttonStyle == 2 && (IsOver == 1 || m_xpShowBorderAlways))
        DrawRect(0, 0, width(), height(), m_foreColor, 0);
}

void XpBs::CalcLayout()
{
    InnerRect = RECT{0 + 4, 0 + 4, (width() - 1) - 4 + 1, (height() - 1) - 4 + 1};
    CaptionRect = InnerRect;
    MeasureCaption();
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

void XpBs::DrawPicture()
{
}

void XpBs::DrawCaption()
{
    if (m_caption.isEmpty())
        return;
    constexpr quint32 flags = platform::DT_WORDBREAK | platform::DT_VCENTER | platform::DT_CENTER;
    m_surface.SetTextColor(TranslateSysColor(m_foreColor));
    SavedRect = CaptionRect;
    if (IsDown == 1 && m_buttonStyle != 2) {
        CaptionRect.left += 1;
        CaptionRect.top += 1;
        CaptionRect.right += 1;
        CaptionRect.bottom += 1;
    }
    if (isEnabled()) {
        platform::DrawTextEx(m_surface, m_caption, CaptionRect, flags);
        CaptionRect = SavedRect;
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
