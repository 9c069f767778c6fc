#pragma once

// What the raster's files share: direct access to a surface's pixels. Not
// for users of the raster layer.

#include "Raster.h"
#include "SystemColors.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {
namespace raster {

constexpr quint32 kOpaque = 0xFF000000u;
constexpr quint32 kColourBits = 0x00FFFFFFu;

// The nearer of black and white: distance to white is smaller exactly when
// R + G + B > 382.5.
inline quint32 monochromeBit(COLORREF colour)
{
    const int sum = int(colour & 0xFF) + int((colour >> 8) & 0xFF) + int((colour >> 16) & 0xFF);
    return sum >= 383 ? 1u : 0u;
}

// The device edge a design edge lands on: round(at * ratio), halves up.
inline qint64 deviceEdge(qint64 at, qreal ratio)
{
    if (ratio == 1)
        return at;
    return qint64(std::floor(double(at) * ratio + 0.5));
}

// The design pixel a device pixel lies in: the last design edge at or
// before it.
inline qint64 designPixel(qint64 device, qreal ratio)
{
    if (ratio == 1)
        return device;
    qint64 design = qint64(std::ceil((double(device) + 0.5) / ratio)) - 1;
    // The division may land a step off where an edge falls on a half.
    while (deviceEdge(design + 1, ratio) <= device)
        ++design;
    while (deviceEdge(design, ratio) > device)
        --design;
    return design;
}

inline bool isColourFormat(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
}

// Direct write access to a surface's pixels; values are 0xFFRRGGBB on a
// colour surface and 0 or 1 on a monochrome one.
class Pixels {
public:
    explicit Pixels(Surface &surface)
        : m_mono(surface.isMonochrome())
        , m_ratio(surface.devicePixelRatio())
    {
        QImage &image = surface.image();
        m_width = image.width();
        m_height = image.height();
        if (!image.isNull()) {
            m_bits = image.bits();
            m_stride = image.bytesPerLine();
        }
    }

    // Device pixels.
    int width() const { return m_width; }
    int height() const { return m_height; }
    qreal ratio() const { return m_ratio; }
    // The design pixels that have device pixels on the image.
    qint64 designWidth() const { return m_width > 0 ? designPixel(m_width - 1, m_ratio) + 1 : 0; }
    qint64 designHeight() const { return m_height > 0 ? designPixel(m_height - 1, m_ratio) + 1 : 0; }
    qint64 edge(qint64 at) const { return deviceEdge(at, m_ratio); }
    bool mono() const { return m_mono; }
    bool contains(qint64 x, qint64 y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    quint32 value(COLORREF colour) const { return m_mono ? monochromeBit(colour) : (toQRgb(colour) | kOpaque); }
    quint32 inverted(quint32 value) const { return m_mono ? value ^ 1u : value ^ kColourBits; }

    quint32 get(int x, int y) const
    {
        return m_mono ? quint32(row8(y)[x]) : row32(y)[x];
    }
    void set(int x, int y, quint32 value)
    {
        if (m_mono)
            row8(y)[x] = uchar(value);
        else
            row32(y)[x] = value;
    }
    // [x0, x1) of row y, already clipped.
    void fillSpan(int y, int x0, int x1, quint32 value)
    {
        if (m_mono)
            std::memset(row8(y) + x0, int(value), size_t(x1 - x0));
        else
            std::fill(row32(y) + x0, row32(y) + x1, value);
    }

    uchar *row8(int y) const { return m_bits + m_stride * y; }
    quint32 *row32(int y) const { return reinterpret_cast<quint32 *>(m_bits + m_stride * y); }

private:
    uchar *m_bits = nullptr;
    qsizetype m_stride = 0;
    int m_width = 0;
    int m_height = 0;
    bool m_mono = false;
    qreal m_ratio = 1;
};

} // namespace raster
} // namespace platform
