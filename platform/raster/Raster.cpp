#include "Raster.h"

#include "RasterPixels.h"
#include "SystemColors.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>
#include <QThread>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace platform {

using namespace raster;

namespace {

// The image a blit reads: the source's own, or a copy of it when it is the
// destination too, so that what is written is never read back.
const QImage *readableSource(const Surface &dest, const Surface &src, QImage &copy)
{
    if (&src.image() != &dest.image())
        return &src.image();
    copy = src.image().copy();
    return &copy;
}


QVector<QRgb> monochromeTable()
{
    return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
}

QImage newMonochrome(int width, int height, qreal ratio = 1)
{
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(monochromeTable());
    image.fill(0);
    image.setDevicePixelRatio(ratio);
    return image;
}


void fillClipped(Pixels &pixels, qint64 left, qint64 top, qint64 right, qint64 bottom, quint32 value)
{
    left = std::max<qint64>(left, 0);
    top = std::max<qint64>(top, 0);
    right = std::min<qint64>(right, pixels.width());
    bottom = std::min<qint64>(bottom, pixels.height());
    if (left >= right || top >= bottom)
        return;
    for (int y = int(top); y < int(bottom); ++y)
        pixels.fillSpan(y, int(left), int(right), value);
}

// The device pixels of the design rectangle [left, right) x [top, bottom),
// clipped.
void fillDesign(Pixels &pixels, qint64 left, qint64 top, qint64 right, qint64 bottom, quint32 value)
{
    fillClipped(pixels, pixels.edge(left), pixels.edge(top), pixels.edge(right), pixels.edge(bottom), value);
}

void drawLine(Surface &surface, int x1, int y1, int x2, int y2, COLORREF colour)
{
    const qint64 dx = qint64(x2) - x1;
    const qint64 dy = qint64(y2) - y1;
    if (dx == 0 && dy == 0)
        return;
    Pixels pixels(surface);
    const quint32 value = pixels.value(colour);

    if (dy == 0) {
        // Start drawn, end not: x1 .. x2-1 rightwards, x2+1 .. x1 leftwards.
        if (dx > 0)
            fillDesign(pixels, x1, y1, x2, qint64(y1) + 1, value);
        else
            fillDesign(pixels, qint64(x2) + 1, y1, qint64(x1) + 1, qint64(y1) + 1, value);
        return;
    }
    if (dx == 0) {
        if (dy > 0)
            fillDesign(pixels, x1, y1, qint64(x1) + 1, y2, value);
        else
            fillDesign(pixels, x1, qint64(y2) + 1, qint64(x1) + 1, qint64(y1) + 1, value);
        return;
    }

    const qint64 stepX = dx > 0 ? 1 : -1;
    const qint64 stepY = dy > 0 ? 1 : -1;
    const qint64 absX = dx * stepX;
    const qint64 absY = dy * stepY;
    const bool xMajor = absX >= absY;
    const qint64 major = xMajor ? absX : absY;
    const qint64 minor = xMajor ? absY : absX;
    // Octants 3, 5, 6 and 8 are those whose minor axis runs toward smaller
    // coordinates; their bias makes a tie fall on the same pixel whichever
    // end the line is drawn from.
    const qint64 bias = (xMajor ? stepY < 0 : stepX < 0) ? 1 : 0;
    qint64 error = 2 * minor - major;
    qint64 x = x1;
    qint64 y = y1;
    for (qint64 i = 0; i < major; ++i) {
        if (pixels.ratio() != 1)
            fillDesign(pixels, x, y, x + 1, y + 1, value);
        else if (pixels.contains(x, y))
            pixels.set(int(x), int(y), value);
        if (error + bias > 0) {
            if (xMajor)
                y += stepY;
            else
                x += stepX;
            error -= 2 * major;
        }
        error += 2 * minor;
        if (xMajor)
            x += stepX;
        else
            y += stepY;
        // Once the major coordinate has left the surface it never comes back.
        const qint64 majorPosition = xMajor ? x : y;
        const qint64 majorLimit = xMajor ? pixels.designWidth() : pixels.designHeight();
        const qint64 majorStep = xMajor ? stepX : stepY;
        if ((majorStep > 0 && majorPosition >= majorLimit) || (majorStep < 0 && majorPosition < 0))
            break;
    }
}

bool isKnownOp(RasterOp op)
{
    return op == SRCCOPY || op == SRCAND || op == SRCINVERT || op == NOTSRCCOPY;
}

quint32 combine(RasterOp op, quint32 source, quint32 dest, bool mono)
{
    quint32 result = source;
    switch (op) {
    case SRCCOPY: result = source; break;
    case SRCAND: result = source & dest; break;
    case SRCINVERT: result = source ^ dest; break;
    case NOTSRCCOPY: result = ~source; break;
    }
    return mono ? result & 1u : result | kOpaque;
}

// Turns source pixels into destination values, applying the colour <->
// monochrome rules of the two contexts.
class Conversion {
public:
    Conversion(const Surface &dest, const Surface &source)
        : m_sourceMono(source.isMonochrome())
        , m_destMono(dest.isMonochrome())
        , m_sourceBackground(toQRgb(source.bkColor()) & kColourBits)
    {
        if (m_destMono) {
            m_fromMono[0] = 0;
            m_fromMono[1] = 1;
        } else {
            m_fromMono[0] = toQRgb(dest.textColor()) | kOpaque;
            m_fromMono[1] = toQRgb(dest.bkColor()) | kOpaque;
        }
    }

    bool sourceMono() const { return m_sourceMono; }

    quint32 operator()(quint32 raw) const
    {
        if (m_sourceMono)
            return m_fromMono[raw & 1u];
        if (m_destMono)
            return (raw & kColourBits) == m_sourceBackground ? 1u : 0u;
        return raw | kOpaque;
    }

    // count pixels of a source row starting at x, converted into out.
    void row(const QImage &image, int x, int y, int count, quint32 *out) const
    {
        if (m_sourceMono) {
            const uchar *in = image.constScanLine(y) + x;
            for (int i = 0; i < count; ++i)
                out[i] = m_fromMono[in[i] & 1u];
            return;
        }
        const quint32 *in = reinterpret_cast<const quint32 *>(image.constScanLine(y)) + x;
        if (m_destMono) {
            for (int i = 0; i < count; ++i)
                out[i] = (in[i] & kColourBits) == m_sourceBackground ? 1u : 0u;
        } else {
            for (int i = 0; i < count; ++i)
                out[i] = in[i] | kOpaque;
        }
    }

private:
    bool m_sourceMono;
    bool m_destMono;
    quint32 m_sourceBackground;
    quint32 m_fromMono[2];
};

template <typename Pixel>
void combineRow(RasterOp op, const quint32 *source, Pixel *dest, int count, quint32 keep)
{
    // keep: the bits that hold the pixel; colour rows keep their alpha byte on.
    const quint32 force = sizeof(Pixel) == 1 ? 0u : kOpaque;
    switch (op) {
    case SRCCOPY:
        for (int i = 0; i < count; ++i)
            dest[i] = Pixel((source[i] & keep) | force);
        break;
    case SRCAND:
        for (int i = 0; i < count; ++i)
            dest[i] = Pixel(((source[i] & dest[i]) & keep) | force);
        break;
    case SRCINVERT:
        for (int i = 0; i < count; ++i)
            dest[i] = Pixel(((source[i] ^ dest[i]) & keep) | force);
        break;
    case NOTSRCCOPY:
        for (int i = 0; i < count; ++i)
            dest[i] = Pixel((~source[i] & keep) | force);
        break;
    }
}

quint32 rawPixel(const QImage &image, bool mono, int x, int y)
{
    return mono ? quint32(image.constScanLine(y)[x]) : reinterpret_cast<const quint32 *>(image.constScanLine(y))[x];
}

// Where each destination device pixel of one axis reads the source: the
// device pixel of the source's design pixel at the same place in it, or -1
// outside the source. `first` is the first destination device pixel.
std::vector<qint64> blitAxis(qint64 first, qint64 end, qint64 destStart, qreal destRatio, qint64 srcStart,
                             qreal srcRatio, qint64 srcLimit)
{
    std::vector<qint64> map;
    map.reserve(size_t(std::max<qint64>(0, end - first)));
    for (qint64 device = first; device < end; ++device) {
        const qint64 design = designPixel(device, destRatio);
        const qint64 blockStart = deviceEdge(design, destRatio);
        const qint64 blockSize = deviceEdge(design + 1, destRatio) - blockStart;
        const qint64 source = srcStart + (design - destStart);
        const qint64 sourceStart = deviceEdge(source, srcRatio);
        const qint64 sourceSize = deviceEdge(source + 1, srcRatio) - sourceStart;
        const qint64 at = sourceStart + (device - blockStart) * sourceSize / std::max<qint64>(1, blockSize);
        map.push_back(at >= 0 && at < srcLimit ? at : -1);
    }
    return map;
}

// BitBlt between surfaces of which at least one is finer than its design.
void blitScaled(Surface &dest, int x, int y, int width, int height, const Surface &src, int srcX, int srcY,
                RasterOp op)
{
    Pixels pixels(dest);
    const qint64 firstX = std::max<qint64>(pixels.edge(x), 0);
    const qint64 endX = std::min<qint64>(pixels.edge(qint64(x) + width), pixels.width());
    const qint64 firstY = std::max<qint64>(pixels.edge(y), 0);
    const qint64 endY = std::min<qint64>(pixels.edge(qint64(y) + height), pixels.height());
    if (firstX >= endX || firstY >= endY)
        return;
    const std::vector<qint64> columns =
        blitAxis(firstX, endX, x, pixels.ratio(), srcX, src.devicePixelRatio(), src.deviceWidth());
    const std::vector<qint64> rows =
        blitAxis(firstY, endY, y, pixels.ratio(), srcY, src.devicePixelRatio(), src.deviceHeight());

    const Conversion convert(dest, src);
    const bool sourceMono = src.isMonochrome();
    QImage overlapCopy;
    const QImage *sourceImage = readableSource(dest, src, overlapCopy);
    const bool mono = pixels.mono();
    for (qint64 dy = firstY; dy < endY; ++dy) {
        const qint64 sy = rows[size_t(dy - firstY)];
        if (sy < 0)
            continue;
        for (qint64 dx = firstX; dx < endX; ++dx) {
            const qint64 sx = columns[size_t(dx - firstX)];
            if (sx < 0)
                continue;
            const quint32 source = convert(rawPixel(*sourceImage, sourceMono, int(sx), int(sy)));
            pixels.set(int(dx), int(dy), combine(op, source, pixels.get(int(dx), int(dy)), mono));
        }
    }
}

} // namespace

// ---------------------------------------------------------------- Surface

QSize deviceSize(const QSize &size, qreal ratio)
{
    return QSize(int(deviceEdge(size.width(), ratio)), int(deviceEdge(size.height(), ratio)));
}

Surface::Surface(int width, int height, Format format, qreal devicePixelRatio)
{
    if (width <= 0 || height <= 0 || !(devicePixelRatio > 0))
        return;
    const int deviceW = int(std::max<qint64>(1, deviceEdge(width, devicePixelRatio)));
    const int deviceH = int(std::max<qint64>(1, deviceEdge(height, devicePixelRatio)));
    if (format == Format::Monochrome) {
        m_own = newMonochrome(deviceW, deviceH, devicePixelRatio);
    } else {
        m_own = QImage(deviceW, deviceH, QImage::Format_RGB32);
        m_own.fill(kOpaque);
        m_own.setDevicePixelRatio(devicePixelRatio);
    }
}

Surface::Surface(QImage *target)
    : m_image(target)
{
    if (!target || target->isNull() || isColourFormat(target->format()))
        return;
    const bool twoColours = target->format() == QImage::Format_Mono || target->format() == QImage::Format_MonoLSB
        || (target->format() == QImage::Format_Indexed8 && target->colorCount() <= 2);
    if (!twoColours) {
        *target = target->convertToFormat(QImage::Format_RGB32);
        return;
    }
    QImage mono = newMonochrome(target->width(), target->height(), target->devicePixelRatio());
    for (int y = 0; y < target->height(); ++y) {
        uchar *row = mono.scanLine(y);
        for (int x = 0; x < target->width(); ++x)
            row[x] = target->colorCount() == 0 ? (target->pixelIndex(x, y) ? 1 : 0)
                                               : (qGray(target->pixel(x, y)) >= 128 ? 1 : 0);
    }
    *target = mono;
}

QImage &Surface::image()
{
    return m_image ? *m_image : m_own;
}

const QImage &Surface::image() const
{
    return m_image ? *m_image : m_own;
}

int Surface::width() const
{
    const qreal ratio = devicePixelRatio();
    return ratio == 1 ? image().width() : int(std::floor(image().width() / ratio + 0.5));
}

int Surface::height() const
{
    const qreal ratio = devicePixelRatio();
    return ratio == 1 ? image().height() : int(std::floor(image().height() / ratio + 0.5));
}

qreal Surface::devicePixelRatio() const
{
    return image().devicePixelRatio();
}

int Surface::deviceWidth() const
{
    return image().width();
}

int Surface::deviceHeight() const
{
    return image().height();
}

qint64 Surface::toDevice(qint64 at) const
{
    return deviceEdge(at, devicePixelRatio());
}

bool Surface::isMonochrome() const
{
    return image().format() == QImage::Format_Indexed8;
}

COLORREF Surface::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return 0;
    const qint64 deviceX = toDevice(x);
    const qint64 deviceY = toDevice(y);
    if (deviceX >= deviceWidth() || deviceY >= deviceHeight())
        return 0;
    return devicePixel(int(deviceX), int(deviceY));
}

COLORREF Surface::devicePixel(int x, int y) const
{
    const QImage &source = image();
    if (x < 0 || y < 0 || x >= source.width() || y >= source.height())
        return 0;
    if (isMonochrome())
        return source.constScanLine(y)[x] ? 0xFFFFFFu : 0u;
    return fromQRgb(reinterpret_cast<const QRgb *>(source.constScanLine(y))[x]);
}

COLORREF Surface::SetBkColor(COLORREF colour)
{
    const COLORREF previous = m_bkColor;
    m_bkColor = colour;
    return previous;
}

COLORREF Surface::SetTextColor(COLORREF colour)
{
    const COLORREF previous = m_textColor;
    m_textColor = colour;
    return previous;
}

void Surface::MoveToEx(int x, int y)
{
    m_x = x;
    m_y = y;
}

void Surface::LineTo(int x, int y, COLORREF penColour)
{
    const int fromX = m_x;
    const int fromY = m_y;
    m_x = x;
    m_y = y;
    drawLine(*this, fromX, fromY, x, y, penColour);
}

// ---------------------------------------------------------------- Rectangles

void FillRect(Surface &surface, const RECT &rect, COLORREF colour)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    Pixels pixels(surface);
    fillDesign(pixels, rect.left, rect.top, rect.right, rect.bottom, pixels.value(colour));
}

void FrameRect(Surface &surface, const RECT &rect, COLORREF colour)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    Pixels pixels(surface);
    const quint32 value = pixels.value(colour);
    const qint64 left = rect.left;
    const qint64 top = rect.top;
    const qint64 right = rect.right;
    const qint64 bottom = rect.bottom;
    fillDesign(pixels, left, top, right, top + 1, value);             // Top
    fillDesign(pixels, left, bottom - 1, right, bottom, value);       // Bottom
    fillDesign(pixels, left, top, left + 1, bottom, value);           // Left
    fillDesign(pixels, right - 1, top, right, bottom, value);         // Right
}

void SetPixelV(Surface &surface, int x, int y, COLORREF colour)
{
    Pixels pixels(surface);
    if (pixels.ratio() != 1)
        fillDesign(pixels, x, y, qint64(x) + 1, qint64(y) + 1, pixels.value(colour));
    else if (pixels.contains(x, y))
        pixels.set(x, y, pixels.value(colour));
}

void DrawFocusRect(Surface &surface, const RECT &rect)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    Pixels pixels(surface);
    // Every other pixel of a row (across) or a column, those where x + y is
    // odd, inverted.
    // The phase is the design pixels'; on a finer surface each inverted
    // design pixel is its whole block of device pixels.
    const auto invert = [&pixels](qint64 x, qint64 y) {
        if (pixels.ratio() == 1) {
            pixels.set(int(x), int(y), pixels.inverted(pixels.get(int(x), int(y))));
            return;
        }
        const qint64 right = std::min<qint64>(pixels.edge(x + 1), pixels.width());
        const qint64 bottom = std::min<qint64>(pixels.edge(y + 1), pixels.height());
        for (qint64 deviceY = pixels.edge(y); deviceY < bottom; ++deviceY)
            for (qint64 deviceX = pixels.edge(x); deviceX < right; ++deviceX)
                pixels.set(int(deviceX), int(deviceY), pixels.inverted(pixels.get(int(deviceX), int(deviceY))));
    };
    const auto invertLine = [&pixels, &invert](bool across, qint64 at, qint64 from, qint64 to) {
        const qint64 length = across ? pixels.designWidth() : pixels.designHeight();
        if (at < 0 || at >= (across ? pixels.designHeight() : pixels.designWidth()))
            return;
        from = std::max<qint64>(from, 0);
        to = std::min<qint64>(to, length);
        for (qint64 i = from + ((from + at + 1) & 1); i < to; i += 2)
            invert(across ? i : at, across ? at : i);
    };
    const auto invertRow = [&](qint64 y, qint64 from, qint64 to) { invertLine(true, y, from, to); };
    const auto invertColumn = [&](qint64 x, qint64 from, qint64 to) { invertLine(false, x, from, to); };
    const qint64 left = rect.left;
    const qint64 top = rect.top;
    const qint64 right = rect.right;
    const qint64 bottom = rect.bottom;
    // A one-pixel-high or -wide rectangle has its rows or columns on top of
    // each other; each is inverted once.
    invertRow(top, left, right);
    if (bottom - 1 > top)
        invertRow(bottom - 1, left, right);
    invertColumn(left, top + 1, bottom - 1);
    if (right - 1 > left)
        invertColumn(right - 1, top + 1, bottom - 1);
}

// ---------------------------------------------------------------- Blits

void BitBlt(Surface &dest, int x, int y, int width, int height, const Surface &src, int srcX, int srcY,
            RasterOp op)
{
    if (width <= 0 || height <= 0 || !isKnownOp(op))
        return;
    if (dest.devicePixelRatio() != 1 || src.devicePixelRatio() != 1) {
        blitScaled(dest, x, y, width, height, src, srcX, srcY, op);
        return;
    }
    qint64 destX = x;
    qint64 destY = y;
    qint64 sourceX = srcX;
    qint64 sourceY = srcY;
    qint64 w = width;
    qint64 h = height;
    // Clip against both surfaces: move the corner in first, then cut the far
    // edges.
    const auto clipStart = [](qint64 &a, qint64 &b, qint64 &size) {
        if (a < 0) {
            b -= a;
            size += a;
            a = 0;
        }
        if (b < 0) {
            a -= b;
            size += b;
            b = 0;
        }
    };
    clipStart(destX, sourceX, w);
    clipStart(destY, sourceY, h);
    w = std::min({w, qint64(dest.width()) - destX, qint64(src.width()) - sourceX});
    h = std::min({h, qint64(dest.height()) - destY, qint64(src.height()) - sourceY});
    if (w <= 0 || h <= 0)
        return;

    const Conversion convert(dest, src);
    const QImage *sourceImage = &src.image();
    QImage overlapCopy;
    if (sourceImage == &dest.image()) {
        // Blitting within one image: read from a copy so written pixels are
        // not read again.
        overlapCopy = sourceImage->copy(int(sourceX), int(sourceY), int(w), int(h));
        sourceImage = &overlapCopy;
        sourceX = 0;
        sourceY = 0;
    }

    Pixels pixels(dest);
    QVarLengthArray<quint32, 256> converted;
    converted.resize(qsizetype(w));
    for (qint64 row = 0; row < h; ++row) {
        const int dy = int(destY + row);
        convert.row(*sourceImage, int(sourceX), int(sourceY + row), int(w), converted.data());
        if (pixels.mono())
            combineRow(op, converted.data(), pixels.row8(dy) + destX, int(w), 1u);
        else
            combineRow(op, converted.data(), pixels.row32(dy) + destX, int(w), kColourBits);
    }
}

void StretchBlt(Surface &dest, int x, int y, int width, int height, const Surface &src, int srcX, int srcY,
                int srcWidth, int srcHeight, RasterOp op)
{
    if (width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0 || !isKnownOp(op))
        return;

    struct Span {
        int from = 0;
        int to = 0; // exclusive; from == to: nothing to read
    };
    // The source pixels of destination pixel d along one axis, cut to the
    // source surface.
    const auto sourceSpan = [](qint64 d, qint64 size, qint64 srcStart, qint64 srcSize, qint64 limit) {
        const qint64 first = d * srcSize / size;
        const qint64 last = std::max((d + 1) * srcSize / size, first + 1);
        Span span;
        const qint64 from = std::max<qint64>(srcStart + first, 0);
        const qint64 to = std::min<qint64>(srcStart + last, limit);
        if (from < to) {
            span.from = int(from);
            span.to = int(to);
        }
        return span;
    };

    // Device pixels of the destination; each reads the source pixels of its
    // design pixel.
    const qreal ratio = dest.devicePixelRatio();
    const qreal srcRatio = src.devicePixelRatio();
    const qint64 firstX = std::max<qint64>(dest.toDevice(x), 0);
    const qint64 endX = std::min<qint64>(dest.toDevice(qint64(x) + width), dest.deviceWidth());
    const qint64 firstY = std::max<qint64>(dest.toDevice(y), 0);
    const qint64 endY = std::min<qint64>(dest.toDevice(qint64(y) + height), dest.deviceHeight());
    if (firstX >= endX || firstY >= endY)
        return;

    std::vector<Span> columns;
    columns.reserve(size_t(endX - firstX));
    for (qint64 dx = firstX; dx < endX; ++dx)
        columns.push_back(sourceSpan(designPixel(dx, ratio) - x, width, srcX, srcWidth, src.width()));

    const Conversion convert(dest, src);
    const bool sourceMono = src.isMonochrome();
    QImage overlapCopy;
    const QImage *sourceImage = readableSource(dest, src, overlapCopy);

    Pixels pixels(dest);
    const bool mono = pixels.mono();
    const quint32 allSet = mono ? 1u : 0xFFFFFFFFu;
    // A finer source is read at the top-left device pixel of each design pixel.
    const int srcDeviceW = src.deviceWidth();
    const int srcDeviceH = src.deviceHeight();
    const auto sourceDevice = [srcRatio](int at, int limit) {
        return int(std::min<qint64>(deviceEdge(at, srcRatio), limit - 1));
    };
    // A copy writes every pixel of a row from its source rows alone: the
    // next device row of the same design row is the same pixels (on a
    // finer surface, most rows are).
    const bool rowsRepeat = op == SRCCOPY && !mono
        && std::none_of(columns.begin(), columns.end(), [](const Span &span) { return span.from == span.to; });
    Span lastRows;
    qint64 lastRow = -1;
    for (qint64 dy = firstY; dy < endY; ++dy) {
        const Span rows = sourceSpan(designPixel(dy, ratio) - y, height, srcY, srcHeight, src.height());
        if (rows.from == rows.to)
            continue;
        if (rowsRepeat && lastRow == dy - 1 && rows.from == lastRows.from && rows.to == lastRows.to) {
            std::copy(pixels.row32(int(lastRow)) + firstX, pixels.row32(int(lastRow)) + endX,
                      pixels.row32(int(dy)) + firstX);
            lastRow = dy;
            continue;
        }
        lastRows = rows;
        lastRow = dy;
        for (qint64 dx = firstX; dx < endX; ++dx) {
            const Span &span = columns[size_t(dx - firstX)];
            if (span.from == span.to)
                continue;
            quint32 source = allSet;
            for (int sy = rows.from; sy < rows.to; ++sy)
                for (int sx = span.from; sx < span.to; ++sx)
                    source &= convert(rawPixel(*sourceImage, sourceMono, sourceDevice(sx, srcDeviceW), sourceDevice(sy, srcDeviceH)));
            const quint32 current = pixels.get(int(dx), int(dy));
            pixels.set(int(dx), int(dy), combine(op, source, current, mono));
        }
    }
}

// ---------------------------------------------------------------- DrawState

void DrawState(Surface &dest, const QImage &image, int x, int y, quint32 flags, COLORREF brush)
{
    const quint32 type = flags & 0x000F;
    if ((type != DST_BITMAP && type != DST_ICON) || image.isNull())
        return;
    const QImage source = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
        ? image
        : image.convertToFormat(QImage::Format_ARGB32);
    const bool alphaCounts = type == DST_ICON && source.hasAlphaChannel();
    Pixels pixels(dest);

    // The image covers its design size at (x, y); each device pixel of that
    // rectangle shows the image pixel at the same place. At ratio 1 the
    // image's pixels are the device pixels.
    const qreal imageRatio = image.devicePixelRatio() > 0 ? image.devicePixelRatio() : 1;
    const qint64 designW = imageRatio == 1 ? source.width() : qint64(std::floor(source.width() / imageRatio + 0.5));
    const qint64 designH = imageRatio == 1 ? source.height() : qint64(std::floor(source.height() / imageRatio + 0.5));
    struct Axis {
        qint64 first = 0; // device pixels [first, end) on the surface
        qint64 end = 0;
        qint64 start = 0; // the image's first device pixel, maybe off the surface
        qint64 size = 1;
        qint64 sourceSize = 0;
        int at(qint64 device) const { return int((device - start) * sourceSize / size); }
    };
    const auto axis = [&pixels](qint64 from, qint64 designSize, int sourceSize, int limit) {
        Axis result;
        result.start = pixels.edge(from);
        result.size = std::max<qint64>(1, pixels.edge(from + designSize) - result.start);
        result.sourceSize = sourceSize;
        result.first = std::max<qint64>(result.start, 0);
        result.end = std::min<qint64>(result.start + result.size, limit);
        if (designSize <= 0)
            result.end = result.first;
        return result;
    };
    const auto isSet = [&source, alphaCounts](int sx, int sy) {
        const QRgb pixel = reinterpret_cast<const QRgb *>(source.constScanLine(sy))[sx];
        return (pixel & kColourBits) != kColourBits && !(alphaCounts && qAlpha(pixel) == 0);
    };
    const auto paintSet = [&](int offsetX, int offsetY, COLORREF colour) {
        const quint32 value = pixels.value(colour);
        const Axis across = axis(qint64(x) + offsetX, designW, source.width(), pixels.width());
        const Axis down = axis(qint64(y) + offsetY, designH, source.height(), pixels.height());
        for (qint64 dy = down.first; dy < down.end; ++dy) {
            const int sy = down.at(dy);
            for (qint64 dx = across.first; dx < across.end; ++dx) {
                if (isSet(across.at(dx), sy))
                    pixels.set(int(dx), int(dy), value);
            }
        }
    };

    if (flags & DSS_DISABLED) {
        // Shadow drawn last, so it wins where the two copies overlap.
        paintSet(1, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
        paintSet(0, 0, GetSysColor(COLOR_BTNSHADOW));
        return;
    }
    if (flags & DSS_MONO) {
        paintSet(0, 0, brush);
        return;
    }

    const Axis across = axis(x, designW, source.width(), pixels.width());
    const Axis down = axis(y, designH, source.height(), pixels.height());
    for (qint64 dy = down.first; dy < down.end; ++dy) {
        const QRgb *row = reinterpret_cast<const QRgb *>(source.constScanLine(down.at(dy)));
        for (qint64 deviceX = across.first; deviceX < across.end; ++deviceX) {
            const int dx = int(deviceX);
            const QRgb pixel = row[across.at(deviceX)];
            const int alpha = alphaCounts ? qAlpha(pixel) : 255;
            if (alpha == 0)
                continue;
            if (pixels.mono()) {
                if (alpha >= 128)
                    pixels.set(dx, int(dy), monochromeBit(fromQRgb(pixel)));
                continue;
            }
            if (alpha == 255) {
                pixels.set(dx, int(dy), pixel | kOpaque);
                continue;
            }
            const QRgb under = pixels.get(dx, int(dy));
            const auto blend = [alpha](int over, int base) { return (over * alpha + base * (255 - alpha) + 127) / 255; };
            pixels.set(dx, int(dy),
                       qRgb(blend(qRed(pixel), qRed(under)), blend(qGreen(pixel), qGreen(under)),
                            blend(qBlue(pixel), qBlue(under))));
        }
    }
}

// ---------------------------------------------------------------- Regions

QRegion CreateRectRgn(int left, int top, int right, int bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (left == right || top == bottom)
        return QRegion();
    return QRegion(left, top, right - left, bottom - top);
}

} // namespace platform
