#include "platform/raster/Raster.h"
#include "platform/raster/SystemColors.h"

#include <QFontMetrics>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace platform;

Q_DECLARE_METATYPE(platform::RECT)
Q_DECLARE_METATYPE(platform::RasterOp)

namespace platform {
// Lets QCOMPARE print rectangles.
char *toString(const RECT &rect)
{
    return qstrdup(qPrintable(
        QStringLiteral("(%1, %2, %3, %4)").arg(rect.left).arg(rect.top).arg(rect.right).arg(rect.bottom)));
}
} // namespace platform

namespace {

constexpr COLORREF kMarker = RGB(0x12, 0x34, 0x56);
constexpr COLORREF kInk = RGB(0xC0, 0x10, 0x20);
constexpr int kWidth = 8;
constexpr int kHeight = 6;

// A colour surface with every pixel set to colour, written straight into
// the image so that no primitive under test prepares it.
Surface filledSurface(COLORREF colour = kMarker, int width = kWidth, int height = kHeight)
{
    Surface surface(width, height);
    surface.image().fill(toQRgb(colour));
    return surface;
}

// A monochrome surface with every pixel 0 or 1.
Surface filledMonochrome(int bit, int width = kWidth, int height = kHeight)
{
    Surface surface(width, height, Surface::Format::Monochrome);
    surface.image().fill(uint(bit));
    return surface;
}

void setMonochromeBit(Surface &surface, int x, int y, int bit)
{
    surface.image().scanLine(y)[x] = uchar(bit);
}

// "x,y x,y ..." as points.
QList<QPoint> points(const QString &list)
{
    QList<QPoint> result;
    const QStringList pairs = list.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &pair : pairs) {
        const QStringList xy = pair.split(QLatin1Char(','));
        result.append(QPoint(xy.at(0).toInt(), xy.at(1).toInt()));
    }
    return result;
}

QList<QPoint> points(const QRect &rect)
{
    QList<QPoint> result;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            result.append(QPoint(x, y));
    return result;
}

QString hex(COLORREF colour)
{
    return QStringLiteral("%1").arg(colour, 6, 16, QLatin1Char('0'));
}

// Checks every pixel of the surface: the listed ones must be ink, all
// others background. Returns a description of the first mismatch.
QString mismatch(const Surface &surface, const QList<QPoint> &painted, COLORREF ink, COLORREF background)
{
    for (const QPoint &point : painted) {
        if (point.x() < 0 || point.y() < 0 || point.x() >= surface.width() || point.y() >= surface.height())
            return QStringLiteral("expected point (%1, %2) lies outside the surface").arg(point.x()).arg(point.y());
    }
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            const COLORREF expected = painted.contains(QPoint(x, y)) ? ink : background;
            const COLORREF actual = surface.pixel(x, y);
            if (actual != expected)
                return QStringLiteral("pixel (%1, %2) is %3, expected %4").arg(x).arg(y).arg(hex(actual), hex(expected));
        }
    }
    return QString();
}

// The first pixel where two surfaces differ, or an empty string.
QString firstDifference(const Surface &actual, const Surface &expected)
{
    if (actual.width() != expected.width() || actual.height() != expected.height())
        return QStringLiteral("sizes differ");
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return QStringLiteral("pixel (%1, %2) is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(hex(actual.pixel(x, y)), hex(expected.pixel(x, y)));
    return QString();
}

QFont testFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    return font;
}

Surface textSurface(int width = 60, int height = 24)
{
    Surface surface = filledSurface(RGB(255, 255, 255), width, height);
    surface.setFont(testFont());
    return surface;
}

} // namespace

class tst_Raster : public QObject {
    Q_OBJECT

private slots:
    void newSurfacesAreBlack_data();
    void newSurfacesAreBlack();
    void surfaceOnForeignImageDrawsIntoIt();
    void foreignImageInOtherFormatIsConverted_data();
    void foreignImageInOtherFormatIsConverted();
    void copiedSurfaceDrawsApart();

    void lineTo_data();
    void lineTo();
    void lineToContinuesFromItsEndPoint();
    void fillRect_data();
    void fillRect();
    void frameRect_data();
    void frameRect();
    void setPixelV_data();
    void setPixelV();
    void monochromeSurfaceTakesNearerOfBlackAndWhite_data();
    void monochromeSurfaceTakesNearerOfBlackAndWhite();

    void focusRectInvertsOddPixelsOfBorder_data();
    void focusRectInvertsOddPixelsOfBorder();
    void focusRectDrawnTwiceRestoresPixels();

    void bitBltRasterOps_data();
    void bitBltRasterOps();
    void bitBltColourToMonochrome_data();
    void bitBltColourToMonochrome();
    void bitBltMonochromeToColourUsesDestinationColours();
    void bitBltMonochromeToMonochrome_data();
    void bitBltMonochromeToMonochrome();
    void bitBltClipping_data();
    void bitBltClipping();
    void maskedBlitLeavesMaskColourTransparent();

    void stretchBltEnlargingReplicatesPixels_data();
    void stretchBltEnlargingReplicatesPixels();
    void stretchBltShrinkingAndsPixels_data();
    void stretchBltShrinkingAndsPixels();
    void stretchBltMirroredOrEmptyDrawsNothing_data();
    void stretchBltMirroredOrEmptyDrawsNothing();

    void drawStateMono_data();
    void drawStateMono();
    void drawStateIconTransparencyIsNotSet_data();
    void drawStateIconTransparencyIsNotSet();
    void drawStateDisabledShadowWinsOverHighlight_data();
    void drawStateDisabledShadowWinsOverHighlight();
    void drawStateNormalCopiesImage();

    void drawTextCalcRect_data();
    void drawTextCalcRect();
    void drawTextSameTextWithAndWithoutPrefixes();
    void drawTextInTextColourOnTransparentBackground();
    void drawTextCentresEachLine_data();
    void drawTextCentresEachLine();
    void drawTextVCentreOnlyWithSingleLine_data();
    void drawTextVCentreOnlyWithSingleLine();
    void drawTextUnderlinesPrefixedCharacter_data();
    void drawTextUnderlinesPrefixedCharacter();
    void drawTextAmpersands_data();
    void drawTextAmpersands();
    void drawTextClipsToRectangle();
    void drawTextFarOffTheSurfaceDrawsNothing_data();
    void drawTextFarOffTheSurfaceDrawsNothing();
    void drawTextOnMonochromeSurface();
    void textAtARatioIsTheFontAtTheDeviceSize_data();
    void textAtARatioIsTheFontAtTheDeviceSize();

    void createRectRgn_data();
    void createRectRgn();
};

// ---------------------------------------------------------------- Surface

void tst_Raster::newSurfacesAreBlack_data()
{
    QTest::addColumn<bool>("monochrome");
    QTest::newRow("colour") << false;
    QTest::newRow("monochrome") << true;
}

void tst_Raster::newSurfacesAreBlack()
{
    QFETCH(bool, monochrome);
    const Surface surface(kWidth, kHeight, monochrome ? Surface::Format::Monochrome : Surface::Format::Colour);
    QCOMPARE(surface.width(), kWidth);
    QCOMPARE(surface.height(), kHeight);
    QCOMPARE(surface.isMonochrome(), monochrome);
    QCOMPARE(mismatch(surface, {}, 0, RGB(0, 0, 0)), QString());
}

void tst_Raster::surfaceOnForeignImageDrawsIntoIt()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(toQRgb(kMarker));
    Surface surface(&image);
    SetPixelV(surface, 3, 2, kInk);
    QCOMPARE(image.pixel(3, 2), toQRgb(kInk));
    QCOMPARE(image.pixel(4, 2), toQRgb(kMarker));
    QCOMPARE(surface.pixel(3, 2), kInk);
}

void tst_Raster::foreignImageInOtherFormatIsConverted_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("monochrome");
    QTest::newRow("24-bit") << int(QImage::Format_RGB888) << false;
    QTest::newRow("one bit") << int(QImage::Format_Mono) << true;
}

void tst_Raster::foreignImageInOtherFormatIsConverted()
{
    QFETCH(int, format);
    QFETCH(bool, monochrome);
    QImage image(kWidth, kHeight, QImage::Format(format));
    if (monochrome) {
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        image.fill(1);
        image.setPixel(1, 1, 0);
    } else {
        image.fill(Qt::white);
        image.setPixel(1, 1, qRgb(0, 0, 0));
    }
    Surface surface(&image);
    QCOMPARE(surface.isMonochrome(), monochrome);
    SetPixelV(surface, 5, 4, RGB(0, 0, 0));
    QCOMPARE(mismatch(surface, points(QStringLiteral("1,1 5,4")), RGB(0, 0, 0), RGB(255, 255, 255)), QString());
    QCOMPARE(qGray(image.pixel(5, 4)), 0);
}

void tst_Raster::copiedSurfaceDrawsApart()
{
    Surface original = filledSurface();
    Surface copy = original;
    SetPixelV(copy, 2, 2, kInk);
    QCOMPARE(original.pixel(2, 2), kMarker);
    QCOMPARE(copy.pixel(2, 2), kInk);
}

// ---------------------------------------------------------------- Lines, fills

void tst_Raster::lineTo_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("drawn");

    QTest::newRow("rightwards") << QPoint(1, 2) << QPoint(5, 2) << "1,2 2,2 3,2 4,2";
    QTest::newRow("leftwards") << QPoint(5, 2) << QPoint(1, 2) << "2,2 3,2 4,2 5,2";
    QTest::newRow("downwards") << QPoint(3, 1) << QPoint(3, 4) << "3,1 3,2 3,3";
    QTest::newRow("upwards") << QPoint(3, 4) << QPoint(3, 1) << "3,2 3,3 3,4";
    QTest::newRow("zero length") << QPoint(2, 2) << QPoint(2, 2) << "";
    QTest::newRow("one step") << QPoint(2, 2) << QPoint(3, 2) << "2,2";
    QTest::newRow("diagonal down-right") << QPoint(1, 1) << QPoint(4, 4) << "1,1 2,2 3,3";
    QTest::newRow("diagonal up-left") << QPoint(4, 4) << QPoint(1, 1) << "4,4 3,3 2,2";
    QTest::newRow("diagonal up-right") << QPoint(1, 4) << QPoint(4, 1) << "1,4 2,3 3,2";
    // Ties: octants 1, 2, 4 and 7 step the minor axis late, 3, 5, 6 and 8
    // early, so a line and its reverse share their inner pixels.
    QTest::newRow("tie octant 1") << QPoint(1, 1) << QPoint(5, 3) << "1,1 2,1 3,2 4,2";
    QTest::newRow("tie octant 5") << QPoint(5, 3) << QPoint(1, 1) << "5,3 4,2 3,2 2,1";
    QTest::newRow("tie octant 8") << QPoint(1, 3) << QPoint(5, 1) << "1,3 2,2 3,2 4,1";
    QTest::newRow("tie octant 4") << QPoint(5, 1) << QPoint(1, 3) << "5,1 4,1 3,2 2,2";
    QTest::newRow("tie octant 2") << QPoint(1, 1) << QPoint(2, 3) << "1,1 1,2";
    QTest::newRow("tie octant 6") << QPoint(2, 3) << QPoint(1, 1) << "2,3 1,2";
    QTest::newRow("tie octant 3") << QPoint(2, 1) << QPoint(1, 3) << "2,1 1,2";
    QTest::newRow("tie octant 7") << QPoint(1, 3) << QPoint(2, 1) << "1,3 1,2";
    QTest::newRow("from left of the surface") << QPoint(-3, 2) << QPoint(3, 2) << "0,2 1,2 2,2";
    QTest::newRow("up from below the surface") << QPoint(6, 9) << QPoint(6, 3) << "6,4 6,5";
    QTest::newRow("diagonal from outside") << QPoint(-2, -2) << QPoint(3, 3) << "0,0 1,1 2,2";
    QTest::newRow("to the right edge") << QPoint(5, 5) << QPoint(8, 5) << "5,5 6,5 7,5";
    QTest::newRow("above the surface") << QPoint(0, -1) << QPoint(8, -1) << "";
}

void tst_Raster::lineTo()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QString, drawn);
    Surface surface = filledSurface();
    surface.MoveToEx(from.x(), from.y());
    surface.LineTo(to.x(), to.y(), kInk);
    QCOMPARE(mismatch(surface, points(drawn), kInk, kMarker), QString());
}

void tst_Raster::lineToContinuesFromItsEndPoint()
{
    Surface surface = filledSurface();
    surface.MoveToEx(1, 1);
    surface.LineTo(4, 1, kInk);
    surface.LineTo(4, 4, kInk);
    surface.LineTo(1, 4, kInk);
    // The last end point (1, 4) stays undrawn; each corner is drawn once as
    // the start of the next line.
    QCOMPARE(mismatch(surface, points(QStringLiteral("1,1 2,1 3,1 4,1 4,2 4,3 4,4 3,4 2,4")), kInk, kMarker),
             QString());
}

void tst_Raster::fillRect_data()
{
    QTest::addColumn<RECT>("rect");
    QTest::addColumn<QRect>("filled");

    QTest::newRow("inside") << RECT{1, 1, 4, 3} << QRect(1, 1, 3, 2);
    QTest::newRow("one pixel") << RECT{3, 3, 4, 4} << QRect(3, 3, 1, 1);
    QTest::newRow("larger than the surface") << RECT{-2, -1, 10, 9} << QRect(0, 0, 8, 6);
    QTest::newRow("past right and bottom") << RECT{6, 4, 12, 9} << QRect(6, 4, 2, 2);
    QTest::newRow("zero width") << RECT{2, 2, 2, 5} << QRect();
    QTest::newRow("zero height") << RECT{1, 3, 5, 3} << QRect();
    QTest::newRow("inverted") << RECT{5, 4, 1, 1} << QRect();
}

void tst_Raster::fillRect()
{
    QFETCH(RECT, rect);
    QFETCH(QRect, filled);
    Surface surface = filledSurface();
    FillRect(surface, rect, kInk);
    QCOMPARE(mismatch(surface, points(filled), kInk, kMarker), QString());
}

void tst_Raster::frameRect_data()
{
    QTest::addColumn<RECT>("rect");
    QTest::addColumn<QString>("drawn");

    QTest::newRow("inside") << RECT{1, 1, 5, 4} << "1,1 2,1 3,1 4,1 1,2 4,2 1,3 2,3 3,3 4,3";
    QTest::newRow("one pixel wide") << RECT{2, 1, 3, 4} << "2,1 2,2 2,3";
    QTest::newRow("one pixel high") << RECT{1, 2, 5, 3} << "1,2 2,2 3,2 4,2";
    QTest::newRow("whole surface") << RECT{0, 0, 8, 6}
                                   << "0,0 1,0 2,0 3,0 4,0 5,0 6,0 7,0 0,5 1,5 2,5 3,5 4,5 5,5 6,5 7,5 "
                                      "0,1 0,2 0,3 0,4 7,1 7,2 7,3 7,4";
    QTest::newRow("over the top-left corner") << RECT{-1, -1, 3, 3} << "2,0 2,1 2,2 0,2 1,2";
    QTest::newRow("over the bottom-right corner") << RECT{5, 3, 10, 8} << "5,3 6,3 7,3 5,4 5,5";
    QTest::newRow("empty") << RECT{2, 2, 2, 4} << "";
    QTest::newRow("inverted") << RECT{4, 4, 1, 1} << "";
}

void tst_Raster::frameRect()
{
    QFETCH(RECT, rect);
    QFETCH(QString, drawn);
    Surface surface = filledSurface();
    FrameRect(surface, rect, kInk);
    QCOMPARE(mismatch(surface, points(drawn), kInk, kMarker), QString());
}

void tst_Raster::setPixelV_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("drawn");
    QTest::newRow("top-left") << QPoint(0, 0) << "0,0";
    QTest::newRow("bottom-right") << QPoint(7, 5) << "7,5";
    QTest::newRow("left of the surface") << QPoint(-1, 0) << "";
    QTest::newRow("right of the surface") << QPoint(8, 0) << "";
    QTest::newRow("below the surface") << QPoint(0, 6) << "";
    QTest::newRow("above the surface") << QPoint(3, -1) << "";
}

void tst_Raster::setPixelV()
{
    QFETCH(QPoint, point);
    QFETCH(QString, drawn);
    Surface surface = filledSurface();
    SetPixelV(surface, point.x(), point.y(), kInk);
    QCOMPARE(mismatch(surface, points(drawn), kInk, kMarker), QString());
}

void tst_Raster::monochromeSurfaceTakesNearerOfBlackAndWhite_data()
{
    QTest::addColumn<COLORREF>("colour");
    QTest::addColumn<COLORREF>("stored");
    QTest::newRow("white") << RGB(255, 255, 255) << COLORREF(0xFFFFFF);
    QTest::newRow("black") << RGB(0, 0, 0) << COLORREF(0);
    QTest::newRow("sum 383 is white") << RGB(128, 128, 127) << COLORREF(0xFFFFFF);
    QTest::newRow("sum 382 is black") << RGB(128, 127, 127) << COLORREF(0);
}

void tst_Raster::monochromeSurfaceTakesNearerOfBlackAndWhite()
{
    QFETCH(COLORREF, colour);
    QFETCH(COLORREF, stored);
    const COLORREF other = stored ^ 0xFFFFFF;
    Surface surface = filledMonochrome(other ? 1 : 0);
    SetPixelV(surface, 2, 3, colour);
    QCOMPARE(mismatch(surface, {QPoint(2, 3)}, stored, other), QString());
}

// ---------------------------------------------------------------- Focus rectangle

void tst_Raster::focusRectInvertsOddPixelsOfBorder_data()
{
    QTest::addColumn<COLORREF>("background");
    QTest::addColumn<COLORREF>("inverted");
    QTest::addColumn<RECT>("rect");
    QTest::addColumn<QString>("changed");

    const COLORREF white = RGB(255, 255, 255);
    const COLORREF black = RGB(0, 0, 0);
    const COLORREF face = RGB(0xD4, 0xD0, 0xC8);
    const COLORREF faceInverted = RGB(0x2B, 0x2F, 0x37);
    const QString inner = QStringLiteral("2,1 4,1 1,2 5,2 1,4 3,4 5,4");
    QTest::newRow("over white") << white << black << RECT{1, 1, 6, 5} << inner;
    QTest::newRow("over button face") << face << faceInverted << RECT{1, 1, 6, 5} << inner;
    QTest::newRow("all four corners odd") << white << black << RECT{1, 0, 4, 3} << "1,0 3,0 1,2 3,2";
    QTest::newRow("one pixel high") << white << black << RECT{1, 2, 6, 3} << "1,2 3,2 5,2";
    QTest::newRow("one pixel wide") << white << black << RECT{3, 1, 4, 5} << "3,2 3,4";
    QTest::newRow("over the top-left corner") << white << black << RECT{-2, -2, 3, 3} << "1,2 2,1";
    QTest::newRow("empty") << white << black << RECT{2, 2, 2, 4} << "";
    QTest::newRow("inverted") << white << black << RECT{5, 5, 1, 1} << "";
}

void tst_Raster::focusRectInvertsOddPixelsOfBorder()
{
    QFETCH(COLORREF, background);
    QFETCH(COLORREF, inverted);
    QFETCH(RECT, rect);
    QFETCH(QString, changed);
    Surface surface = filledSurface(background);
    DrawFocusRect(surface, rect);
    QCOMPARE(mismatch(surface, points(changed), inverted, background), QString());
}

void tst_Raster::focusRectDrawnTwiceRestoresPixels()
{
    Surface surface(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            surface.image().setPixel(x, y, toQRgb(RGB(x * 30, y * 40, 200 - x * y)));
    const Surface before = surface;
    const RECT rect{1, 0, 7, 5};
    DrawFocusRect(surface, rect);
    QVERIFY(!firstDifference(surface, before).isEmpty());
    DrawFocusRect(surface, rect);
    QCOMPARE(firstDifference(surface, before), QString());
}

// ---------------------------------------------------------------- BitBlt

void tst_Raster::bitBltRasterOps_data()
{
    QTest::addColumn<RasterOp>("op");
    QTest::addColumn<QRgb>("result");
    QTest::newRow("SRCCOPY") << SRCCOPY << QRgb(0xDCBA98);
    QTest::newRow("SRCAND") << SRCAND << QRgb(0x888888);
    QTest::newRow("SRCINVERT") << SRCINVERT << QRgb(0x777777);
    QTest::newRow("NOTSRCCOPY") << NOTSRCCOPY << QRgb(0x234567);
}

void tst_Raster::bitBltRasterOps()
{
    QFETCH(RasterOp, op);
    QFETCH(QRgb, result);
    // Source 0xFEDCBA98 on destination 0x89ABCDEF, on the colour bits.
    Surface source(kWidth, kHeight);
    source.image().fill(0xFF000000u);
    for (int y = 1; y < 3; ++y)
        for (int x = 1; x < 3; ++x)
            source.image().setPixel(x, y, 0xFFDCBA98u);
    Surface dest(kWidth, kHeight);
    dest.image().fill(0xFFABCDEFu);

    BitBlt(dest, 4, 2, 2, 2, source, 1, 1, op);

    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = x >= 4 && x < 6 && y >= 2 && y < 4;
            const QRgb expected = inside ? result : 0xABCDEFu;
            QCOMPARE(dest.image().pixel(x, y) & 0xFFFFFFu, expected);
        }
    }
}

void tst_Raster::bitBltColourToMonochrome_data()
{
    QTest::addColumn<COLORREF>("pixel");
    QTest::addColumn<COLORREF>("sourceBackground");
    QTest::addColumn<int>("bit");
    QTest::newRow("equal to the source background") << RGB(255, 0, 255) << RGB(255, 0, 255) << 1;
    QTest::newRow("one blue step away") << RGB(255, 0, 254) << RGB(255, 0, 255) << 0;
    QTest::newRow("white against another background") << RGB(255, 255, 255) << RGB(255, 0, 255) << 0;
    QTest::newRow("black against a black background") << RGB(0, 0, 0) << RGB(0, 0, 0) << 1;
}

void tst_Raster::bitBltColourToMonochrome()
{
    QFETCH(COLORREF, pixel);
    QFETCH(COLORREF, sourceBackground);
    QFETCH(int, bit);
    Surface source = filledSurface(pixel);
    source.SetBkColor(sourceBackground);
    source.SetTextColor(sourceBackground ^ 0xFFFFFF);
    Surface dest = filledMonochrome(1 - bit);
    // The destination's own colours play no part in this direction.
    dest.SetBkColor(pixel);
    dest.SetTextColor(pixel);

    BitBlt(dest, 2, 1, 3, 2, source, 0, 0, SRCCOPY);

    const COLORREF set = bit ? 0xFFFFFF : 0;
    QCOMPARE(mismatch(dest, points(QRect(2, 1, 3, 2)), set, set ^ 0xFFFFFF), QString());
}

void tst_Raster::bitBltMonochromeToColourUsesDestinationColours()
{
    const COLORREF text = RGB(200, 10, 20);
    const COLORREF background = RGB(30, 40, 210);
    Surface source = filledMonochrome(0);
    setMonochromeBit(source, 1, 0, 1);
    setMonochromeBit(source, 0, 1, 1);
    source.SetTextColor(RGB(1, 2, 3));
    source.SetBkColor(RGB(4, 5, 6));
    Surface dest = filledSurface();
    dest.SetTextColor(text);
    dest.SetBkColor(background);

    BitBlt(dest, 3, 2, 2, 2, source, 0, 0, SRCCOPY);

    // 0 bits at (3, 2) and (4, 3) take the text colour, 1 bits the background.
    QCOMPARE(dest.pixel(3, 2), text);
    QCOMPARE(dest.pixel(4, 3), text);
    QCOMPARE(dest.pixel(4, 2), background);
    QCOMPARE(dest.pixel(3, 3), background);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (!(x >= 3 && x < 5 && y >= 2 && y < 4))
                QCOMPARE(dest.pixel(x, y), kMarker);
}

void tst_Raster::bitBltMonochromeToMonochrome_data()
{
    QTest::addColumn<RasterOp>("op");
    QTest::addColumn<QString>("bits"); // results for (source, dest) = (0,0) (0,1) (1,0) (1,1)
    QTest::newRow("SRCCOPY") << SRCCOPY << "0011";
    QTest::newRow("SRCAND") << SRCAND << "0001";
    QTest::newRow("SRCINVERT") << SRCINVERT << "0110";
    QTest::newRow("NOTSRCCOPY") << NOTSRCCOPY << "1100";
}

void tst_Raster::bitBltMonochromeToMonochrome()
{
    QFETCH(RasterOp, op);
    QFETCH(QString, bits);
    Surface source = filledMonochrome(0);
    setMonochromeBit(source, 2, 0, 1);
    setMonochromeBit(source, 3, 0, 1);
    Surface dest = filledMonochrome(1);
    setMonochromeBit(dest, 2, 2, 0);
    setMonochromeBit(dest, 4, 2, 0);

    BitBlt(dest, 2, 2, 4, 1, source, 0, 0, op);

    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = y == 2 && x >= 2 && x < 6;
            const COLORREF expected = !inside || bits.at(x - 2) == QLatin1Char('1') ? 0xFFFFFF : 0;
            QCOMPARE(dest.pixel(x, y), expected);
        }
    }
}

void tst_Raster::bitBltClipping_data()
{
    QTest::addColumn<QRect>("blit"); // destination x, y, width, height
    QTest::addColumn<QPoint>("sourceCorner");
    QTest::addColumn<QRect>("copied"); // destination pixels that change

    QTest::newRow("inside") << QRect(2, 1, 3, 2) << QPoint(0, 0) << QRect(2, 1, 3, 2);
    QTest::newRow("negative destination x") << QRect(-2, 1, 4, 2) << QPoint(1, 1) << QRect(0, 1, 2, 2);
    QTest::newRow("negative destination y") << QRect(1, -1, 2, 3) << QPoint(0, 0) << QRect(1, 0, 2, 2);
    QTest::newRow("past right and bottom") << QRect(6, 4, 5, 5) << QPoint(0, 0) << QRect(6, 4, 2, 2);
    QTest::newRow("negative source x") << QRect(2, 2, 4, 2) << QPoint(-1, 0) << QRect(3, 2, 3, 2);
    QTest::newRow("negative source y") << QRect(2, 2, 2, 3) << QPoint(0, -2) << QRect(2, 4, 2, 1);
    QTest::newRow("source past its right edge") << QRect(0, 0, 4, 1) << QPoint(6, 0) << QRect(0, 0, 2, 1);
    QTest::newRow("zero width") << QRect(2, 2, 0, 3) << QPoint(0, 0) << QRect();
    QTest::newRow("negative height") << QRect(2, 2, 2, -1) << QPoint(0, 0) << QRect();
    QTest::newRow("right of the destination") << QRect(8, 0, 2, 2) << QPoint(0, 0) << QRect();
}

void tst_Raster::bitBltClipping()
{
    QFETCH(QRect, blit);
    QFETCH(QPoint, sourceCorner);
    QFETCH(QRect, copied);
    // Every source pixel different, so a shifted read shows.
    Surface source(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            source.image().setPixel(x, y, toQRgb(RGB(x * 16 + 1, y * 16 + 1, 0x80)));
    Surface dest = filledSurface();

    BitBlt(dest, blit.x(), blit.y(), blit.width(), blit.height(), source, sourceCorner.x(), sourceCorner.y(),
           SRCCOPY);

    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const COLORREF expected = copied.contains(x, y)
                ? source.pixel(x - blit.x() + sourceCorner.x(), y - blit.y() + sourceCorner.y())
                : kMarker;
            QCOMPARE(dest.pixel(x, y), expected);
        }
    }
}

void tst_Raster::maskedBlitLeavesMaskColourTransparent()
{
    // GIVEN a picture whose magenta pixels are meant to be transparent
    const COLORREF mask = RGB(255, 0, 255);
    const COLORREF nearMask = RGB(255, 0, 254);
    Surface picture = filledSurface(mask, 4, 3);
    SetPixelV(picture, 0, 0, RGB(0, 0, 0));
    SetPixelV(picture, 1, 1, RGB(255, 255, 255));
    SetPixelV(picture, 2, 1, nearMask);
    SetPixelV(picture, 3, 2, kInk);
    // and a destination with a different colour in every pixel
    Surface dest(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            dest.image().setPixel(x, y, toQRgb(RGB(x * 20, 100 + y * 20, 60)));
    const Surface before = dest;
    const int dx = 3;
    const int dy = 2;
    const int w = picture.width();
    const int h = picture.height();

    // WHEN the mask is made from the chosen colour, ANDed, inverted and XORed
    Surface maskBits(w, h, Surface::Format::Monochrome);
    Surface inverse(w, h, Surface::Format::Monochrome);
    Surface result(w, h);
    Surface sprite(w, h);
    const COLORREF oldBackground = picture.SetBkColor(mask);
    BitBlt(maskBits, 0, 0, w, h, picture, 0, 0, SRCCOPY);
    picture.SetBkColor(oldBackground);
    BitBlt(inverse, 0, 0, w, h, maskBits, 0, 0, NOTSRCCOPY);
    BitBlt(result, 0, 0, w, h, dest, dx, dy, SRCCOPY);
    BitBlt(result, 0, 0, w, h, maskBits, 0, 0, SRCAND);
    BitBlt(sprite, 0, 0, w, h, picture, 0, 0, SRCCOPY);
    BitBlt(sprite, 0, 0, w, h, inverse, 0, 0, SRCAND);
    BitBlt(result, 0, 0, w, h, sprite, 0, 0, SRCINVERT);
    BitBlt(dest, dx, dy, w, h, result, 0, 0, SRCCOPY);

    // THEN magenta shows what was beneath, every other pixel the picture
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool onPicture = x >= dx && x < dx + w && y >= dy && y < dy + h;
            const COLORREF pictured = onPicture ? picture.pixel(x - dx, y - dy) : mask;
            const COLORREF expected = pictured == mask ? before.pixel(x, y) : pictured;
            QCOMPARE(dest.pixel(x, y), expected);
        }
    }
    QCOMPARE(dest.pixel(dx + 2, dy + 1), nearMask);
    QCOMPARE(dest.pixel(dx + 1, dy + 1), RGB(255, 255, 255));
    QCOMPARE(dest.pixel(dx + 1, dy), before.pixel(dx + 1, dy));
}

// ---------------------------------------------------------------- StretchBlt

void tst_Raster::stretchBltEnlargingReplicatesPixels_data()
{
    QTest::addColumn<uint>("op");
    QTest::addColumn<bool>("mono");
    QTest::addColumn<int>("sourceLeft");
    for (const bool mono : {false, true}) {
        const char *kind = mono ? "monochrome" : "colour";
        QTest::addRow("%s copy", kind) << uint(SRCCOPY) << mono << 1;
        QTest::addRow("%s and", kind) << uint(SRCAND) << mono << 1;
        QTest::addRow("%s xor", kind) << uint(SRCINVERT) << mono << 1;
        QTest::addRow("%s copy, half past the source", kind) << uint(SRCCOPY) << mono << 3;
    }
}

// Each source pixel of a 2 x 2 block covers 2 x 2 destination pixels,
// combined with what each row held before; destination pixels whose source
// lies past the source's edge keep theirs.
void tst_Raster::stretchBltEnlargingReplicatesPixels()
{
    QFETCH(uint, op);
    QFETCH(bool, mono);
    QFETCH(int, sourceLeft);
    Surface source = mono ? filledMonochrome(0, 4, 3) : filledSurface(RGB(0, 0, 0), 4, 3);
    Surface dest = mono ? filledMonochrome(0) : filledSurface();
    const auto sourceValue = [mono](int x, int y) { return mono ? quint32((x + 2 * y) % 3 == 0) : quint32(RGB(10 * x, 20 * y, 30 + x)); };
    const auto before = [mono](int x, int y) { return mono ? quint32((x * y + y) & 1) : quint32(RGB(3 * x, 90 + 7 * y, 40 * y)); };
    const auto set = [mono](Surface &surface, int x, int y, quint32 value) {
        if (mono)
            setMonochromeBit(surface, x, y, int(value));
        else
            surface.image().setPixel(x, y, toQRgb(COLORREF(value)));
    };
    const auto get = [mono](const Surface &surface, int x, int y) {
        return mono ? quint32(surface.image().constScanLine(y)[x]) : quint32(surface.pixel(x, y));
    };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            set(source, x, y, sourceValue(x, y));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            set(dest, x, y, before(x, y));

    StretchBlt(dest, 1, 1, 4, 4, source, sourceLeft, 1, 2, 2, RasterOp(op));

    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            quint32 expected = before(x, y);
            const int sourceX = sourceLeft + (x - 1) / 2;
            if (x >= 1 && x < 5 && y >= 1 && y < 5 && sourceX < 4) {
                const quint32 read = sourceValue(sourceX, 1 + (y - 1) / 2);
                expected = op == SRCCOPY ? read : op == SRCAND ? (read & expected) : (read ^ expected);
            }
            QCOMPARE(get(dest, x, y), expected);
        }
    }
}

void tst_Raster::stretchBltShrinkingAndsPixels_data()
{
    QTest::addColumn<bool>("monochrome");
    QTest::newRow("colour") << false;
    QTest::newRow("monochrome") << true;
}

void tst_Raster::stretchBltShrinkingAndsPixels()
{
    QFETCH(bool, monochrome);
    // A 4 x 2 source into 2 x 1: each destination pixel ANDs a 2 x 2 block.
    if (!monochrome) {
        Surface source = filledSurface(RGB(0xFF, 0xFF, 0xFF), 4, 2);
        SetPixelV(source, 0, 0, RGB(0xF0, 0xFF, 0x3C));
        SetPixelV(source, 1, 0, RGB(0xCC, 0xF0, 0xFF));
        SetPixelV(source, 0, 1, RGB(0xFF, 0x3F, 0xFF));
        SetPixelV(source, 1, 1, RGB(0xFE, 0xFF, 0xF3));
        SetPixelV(source, 3, 1, RGB(0x0F, 0x0F, 0x0F));
        Surface dest = filledSurface();
        StretchBlt(dest, 2, 3, 2, 1, source, 0, 0, 4, 2, SRCCOPY);
        QCOMPARE(dest.pixel(2, 3), RGB(0xC0, 0x30, 0x30));
        QCOMPARE(dest.pixel(3, 3), RGB(0x0F, 0x0F, 0x0F));
        QCOMPARE(dest.pixel(1, 3), kMarker);
        QCOMPARE(dest.pixel(4, 3), kMarker);
        QCOMPARE(dest.pixel(2, 2), kMarker);
        QCOMPARE(dest.pixel(2, 4), kMarker);
    } else {
        // Black wins: one 0 in a block makes the destination pixel 0.
        Surface source = filledMonochrome(1, 4, 2);
        setMonochromeBit(source, 1, 1, 0);
        Surface dest = filledMonochrome(0);
        StretchBlt(dest, 2, 3, 2, 1, source, 0, 0, 4, 2, SRCCOPY);
        QCOMPARE(mismatch(dest, {QPoint(3, 3)}, 0xFFFFFF, 0), QString());
    }
}

void tst_Raster::stretchBltMirroredOrEmptyDrawsNothing_data()
{
    QTest::addColumn<QRect>("destRect"); // x, y, width, height
    QTest::addColumn<QRect>("sourceRect");
    QTest::newRow("negative width") << QRect(4, 1, -2, 2) << QRect(0, 0, 2, 2);
    QTest::newRow("negative height") << QRect(1, 4, 2, -2) << QRect(0, 0, 2, 2);
    QTest::newRow("negative source width") << QRect(1, 1, 2, 2) << QRect(2, 0, -2, 2);
    QTest::newRow("negative source height") << QRect(1, 1, 2, 2) << QRect(0, 2, 2, -2);
    QTest::newRow("zero width") << QRect(1, 1, 0, 2) << QRect(0, 0, 2, 2);
    QTest::newRow("zero source height") << QRect(1, 1, 2, 2) << QRect(0, 0, 2, 0);
}

void tst_Raster::stretchBltMirroredOrEmptyDrawsNothing()
{
    QFETCH(QRect, destRect);
    QFETCH(QRect, sourceRect);
    const Surface source = filledSurface(kInk);
    Surface dest = filledSurface();
    StretchBlt(dest, destRect.x(), destRect.y(), destRect.width(), destRect.height(), source, sourceRect.x(),
               sourceRect.y(), sourceRect.width(), sourceRect.height(), SRCCOPY);
    QCOMPARE(mismatch(dest, {}, kInk, kMarker), QString());
}

// ---------------------------------------------------------------- DrawState

namespace {

// 3 x 2: white, black, red / white, almost white, white.
QImage monoTestImage()
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(1, 0, qRgb(0, 0, 0));
    image.setPixel(2, 0, qRgb(255, 0, 0));
    image.setPixel(1, 1, qRgb(254, 255, 255));
    return image;
}

} // namespace

void tst_Raster::drawStateMono_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QString>("painted");
    QTest::newRow("bitmap") << quint32(DST_BITMAP) << QPoint(2, 1) << "3,1 4,1 3,2";
    QTest::newRow("icon") << quint32(DST_ICON) << QPoint(2, 1) << "3,1 4,1 3,2";
    QTest::newRow("clipped at left and bottom") << quint32(DST_BITMAP) << QPoint(-1, 5) << "0,5 1,5";
}

void tst_Raster::drawStateMono()
{
    QFETCH(quint32, type);
    QFETCH(QPoint, position);
    QFETCH(QString, painted);
    Surface surface = filledSurface();
    DrawState(surface, monoTestImage(), position.x(), position.y(), type | DSS_MONO, kInk);
    QCOMPARE(mismatch(surface, points(painted), kInk, kMarker), QString());
}

void tst_Raster::drawStateIconTransparencyIsNotSet_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QString>("painted");
    // Bitmaps carry no transparency: only white is left out.
    QTest::newRow("icon") << quint32(DST_ICON) << "2,2 3,3";
    QTest::newRow("bitmap") << quint32(DST_BITMAP) << "2,2 3,2 3,3";
}

void tst_Raster::drawStateIconTransparencyIsNotSet()
{
    QFETCH(quint32, type);
    QFETCH(QString, painted);
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(qRgba(255, 255, 255, 255));
    image.setPixel(0, 0, qRgba(0, 0, 0, 255));
    image.setPixel(1, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 1, qRgba(0, 0, 0, 1));
    Surface surface = filledSurface();
    DrawState(surface, image, 2, 2, type | DSS_MONO, kInk);
    QCOMPARE(mismatch(surface, points(painted), kInk, kMarker), QString());
}

void tst_Raster::drawStateDisabledShadowWinsOverHighlight_data()
{
    QTest::addColumn<bool>("classic");
    QTest::addColumn<COLORREF>("highlight");
    QTest::addColumn<COLORREF>("shadow");
    QTest::newRow("XP blue scheme") << false << RGB(255, 255, 255) << RGB(172, 168, 153);
    QTest::newRow("classic scheme") << true << RGB(255, 255, 255) << RGB(128, 128, 128);
}

void tst_Raster::drawStateDisabledShadowWinsOverHighlight()
{
    QFETCH(bool, classic);
    QFETCH(COLORREF, highlight);
    QFETCH(COLORREF, shadow);
    const ColorScheme previous = colorScheme();
    setColorScheme(classic ? ColorScheme::Classic : ColorScheme::XpBlue);
    // Set pixels on the diagonal: the highlight copy of (0, 0) lands under
    // the shadow copy of (1, 1).
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(10, 10, 10));
    image.setPixel(1, 1, qRgb(200, 0, 0));
    Surface surface = filledSurface();

    DrawState(surface, image, 2, 2, DST_BITMAP | DSS_DISABLED);
    setColorScheme(previous);

    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            COLORREF expected = kMarker;
            if (QPoint(x, y) == QPoint(2, 2) || QPoint(x, y) == QPoint(3, 3))
                expected = shadow;
            else if (QPoint(x, y) == QPoint(4, 4))
                expected = highlight;
            QCOMPARE(surface.pixel(x, y), expected);
        }
    }
}

void tst_Raster::drawStateNormalCopiesImage()
{
    // White is copied too in the normal state; only an icon's fully
    // transparent pixel keeps the destination.
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 255, 255, 255));
    image.setPixel(1, 0, qRgba(1, 2, 3, 255));
    image.setPixel(2, 0, qRgba(90, 90, 90, 0));
    Surface bitmap = filledSurface();
    Surface icon = filledSurface();
    DrawState(bitmap, image, 4, 3, DST_BITMAP | DSS_NORMAL);
    DrawState(icon, image, 4, 3, DST_ICON | DSS_NORMAL);

    QCOMPARE(bitmap.pixel(4, 3), RGB(255, 255, 255));
    QCOMPARE(bitmap.pixel(5, 3), RGB(1, 2, 3));
    QCOMPARE(bitmap.pixel(6, 3), RGB(90, 90, 90));
    QCOMPARE(icon.pixel(4, 3), RGB(255, 255, 255));
    QCOMPARE(icon.pixel(5, 3), RGB(1, 2, 3));
    QCOMPARE(icon.pixel(6, 3), kMarker);
    QCOMPARE(bitmap.pixel(3, 3), kMarker);
    QCOMPARE(bitmap.pixel(7, 3), kMarker);
    QCOMPARE(bitmap.pixel(4, 2), kMarker);
    QCOMPARE(bitmap.pixel(4, 4), kMarker);
}

// ---------------------------------------------------------------- DrawTextEx

void tst_Raster::drawTextCalcRect_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<QString>("widthOf"); // the box is as wide as this text...
    QTest::addColumn<int>("widthExtra");  // ...plus this
    QTest::addColumn<QStringList>("lines");

    const quint32 wrap = DT_CALCRECT | DT_WORDBREAK;
    QTest::newRow("fits exactly") << "Save file" << wrap << "Save file" << 0 << QStringList{"Save file"};
    QTest::newRow("one pixel short") << "Save file" << wrap << "Save file" << -1 << QStringList{"Save", "file"};
    QTest::newRow("two words on the first line")
        << "Open the door" << wrap << "Open the" << 0 << QStringList{"Open the", "door"};
    QTest::newRow("a long word widens the box")
        << "Extraordinary day" << wrap << "Extra" << 0 << QStringList{"Extraordinary", "day"};
    QTest::newRow("spaces at a break are dropped")
        << "Save    file" << wrap << "Save" << 0 << QStringList{"Save", "file"};
    QTest::newRow("prefix not measured") << "&Save file" << wrap << "Save file" << 0 << QStringList{"Save file"};
    QTest::newRow("prefix measured at a break")
        << "Sa&ve fi&le" << wrap << "Save" << 0 << QStringList{"Save", "file"};
    QTest::newRow("double ampersand is one") << "A&&B" << wrap << "A&&B" << 0 << QStringList{"A&B"};
    QTest::newRow("trailing ampersand stays") << "Fish&" << wrap << "Fish&" << 0 << QStringList{"Fish&"};
    QTest::newRow("no prefix") << "&Save" << (wrap | DT_NOPREFIX) << "&Save" << 0 << QStringList{"&Save"};
    QTest::newRow("single line ignores the width")
        << "Save file" << (wrap | DT_SINGLELINE) << "" << 1 << QStringList{"Save file"};
    QTest::newRow("line feed") << "Save\nfile" << quint32(DT_CALCRECT) << "Save file" << 0
                               << QStringList{"Save", "file"};
    QTest::newRow("caption flags") << "&Open the door" << quint32(0x415) << "Open the" << 3
                                   << QStringList{"Open the", "door"};
    QTest::newRow("empty") << "" << wrap << "Save" << 0 << QStringList{};
}

void tst_Raster::drawTextCalcRect()
{
    QFETCH(QString, text);
    QFETCH(quint32, flags);
    QFETCH(QString, widthOf);
    QFETCH(int, widthExtra);
    QFETCH(QStringList, lines);
    Surface surface = textSurface();
    const QFontMetrics metrics(testFont(), &surface.image());
    const int left = 3;
    const int top = 2;
    RECT rect{left, top, left + metrics.horizontalAdvance(widthOf) + widthExtra, top + 5};

    const int height = DrawTextEx(surface, text, rect, flags);

    int widest = 0;
    for (const QString &line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int expectedHeight = int(lines.size()) * metrics.height();
    QCOMPARE(rect, (RECT{left, top, left + widest, top + expectedHeight}));
    QCOMPARE(height, expectedHeight);
    QCOMPARE(mismatch(surface, {}, 0, RGB(255, 255, 255)), QString()); // nothing drawn
}

void tst_Raster::drawTextSameTextWithAndWithoutPrefixes()
{
    // Fault: a remembered measurement of a text was reused although the
    // second call asked for its ampersands to be kept.
    Surface surface = textSurface();
    const QFontMetrics metrics(testFont(), &surface.image());
    const QString text = QStringLiteral("A&&B");
    RECT withPrefixes{0, 0, 50, 10};
    RECT withoutPrefixes{0, 0, 50, 10};
    DrawTextEx(surface, text, withPrefixes, DT_CALCRECT | DT_WORDBREAK);
    DrawTextEx(surface, text, withoutPrefixes, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    QCOMPARE(withPrefixes.right, metrics.horizontalAdvance(QStringLiteral("A&B")));
    QCOMPARE(withoutPrefixes.right, metrics.horizontalAdvance(QStringLiteral("A&&B")));
}

void tst_Raster::drawTextInTextColourOnTransparentBackground()
{
    Surface surface = textSurface();
    surface.SetTextColor(RGB(255, 0, 0));
    surface.SetBkColor(RGB(0, 255, 0));
    const QFontMetrics metrics(testFont(), &surface.image());
    RECT rect{2, 3, 58, 21};
    DrawTextEx(surface, QStringLiteral("Hx"), rect, DT_WORDBREAK);

    const QRect lineBox(2, 3, metrics.horizontalAdvance(QStringLiteral("Hx")), metrics.height());
    int strong = 0;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            const COLORREF pixel = surface.pixel(x, y);
            if (pixel == RGB(255, 255, 255))
                continue;
            QVERIFY2(lineBox.contains(x, y), qPrintable(QStringLiteral("(%1, %2) outside the line").arg(x).arg(y)));
            // Red over white: red stays full, green and blue fall together.
            const int red = int(pixel & 0xFF);
            const int green = int((pixel >> 8) & 0xFF);
            const int blue = int((pixel >> 16) & 0xFF);
            QCOMPARE(red, 255);
            QCOMPARE(green, blue);
            if (green < 64)
                ++strong;
        }
    }
    QVERIFY(strong > 3);
}

void tst_Raster::drawTextCentresEachLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("one line") << "HH" << QStringList{"HH"};
    QTest::newRow("two lines") << "HH HHHH" << QStringList{"HH", "HHHH"};
}

void tst_Raster::drawTextCentresEachLine()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    Surface centred = textSurface(80, 40);
    Surface expected = textSurface(80, 40);
    const QFontMetrics metrics(testFont(), &centred.image());
    int widest = 0;
    for (const QString &line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    // left + right - widest is 11 for the widest line: the odd pixel is dropped.
    const int left = 1;
    const int right = left + widest + 9;
    const int top = 2;
    RECT rect{left, top, right, top + 36};
    DrawTextEx(centred, text, rect, DT_WORDBREAK | DT_CENTER);

    for (int i = 0; i < lines.size(); ++i) {
        const int lineLeft = (left + right - metrics.horizontalAdvance(lines.at(i))) / 2;
        if (metrics.horizontalAdvance(lines.at(i)) == widest)
            QCOMPARE(lineLeft, 5);
        const int lineTop = top + i * metrics.height();
        RECT lineRect{lineLeft, lineTop, right, lineTop + metrics.height()};
        DrawTextEx(expected, lines.at(i), lineRect, DT_SINGLELINE);
    }
    QCOMPARE(firstDifference(centred, expected), QString());
}

void tst_Raster::drawTextVCentreOnlyWithSingleLine_data()
{
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<int>("offset");
    // The box is 7 pixels higher than a line; half of it, rounded down.
    QTest::newRow("single line") << quint32(DT_SINGLELINE | DT_VCENTER) << 3;
    QTest::newRow("word break") << quint32(DT_WORDBREAK | DT_VCENTER) << 0;
}

void tst_Raster::drawTextVCentreOnlyWithSingleLine()
{
    QFETCH(quint32, flags);
    QFETCH(int, offset);
    Surface centred = textSurface(60, 40);
    Surface expected = textSurface(60, 40);
    const int lineHeight = QFontMetrics(testFont(), &centred.image()).height();
    RECT rect{2, 4, 58, 4 + lineHeight + 7};
    DrawTextEx(centred, QStringLiteral("Hg"), rect, flags);
    RECT lineRect{2, 4 + offset, 58, 4 + offset + lineHeight};
    DrawTextEx(expected, QStringLiteral("Hg"), lineRect, DT_SINGLELINE);
    QCOMPARE(firstDifference(centred, expected), QString());
}

void tst_Raster::drawTextUnderlinesPrefixedCharacter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("underlinedIndex"); // in "Hx"
    QTest::newRow("first character") << "&Hx" << 0;
    QTest::newRow("second character") << "H&x" << 1;
}

void tst_Raster::drawTextUnderlinesPrefixedCharacter()
{
    QFETCH(QString, text);
    QFETCH(int, underlinedIndex);
    const QString plain = QStringLiteral("Hx");
    Surface prefixed = textSurface();
    Surface bare = textSurface();
    const QFontMetrics metrics(testFont(), &bare.image());
    RECT rect{2, 2, 58, 22};
    DrawTextEx(prefixed, text, rect, DT_WORDBREAK);
    DrawTextEx(bare, plain, rect, DT_WORDBREAK);

    const int from = rect.left + metrics.horizontalAdvance(plain.left(underlinedIndex));
    const int to = rect.left + metrics.horizontalAdvance(plain.left(underlinedIndex + 1));
    const int baseline = rect.top + metrics.ascent();
    int differing = 0;
    for (int y = 0; y < bare.height(); ++y) {
        for (int x = 0; x < bare.width(); ++x) {
            if (prefixed.pixel(x, y) == bare.pixel(x, y))
                continue;
            ++differing;
            QVERIFY2(x >= from && x < to && y >= baseline,
                     qPrintable(QStringLiteral("(%1, %2) differs outside the underline").arg(x).arg(y)));
            QCOMPARE(prefixed.pixel(x, y), RGB(0, 0, 0));
        }
    }
    QVERIFY(differing >= to - from);
}

void tst_Raster::drawTextAmpersands_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("drawnAs"); // drawn without prefix processing
    QTest::newRow("double ampersand") << "A&&B" << "A&B";
    QTest::newRow("only a double ampersand") << "&&" << "&";
    QTest::newRow("trailing ampersand") << "Fish&" << "Fish&";
}

void tst_Raster::drawTextAmpersands()
{
    QFETCH(QString, text);
    QFETCH(QString, drawnAs);
    Surface withPrefixes = textSurface();
    Surface expected = textSurface();
    RECT rect{2, 2, 58, 22};
    DrawTextEx(withPrefixes, text, rect, DT_WORDBREAK);
    DrawTextEx(expected, drawnAs, rect, DT_WORDBREAK | DT_NOPREFIX);
    QCOMPARE(firstDifference(withPrefixes, expected), QString());
}

void tst_Raster::drawTextClipsToRectangle()
{
    Surface surface = textSurface();
    RECT rect{4, 3, 12, 9};
    DrawTextEx(surface, QStringLiteral("HHHH"), rect, DT_SINGLELINE);
    int inside = 0;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            if (surface.pixel(x, y) == RGB(255, 255, 255))
                continue;
            QVERIFY2(x >= 4 && x < 12 && y >= 3 && y < 9, qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            ++inside;
        }
    }
    QVERIFY(inside > 0);
}

void tst_Raster::drawTextFarOffTheSurfaceDrawsNothing_data()
{
    QTest::addColumn<RECT>("rect");
    QTest::addColumn<quint32>("flags");
    // Centring in these rectangles once added edges past the 32-bit range.
    const int highest = std::numeric_limits<int>::max();
    QTest::newRow("far right, centred") << RECT{1 << 30, 2, (1 << 30) + 60, 22} << quint32(DT_CENTER | DT_WORDBREAK);
    QTest::newRow("from inside to the far right, centred") << RECT{10, 2, highest, 22} << quint32(DT_CENTER);
    QTest::newRow("far down, centred both ways")
        << RECT{2, highest - 40, 58, highest} << quint32(DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

void tst_Raster::drawTextFarOffTheSurfaceDrawsNothing()
{
    QFETCH(RECT, rect);
    QFETCH(quint32, flags);
    Surface surface = textSurface();
    const Surface untouched = textSurface();
    DrawTextEx(surface, QStringLiteral("H&ello"), rect, flags);
    QCOMPARE(firstDifference(surface, untouched), QString());
}

void tst_Raster::textAtARatioIsTheFontAtTheDeviceSize_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("flags");
    for (const qreal ratio : {2.0, 3.0, 1.5}) {
        QTest::addRow("centred x%g", ratio) << ratio << QStringLiteral("&Open file")
                                           << uint(DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        QTest::addRow("two lines x%g", ratio) << ratio << QStringLiteral("Wait\nfor &me") << uint(DT_CENTER);
    }
}

void tst_Raster::textAtARatioIsTheFontAtTheDeviceSize()
{
    // The design's rectangle and measure, the device's glyphs: at a ratio
    // the text is what a plain surface of the device size shows with the
    // font that much larger, unhinted (as on every platform), in the
    // rectangle's device pixels.
    QFETCH(qreal, ratio);
    QFETCH(QString, text);
    QFETCH(uint, flags);
    const auto device = [ratio](int at) { return int(std::floor(at * ratio + 0.5)); };
    const RECT rect{3, 1, 47, 27};
    Surface fine(50, 30, Surface::Format::Colour, ratio);
    fine.image().fill(Qt::white);
    fine.setFont(testFont());
    fine.SetTextColor(kInk);
    Surface one = textSurface(50, 30);
    RECT measuredOne = rect;
    RECT measuredFine = rect;
    QCOMPARE(DrawTextEx(fine, text, measuredFine, flags | DT_CALCRECT),
             DrawTextEx(one, text, measuredOne, flags | DT_CALCRECT));
    QCOMPARE(measuredFine, measuredOne);
    RECT drawn = rect;
    DrawTextEx(fine, text, drawn, flags);

    Surface reference = filledSurface(RGB(255, 255, 255), fine.deviceWidth(), fine.deviceHeight());
    QFont larger = testFont();
    larger.setPixelSize(int(12 * ratio));
    larger.setHintingPreference(QFont::PreferNoHinting);
    reference.setFont(larger);
    reference.SetTextColor(kInk);
    RECT deviceRect{device(rect.left), device(rect.top), device(rect.right), device(rect.bottom)};
    DrawTextEx(reference, text, deviceRect, flags);
    QImage shown = fine.image().copy();
    shown.setDevicePixelRatio(1);
    QVERIFY(!shown.allGray()); // the text has ink
    QCOMPARE(firstDifference(Surface(&shown), reference), QString());
}

void tst_Raster::drawTextOnMonochromeSurface()
{
    Surface surface = filledMonochrome(1, 60, 24);
    surface.setFont(testFont());
    surface.SetTextColor(RGB(0, 0, 0));
    const QFontMetrics metrics(testFont(), &surface.image());
    RECT rect{2, 2, 58, 22};
    DrawTextEx(surface, QStringLiteral("HH"), rect, DT_WORDBREAK);
    const QRect lineBox(2, 2, metrics.horizontalAdvance(QStringLiteral("HH")), metrics.height());
    int black = 0;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            if (surface.pixel(x, y) == 0xFFFFFF)
                continue;
            QVERIFY2(lineBox.contains(x, y), qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            ++black;
        }
    }
    QVERIFY(black > 10);
}

// ---------------------------------------------------------------- Regions

void tst_Raster::createRectRgn_data()
{
    QTest::addColumn<RECT>("coordinates");
    QTest::addColumn<QRegion>("region");
    QTest::newRow("ordinary") << RECT{1, 2, 4, 5} << QRegion(1, 2, 3, 3);
    QTest::newRow("right before left") << RECT{8, 0, 6, 1} << QRegion(6, 0, 2, 1);
    QTest::newRow("both inverted") << RECT{5, 5, 2, 3} << QRegion(2, 3, 3, 2);
    QTest::newRow("zero width") << RECT{3, 1, 3, 4} << QRegion();
    QTest::newRow("zero height") << RECT{0, 2, 5, 2} << QRegion();
}

void tst_Raster::createRectRgn()
{
    QFETCH(RECT, coordinates);
    QFETCH(QRegion, region);
    const QRegion created = CreateRectRgn(coordinates.left, coordinates.top, coordinates.right, coordinates.bottom);
    QCOMPARE(created, region);
    QCOMPARE(created.isEmpty(), region.isEmpty());
}

QTEST_MAIN(tst_Raster)
#include "tst_raster.moc"
