#include "Raster.h"

#include "RasterPixels.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>
#include <QThread>

#include <algorithm>
#include <memory>
#include <vector>

// Text on a surface: the classic text call's line breaking, prefixes and
// alignment, laid out once per text and kept.
namespace platform {

using namespace raster;

namespace {

// One output line: a range of the text with its prefixes removed.
struct TextLine {
    int start = 0;
    int length = 0;
    int width = 0;
};

// Removes "&" prefixes: "&x" marks x, "&&" is one "&", a trailing "&" stays.
void stripPrefixes(const QString &text, QString &plain, std::vector<bool> &underlined)
{
    plain.reserve(text.size());
    underlined.reserve(size_t(text.size()));
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
            plain.append(text.at(i));
            underlined.push_back(text.at(i) != QLatin1Char('&'));
            continue;
        }
        plain.append(c);
        underlined.push_back(false);
    }
}

class LineBreaker {
public:
    LineBreaker(const QString &plain, const QFontMetrics &metrics)
        : m_plain(plain)
        , m_metrics(metrics)
    {
    }

    int width(int start, int end) const
    {
        return end > start ? m_metrics.horizontalAdvance(m_plain.mid(start, end - start)) : 0;
    }

    void whole(int start, int end, std::vector<TextLine> &lines) const
    {
        lines.push_back({start, end - start, width(start, end)});
    }

    // Greedy breaking at spaces; a word wider than maxWidth gets a line of
    // its own and is not split. Spaces at a break are dropped.
    void wrap(int start, int end, int maxWidth, std::vector<TextLine> &lines) const
    {
        int lineStart = start;
        do {
            int lineEnd = -1;
            int lineWidth = 0;
            for (int wordEnd = nextWordEnd(lineStart, end); wordEnd != -1; wordEnd = nextWordEnd(wordEnd, end)) {
                const int candidate = width(lineStart, wordEnd);
                if (lineEnd != -1 && candidate > maxWidth)
                    break;
                lineEnd = wordEnd;
                lineWidth = candidate;
                if (candidate > maxWidth)
                    break;
            }
            if (lineEnd == -1) {
                lineEnd = end; // nothing but spaces left
                lineWidth = width(lineStart, end);
            }
            lines.push_back({lineStart, lineEnd - lineStart, lineWidth});
            lineStart = lineEnd;
            while (lineStart < end && m_plain.at(lineStart) == QLatin1Char(' '))
                ++lineStart;
        } while (lineStart < end);
    }

private:
    int nextWordEnd(int from, int end) const
    {
        int i = from;
        while (i < end && m_plain.at(i) == QLatin1Char(' '))
            ++i;
        if (i == end)
            return -1;
        while (i < end && m_plain.at(i) != QLatin1Char(' '))
            ++i;
        return i;
    }

    const QString &m_plain;
    const QFontMetrics &m_metrics;
};

std::vector<TextLine> breakLines(const QString &plain, const QFontMetrics &metrics, int maxWidth, quint32 flags)
{
    std::vector<TextLine> lines;
    const LineBreaker breaker(plain, metrics);
    if (flags & DT_SINGLELINE) {
        breaker.whole(0, plain.size(), lines);
        return lines;
    }
    if (plain.isEmpty())
        return lines;
    // Every paragraph, even an empty one, gives at least one line; a line
    // feed at the very end adds none.
    int start = 0;
    for (;;) {
        int end = start;
        while (end < plain.size() && plain.at(end) != QLatin1Char('\n') && plain.at(end) != QLatin1Char('\r'))
            ++end;
        if (flags & DT_WORDBREAK)
            breaker.wrap(start, end, maxWidth, lines);
        else
            breaker.whole(start, end, lines);
        if (end == plain.size())
            break;
        start = end + 1;
        if (plain.at(end) == QLatin1Char('\r') && start < plain.size() && plain.at(start) == QLatin1Char('\n'))
            ++start;
        if (start == plain.size())
            break;
    }
    return lines;
}

// A text measured and broken into lines in one font on one device, with its
// glyphs once it has been drawn.
struct TextLayout {
    struct Line {
        QString text;
        int width = 0;
        std::vector<int> marked; // the underlined characters
        std::vector<std::pair<int, int>> underlines; // [from, to) from the line's left edge
        QList<QGlyphRun> glyphs;
        qreal glyphAscent = 0;
    };

    std::vector<Line> lines;
    int lineHeight = 0;
    int ascent = 0;
    int underlinePosition = 0;
    int underlineThickness = 1;
    bool shaped = false;

    void shape(const QFont &font, QPaintDevice *device)
    {
        for (Line &line : lines) {
            if (line.text.isEmpty())
                continue;
            QTextLayout layout(line.text, font, device);
            layout.beginLayout();
            const QTextLine textLine = layout.createLine();
            layout.endLayout();
            line.glyphs = layout.glyphRuns();
            line.glyphAscent = textLine.isValid() ? textLine.ascent() : 0;
        }
        shaped = true;
    }
};

std::shared_ptr<TextLayout> layOut(const QFont &font, QPaintDevice *device, const QString &text, quint32 flags,
                                   int maxWidth)
{
    const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    QString plain;
    std::vector<bool> underlined;
    if (flags & DT_NOPREFIX) {
        plain = text;
        underlined.assign(size_t(text.size()), false);
    } else {
        stripPrefixes(text, plain, underlined);
    }

    auto layout = std::make_shared<TextLayout>();
    layout->lineHeight = metrics.height();
    layout->ascent = metrics.ascent();
    layout->underlinePosition = metrics.underlinePos();
    layout->underlineThickness = std::max(1, metrics.lineWidth());
    for (const TextLine &broken : breakLines(plain, metrics, maxWidth, flags)) {
        TextLayout::Line line;
        line.text = plain.mid(broken.start, broken.length);
        line.width = broken.width;
        for (int k = 0; k < broken.length; ++k) {
            if (underlined[size_t(broken.start + k)]) {
                line.marked.push_back(k);
                line.underlines.emplace_back(metrics.horizontalAdvance(line.text.left(k)),
                                             metrics.horizontalAdvance(line.text.left(k + 1)));
            }
        }
        layout->lines.push_back(std::move(line));
    }
    return layout;
}

// The lines of a design layout measured again in the font at the device
// size: the same lines, the device's widths and metrics.
std::shared_ptr<TextLayout> measureAgain(const TextLayout &design, const QFont &deviceFont, QPaintDevice *device)
{
    const QFontMetrics metrics = device ? QFontMetrics(deviceFont, device) : QFontMetrics(deviceFont);
    auto layout = std::make_shared<TextLayout>();
    layout->lineHeight = metrics.height();
    layout->ascent = metrics.ascent();
    layout->underlinePosition = metrics.underlinePos();
    layout->underlineThickness = std::max(1, metrics.lineWidth());
    for (const TextLayout::Line &designLine : design.lines) {
        TextLayout::Line line;
        line.text = designLine.text;
        line.width = line.text.isEmpty() ? 0 : metrics.horizontalAdvance(line.text);
        line.marked = designLine.marked;
        for (const int k : line.marked)
            line.underlines.emplace_back(metrics.horizontalAdvance(line.text.left(k)),
                                         metrics.horizontalAdvance(line.text.left(k + 1)));
        layout->lines.push_back(std::move(line));
    }
    return layout;
}

// The surface's font at `ratio` times its size, unhinted: the platforms
// hint differently at a scale (X11 not at all under Qt's scaling, Wayland
// as the fonts ask), and the same glyphs everywhere are worth more at
// device size than hinting's sharper stems.
QFont deviceFont(const QFont &font, qreal ratio, QPaintDevice *device)
{
    QFont scaled = font;
    scaled.setHintingPreference(QFont::PreferNoHinting);
    if (font.pointSizeF() > 0) {
        scaled.setPointSizeF(font.pointSizeF() * ratio);
    } else {
        const int dpi = device ? device->logicalDpiY() : 96;
        scaled.setPointSizeF(font.pixelSize() * ratio * 72.0 / dpi);
    }
    return scaled;
}

// Measuring and shaping a caption costs far more than drawing it, and a
// control measures and draws the same caption on every repaint.
class TextLayoutCache {
public:
    struct Key {
        QFont font;
        int dpiX = 0;
        int dpiY = 0;
        QString text;
        quint32 flags = 0;
        int maxWidth = 0;
        qreal ratio = 1; // above 1: the design's lines measured at the device size

        bool operator==(const Key &other) const
        {
            return dpiX == other.dpiX && dpiY == other.dpiY && flags == other.flags && maxWidth == other.maxWidth
                && ratio == other.ratio && text == other.text && font == other.font;
        }
    };

    std::shared_ptr<TextLayout> find(const Key &key)
    {
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].first == key) {
                std::rotate(m_entries.begin(), m_entries.begin() + qsizetype(i), m_entries.begin() + qsizetype(i) + 1);
                return m_entries.front().second;
            }
        }
        return nullptr;
    }

    void insert(Key key, std::shared_ptr<TextLayout> layout)
    {
        if (m_entries.size() == kCapacity)
            m_entries.pop_back();
        m_entries.insert(m_entries.begin(), {std::move(key), std::move(layout)});
    }

    // The cache serves the application's thread only, and is released with
    // the application object, before the font engines its glyphs refer to.
    static TextLayoutCache *instance()
    {
        static TextLayoutCache *cache = nullptr;
        const QCoreApplication *application = QCoreApplication::instance();
        if (!application || QThread::currentThread() != application->thread())
            return nullptr;
        if (!cache) {
            cache = new TextLayoutCache;
            qAddPostRoutine([] {
                delete cache;
                cache = nullptr;
            });
        }
        return cache;
    }

private:
    static constexpr size_t kCapacity = 16;
    std::vector<std::pair<Key, std::shared_ptr<TextLayout>>> m_entries;
};

QFont drawingFont(const QFont &font)
{
    QFont drawn = font;
    drawn.setStyleStrategy(QFont::StyleStrategy(drawn.styleStrategy() | QFont::NoSubpixelAntialias));
    return drawn;
}

// ratio 1: the text laid out in design pixels. Above: those same lines
// measured with the font at the device size.
std::shared_ptr<TextLayout> textLayout(const Surface &surface, QPaintDevice *device, const QString &text,
                                       quint32 flags, int width, qreal ratio = 1)
{
    const quint32 layoutFlags = flags & (DT_NOPREFIX | DT_SINGLELINE | DT_WORDBREAK);
    const bool wraps = (flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE);
    TextLayoutCache::Key key{surface.font(), device ? device->logicalDpiX() : 0, device ? device->logicalDpiY() : 0,
                             text, layoutFlags, wraps ? width : 0, ratio};
    TextLayoutCache *cache = TextLayoutCache::instance();
    if (cache) {
        if (std::shared_ptr<TextLayout> found = cache->find(key))
            return found;
    }
    std::shared_ptr<TextLayout> layout;
    if (ratio == 1) {
        layout = layOut(drawingFont(surface.font()), device, text, layoutFlags, width);
    } else {
        const std::shared_ptr<TextLayout> design = textLayout(surface, device, text, flags, width);
        layout = measureAgain(*design, drawingFont(deviceFont(surface.font(), ratio, device)), device);
    }
    if (layout && cache)
        cache->insert(std::move(key), layout);
    return layout;
}

} // namespace

// ---------------------------------------------------------------- Text

int DrawTextEx(Surface &surface, const QString &text, RECT &rect, quint32 flags)
{
    QImage &image = surface.image();
    QPaintDevice *device = image.isNull() ? nullptr : &image;
    const std::shared_ptr<TextLayout> layout = textLayout(surface, device, text, flags, rect.width());
    const int textHeight = int(layout->lines.size()) * layout->lineHeight;

    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const TextLayout::Line &line : layout->lines)
            widest = std::max(widest, line.width);
        rect.right = rect.left + widest;
        rect.bottom = rect.top + textHeight;
        return textHeight;
    }
    if (rect.right <= rect.left || rect.bottom <= rect.top || layout->lines.empty() || !device)
        return textHeight;

    // On a finer surface the lines are drawn in device pixels, with the
    // font at the device size, in the device pixels of the rectangle.
    const qreal ratio = surface.devicePixelRatio();
    const std::shared_ptr<TextLayout> drawn =
        ratio == 1 ? layout : textLayout(surface, device, text, flags, rect.width(), ratio);
    if (!drawn->shaped)
        drawn->shape(drawingFont(ratio == 1 ? surface.font() : deviceFont(surface.font(), ratio, device)), device);
    QImage deviceView;
    if (ratio != 1 && !surface.isMonochrome()) {
        // The same pixels with no ratio of their own: a painter on them
        // works in device pixels.
        deviceView = QImage(image.bits(), image.width(), image.height(), image.bytesPerLine(), image.format());
        device = &deviceView;
    }
    const RECT deviceRect{int(surface.toDevice(rect.left)), int(surface.toDevice(rect.top)),
                          int(surface.toDevice(rect.right)), int(surface.toDevice(rect.bottom))};

    // Positions are taken in 64 bits: a rectangle far off the surface has
    // edges whose sums do not fit 32 bits.
    qint64 top = deviceRect.top;
    if ((flags & DT_SINGLELINE) && (flags & DT_VCENTER))
        top = deviceRect.top + (qint64(deviceRect.bottom) - deviceRect.top - drawn->lineHeight) / 2;
    const qint64 clipLeft = std::max<qint64>(deviceRect.left, 0);
    const qint64 clipTop = std::max<qint64>(deviceRect.top, 0);
    const qint64 clipRight = std::min<qint64>(deviceRect.right, image.width());
    const qint64 clipBottom = std::min<qint64>(deviceRect.bottom, image.height());
    if (clipLeft >= clipRight || clipTop >= clipBottom)
        return textHeight;

    // A monochrome surface gets the text through a coverage image.
    const bool mono = surface.isMonochrome();
    QImage coverage;
    if (mono) {
        coverage = QImage(image.size(), QImage::Format_ARGB32_Premultiplied);
        coverage.fill(Qt::transparent);
    }
    {
        QPainter painter(mono ? static_cast<QPaintDevice *>(&coverage) : device);
        const QColor colour = mono ? QColor(Qt::black) : QColor(toQRgb(surface.textColor()));
        painter.setClipRect(QRect(int(clipLeft), int(clipTop), int(clipRight - clipLeft), int(clipBottom - clipTop)));
        painter.setPen(colour);
        for (size_t i = 0; i < drawn->lines.size(); ++i) {
            const TextLayout::Line &line = drawn->lines[i];
            if (line.text.isEmpty())
                continue;
            const qint64 left = (flags & DT_CENTER) ? (qint64(deviceRect.left) + deviceRect.right - line.width) / 2
                                                    : deviceRect.left;
            const qint64 baseline = top + qint64(i) * drawn->lineHeight + drawn->ascent;
            for (const QGlyphRun &run : line.glyphs)
                painter.drawGlyphRun(QPointF(qreal(left), qreal(baseline) - line.glyphAscent), run);
            for (const auto &[from, to] : line.underlines)
                painter.fillRect(QRectF(qreal(left + from), qreal(baseline + drawn->underlinePosition), to - from,
                                        drawn->underlineThickness),
                                 colour);
        }
    }
    if (mono) {
        Pixels pixels(surface);
        const quint32 value = pixels.value(surface.textColor());
        for (int y = 0; y < coverage.height(); ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(coverage.constScanLine(y));
            for (int x = 0; x < coverage.width(); ++x)
                if (qAlpha(row[x]) >= 128)
                    pixels.set(x, y, value);
        }
    }
    return textHeight;
}

} // namespace platform
