#pragma once

// Pixel-exact reproductions of the classic device-context drawing calls,
// on 32-bit (QImage::Format_RGB32) and one-bit surfaces. Colours are
// COLORREF values 0x00BBGGRR; a colour with the high bit set names a system
// colour and is translated by the caller (TranslateSysColor) before drawing.
// Rectangles include left and top and exclude right and bottom.
//
// Coordinates are the design's (logical) pixels. A surface may have more
// device pixels than design pixels (its device pixel ratio s, the ratio of
// its image): every call then maps a design edge at x to device column
// round(x * s), rounding halves up, and likewise y. A design pixel is the
// block of device pixels between its two edges, so fills and frames cover
// exactly the device pixels of their design rectangle and neighbours never
// overlap or leave a gap. At s = 1 every call draws as it always has.

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QSize>
#include <QString>

namespace platform {

using COLORREF = quint32;

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const RECT &other) const
    {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    bool operator!=(const RECT &other) const { return !(*this == other); }
};

// A drawing surface with the state of a device context: its bitmap (colour
// or monochrome), background and text colours, font and current position.
// A monochrome surface is a QImage::Format_Indexed8 image storing 0 (black)
// or 1 (white) per pixel. A new surface is all black. A colour painted on a
// monochrome surface becomes the nearer of black and white (R + G + B of
// 383 or more is white).
class Surface {
public:
    enum class Format { Colour, Monochrome };

    Surface() = default;
    // width x height design pixels; the image has round(width * ratio) x
    // round(height * ratio) device pixels and the ratio as its own.
    Surface(int width, int height, Format format = Format::Colour, qreal devicePixelRatio = 1);
    // Draws on an image owned elsewhere (a control's persistent image), at
    // the image's device pixel ratio.
    // Format_RGB32 and the ARGB32 formats are drawn on as they are; a one-bit
    // or two-colour indexed image becomes Format_Indexed8 (monochrome), any
    // other format Format_RGB32, converted in place once.
    explicit Surface(QImage *target);

    // The size in design pixels: the device size divided by the ratio,
    // rounded.
    int width() const;
    int height() const;
    // The image's device pixel ratio, 1 unless it was given another.
    qreal devicePixelRatio() const;
    int deviceWidth() const;
    int deviceHeight() const;
    // The device column (or row) a design edge at `at` lands on.
    qint64 toDevice(qint64 at) const;
    bool isMonochrome() const;
    QImage &image();
    const QImage &image() const;

    // The pixel as a COLORREF (monochrome: 0x000000 or 0xFFFFFF); 0 outside.
    // pixel() reads the design pixel (x, y) at its top-left device pixel,
    // devicePixel() one device pixel; at ratio 1 they are the same.
    COLORREF pixel(int x, int y) const;
    COLORREF devicePixel(int x, int y) const;

    COLORREF SetBkColor(COLORREF colour);       // returns the previous one
    COLORREF bkColor() const { return m_bkColor; }
    COLORREF SetTextColor(COLORREF colour);     // returns the previous one
    COLORREF textColor() const { return m_textColor; }
    void setFont(const QFont &font) { m_font = font; }
    const QFont &font() const { return m_font; }

    void MoveToEx(int x, int y);
    // One-pixel solid line from the current position; the end point is not
    // drawn, and becomes the current position.
    void LineTo(int x, int y, COLORREF penColour);

private:
    friend class SavedDrawingState;
    QImage m_own;
    QImage *m_image = nullptr; // the image owned elsewhere; null: m_own
    COLORREF m_bkColor = 0xFFFFFF;
    COLORREF m_textColor = 0x000000;
    QFont m_font;
    int m_x = 0;
    int m_y = 0;
};

// The device size of a design size: each side round(side * ratio), as the
// surfaces map edges.
QSize deviceSize(const QSize &size, qreal ratio);

// Takes a surface's drawing state (background and text colours, font,
// current position) when made and puts it back when it goes: whatever a
// painter sets for its own drawing, the surface is left as it was found.
class SavedDrawingState {
public:
    explicit SavedDrawingState(Surface &surface)
        : m_surface(surface)
        , m_bkColor(surface.m_bkColor)
        , m_textColor(surface.m_textColor)
        , m_font(surface.m_font)
        , m_x(surface.m_x)
        , m_y(surface.m_y)
    {
    }
    ~SavedDrawingState()
    {
        m_surface.m_bkColor = m_bkColor;
        m_surface.m_textColor = m_textColor;
        m_surface.m_font = m_font;
        m_surface.m_x = m_x;
        m_surface.m_y = m_y;
    }
    SavedDrawingState(const SavedDrawingState &) = delete;
    SavedDrawingState &operator=(const SavedDrawingState &) = delete;

private:
    Surface &m_surface;
    COLORREF m_bkColor;
    COLORREF m_textColor;
    QFont m_font;
    int m_x;
    int m_y;
};

// Fills [left, right) x [top, bottom); an empty or inverted rectangle draws
// nothing.
void FillRect(Surface &surface, const RECT &rect, COLORREF colour);
// One-pixel strips at x = left, x = right - 1, y = top, y = bottom - 1, clipped
// to the surface; an empty or inverted rectangle draws nothing.
void FrameRect(Surface &surface, const RECT &rect, COLORREF colour);
// One pixel; nothing outside the surface.
void SetPixelV(Surface &surface, int x, int y, COLORREF colour);
// XOR checkerboard frame: a border pixel is inverted when x + y is odd. The
// top and bottom rows span the width, the columns lie between them, so no
// pixel is inverted twice and drawing it again restores the surface.
void DrawFocusRect(Surface &surface, const RECT &rect);

enum RasterOp : quint32 {
    SRCCOPY = 0x00CC0020,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    NOTSRCCOPY = 0x00330008,
};

// Both take design rectangles on both surfaces. Between surfaces of the same
// integer ratio a blit copies device pixels one for one; otherwise each
// destination device pixel takes a device pixel of the source's design pixel
// at the same place in it (a 1x source's pixels are replicated).
// Colour to monochrome: source pixels equal to the source's background
// colour become 1, others 0. Monochrome to colour: 0 takes the destination's
// text colour, 1 its background colour. Only pixels inside both the
// destination and the source are touched; a zero or negative size, or an
// unknown operation, draws nothing.
void BitBlt(Surface &dest, int x, int y, int width, int height, const Surface &src, int srcX, int srcY,
            RasterOp op);
// Destination pixel d takes the source pixels from d * srcSize / size up to
// (d + 1) * srcSize / size (at least one): enlarging replicates pixels,
// shrinking ANDs the pixels that fall into one destination pixel, after
// converting them to the destination's format, for monochrome and colour
// alike. Zero or negative (mirrored) sizes draw nothing; destination pixels
// whose source lies outside the source surface are left alone. The pixels
// are design pixels: on a finer destination each device pixel shows what
// its design pixel shows at ratio 1 (the skins' art has no finer pixels),
// a finer source is read at the top-left device pixel of its design pixels.
void StretchBlt(Surface &dest, int x, int y, int width, int height, const Surface &src, int srcX, int srcY,
                int srcWidth, int srcHeight, RasterOp op);

enum DrawStateFlags : quint32 {
    DST_ICON = 0x0003,
    DST_BITMAP = 0x0004,
    DSS_NORMAL = 0x0000,
    DSS_DISABLED = 0x0020,
    DSS_MONO = 0x0080,
};
// Draws an image at (x, y). Mono: the image's non-white pixels in the brush
// colour. Disabled: those pixels in button highlight at (x+1, y+1), then in
// button shadow at (x, y). Normal: the image as it is (icons keep their
// alpha as transparency). For icons with alpha a fully transparent pixel is
// never set. Other image types draw nothing. The image covers its design
// size (its size over its own device pixel ratio) and is scaled, nearest
// pixel, to the device pixels of that rectangle.
void DrawState(Surface &dest, const QImage &image, int x, int y, quint32 flags, COLORREF brush = 0);

enum DrawTextFlags : quint32 {
    DT_CENTER = 0x0001,
    DT_VCENTER = 0x0004,
    DT_WORDBREAK = 0x0010,
    DT_SINGLELINE = 0x0020,
    DT_CALCRECT = 0x0400,
    DT_NOPREFIX = 0x0800,
};
// Word-broken text with "&" prefixes, in the surface's font and text colour,
// transparent background, clipped to rect. With DT_CALCRECT nothing is drawn
// and rect is set to the bounding box (left and top kept). Lines break at
// spaces and at line feeds (not with DT_SINGLELINE); the line height is the
// font's ascent plus descent. Returns the height of the text (lines x line
// height; empty text has no lines unless DT_SINGLELINE). Lines are broken
// and measured in design pixels, so a text takes the same rectangle at every
// ratio; on a finer surface each line is then drawn with the font at the
// device size, placed and clipped in the device pixels of that rectangle.
int DrawTextEx(Surface &surface, const QString &text, RECT &rect, quint32 flags);

// Rectangular regions, coordinates swapped when inverted; empty when zero
// wide or high.
QRegion CreateRectRgn(int left, int top, int right, int bottom);

} // namespace platform
