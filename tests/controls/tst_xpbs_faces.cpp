#include "controls/xpbutton/XpBs.h"
#include "controls/xpbutton/XpBsProbe.h"
#include "platform/forms/StdFont.h"
#include "platform/raster/SystemColors.h"
#include "support/Doubles.h"
#include "support/TestButton.h"

#include <QtTest>

#include <limits>

using platform::COLORREF;
using platform::RECT;
using platform::RGB;

namespace {

QRgb rgb(COLORREF colour)
{
    return platform::toQRgb(colour);
}

const COLORREF kFace = RGB(236, 233, 216);     // button face of the blue scheme
const COLORREF kShadow = RGB(172, 168, 153);   // button shadow
const COLORREF kHighlight = RGB(255, 255, 255); // button highlight
const COLORREF kDarkShadow = RGB(113, 111, 100);

using testing::TestButton;

struct Fixture {
    testing::TestHost doubles;
    QWidget form;
    TestButton *button = nullptr;

    Fixture(int style, QSize size = QSize(129, 17), const QString &caption = QString())
    {
        form.resize(300, 120);
        button = new TestButton(doubles.host, &form);
        button->setObjectName(QStringLiteral("XpBs1"));
        button->UserControl_InitProperties();
        button->setCaption(caption);
        button->setGeometry(QRect(QPoint(5, 5), size));
        button->setButtonStyle(style);
        form.show();
        button->underPointer = button;
    }

    QRgb at(int x, int y) const { return XpBsProbe::image(*button).pixel(x, y); }
    void hover()
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), button->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button, &move);
    }
    void press() { QTest::mousePress(button, Qt::LeftButton, {}, QPoint(3, 3)); }
};

using testing::pictureOf;

// A bitmap picture of the given size: a solid square of `ink` inside a
// border of `background`.
platform::Picture squarePicture(int size, QRgb background, QRgb ink, int border = 2)
{
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(background);
    for (int y = border; y < size - border; ++y) {
        for (int x = border; x < size - border; ++x)
            image.setPixel(x, y, ink);
    }
    return pictureOf(image);
}

// The bounding box of the pixels of one colour.
QRect boxOf(const QImage &image, QRgb colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

// A button's face at rest in the creation defaults, drawn without a button.
XpBsFace restingFace(int style, QSize size)
{
    XpBsFace face;
    face.width = face.faceWidth = size.width();
    face.height = face.faceHeight = size.height();
    face.style = style;
    face.showFocusRect = true;
    face.xpDefaultColors = true;
    face.backColor = face.surfaceBackColor = 0x8000000F; // the system's button face
    face.foreColor = face.surfaceForeColor = 0x80000012;
    face.xpColorPressed = 0x80000014;
    face.xpColorHover = 0x80000016;
    face.bevel = 1;
    face.bevelDepth = 8;
    return face;
}

enum State { Hovered = 1, Pressed = 2, Focused = 4, Default = 8, Designer = 16, Disabled = 32 };

// A resting face in a state. The form designer hovers and focuses the
// button it shows at rest; disabled, the face here is focused and hovered
// too, which it must not show.
XpBsFace faceIn(int style, QSize size, int state = 0)
{
    XpBsFace face = restingFace(style, size);
    face.isOver = state & (Hovered | Designer | Disabled);
    face.isDown = state & Pressed;
    face.hasFocus = state & (Focused | Designer | Disabled);
    face.isDefault = state & Default;
    face.userMode = !(state & Designer);
    face.enabled = !(state & Disabled);
    return face;
}

// Rows of points of one face: "name (x, y)" and the colour there.
void addPoints(const QByteArray &name, const XpBsFace &face, std::initializer_list<std::pair<QPoint, QRgb>> points)
{
    for (const auto &[point, colour] : points)
        QTest::addRow("%s (%d, %d)", name.constData(), point.x(), point.y()) << face << point << colour;
}

QImage drawn(const XpBsFace &face)
{
    platform::Surface surface(face.width, face.height);
    ScaledPictures pictures;
    xpbs::paint(face, surface, pictures);
    return surface.image();
}

} // namespace

Q_DECLARE_METATYPE(platform::RECT)
Q_DECLARE_METATYPE(XpBsFace)

namespace QTest {
template <>
char *toString(const platform::RECT &rect)
{
    return qstrdup(QStringLiteral("(%1, %2, %3, %4)").arg(rect.left).arg(rect.top).arg(rect.right).arg(rect.bottom)
                       .toLatin1().constData());
}
} // namespace QTest

class tst_XpBsFaces : public QObject {
    Q_OBJECT

private slots:
    void colourArithmetic_data();
    void colourArithmetic();
    void facePixels_data();
    void facePixels();
    void pairLayout_data();
    void pairLayout();
    void pictureAloneOfTheLowestWidth();
    void accessKeys_data();
    void accessKeys();
    void pressedContentMovesOnePixel_data();
    void pressedContentMovesOnePixel();
    void hoverLiftsThePictureOverItsShadow();
    void maskColourShowsTheFaceInEveryState();
    void disabledCaptionIsEmbossed();
    void disabledPictureIsEmbossed();
    void measuredCaptionAndPictureAsAPair();
    void iconsKeepTheirTransparency();
    void disabledIconKeepsItsLastRectangle();
    void enlargedIconsReplicateTheirPixels_data();
    void enlargedIconsReplicateTheirPixels();
    void hoverPictureTakesThePlaceWhileHovered();
    void pictureSizes_data();
    void pictureSizes();
    void largePicturesShowThePartOnTheButton_data();
    void largePicturesShowThePartOnTheButton();
    void keptScalingsFollowEveryChange();
};

void tst_XpBsFaces::colourArithmetic_data()
{
    QTest::addColumn<bool>("perChannel"); // AddToChannels, else OffsetColor
    QTest::addColumn<COLORREF>("colour");
    QTest::addColumn<int>("amount");
    QTest::addColumn<COLORREF>("expected");
    QTest::newRow("lighter, blue by 50") << false << RGB(200, 200, 200) << 48 << RGB(248, 248, 250);
    QTest::newRow("darker, blue truncated") << false << RGB(100, 150, 200) << -33 << RGB(67, 117, 166);
    QTest::newRow("held at 255") << false << RGB(250, 10, 0) << 20 << RGB(255, 30, 0);
    QTest::newRow("held at 0") << false << RGB(5, 5, 5) << -20 << RGB(0, 0, 5);
    QTest::newRow("each part, held at 255") << true << RGB(250, 100, 0) << 8 << RGB(255, 108, 8);
    QTest::newRow("each part, a negative depth stops at 0") << true << RGB(3, 100, 200) << -8 << RGB(0, 92, 192);
}

void tst_XpBsFaces::colourArithmetic()
{
    QFETCH(bool, perChannel);
    QFETCH(COLORREF, colour);
    QFETCH(int, amount);
    QFETCH(COLORREF, expected);
    QCOMPARE(perChannel ? xpbs::AddToChannels(colour, amount) : xpbs::OffsetColor(colour, amount), expected);
}

void tst_XpBsFaces::facePixels_data()
{
    QTest::addColumn<XpBsFace>("face");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QRgb>("colour");
    // 129 x 17. Flat (style 1, and any style above 4): no border at rest;
    // hovered, raised: highlight top and left, shadow right and bottom;
    // pressed, sunken: the other way round.
    const QSize button(129, 17);
    for (int style : {1, 7}) {
        const QByteArray rest = "style " + QByteArray::number(style);
        addPoints(rest, faceIn(style, button), {{{0, 8}, rgb(kFace)}, {{128, 8}, rgb(kFace)}});
        addPoints(rest + " hovered", faceIn(style, button, Hovered),
                  {{{0, 8}, rgb(kHighlight)}, {{60, 0}, rgb(kHighlight)}, {{128, 8}, rgb(kShadow)},
                   {{60, 16}, rgb(kShadow)}});
        addPoints(rest + " hovered pressed", faceIn(style, button, Hovered | Pressed),
                  {{{0, 8}, rgb(kShadow)}, {{60, 0}, rgb(kShadow)}, {{128, 8}, rgb(kHighlight)},
                   {{60, 16}, rgb(kHighlight)}});
    }
    // Raised and focused, or any default button: the default frame leaves a
    // two-pixel shadow right and bottom; its outer right line falls outside.
    addPoints("style 0 focused", faceIn(0, button, Focused),
              {{{0, 8}, rgb(kHighlight)}, {{60, 0}, rgb(kHighlight)}, {{127, 8}, rgb(kShadow)},
               {{128, 8}, rgb(kShadow)}, {{60, 15}, rgb(kShadow)}, {{60, 16}, rgb(kShadow)}, {{126, 8}, rgb(kFace)}});
    addPoints("style 1 default", faceIn(1, button, Default),
              {{{127, 8}, rgb(kShadow)}, {{128, 8}, rgb(kFace)}, {{0, 8}, rgb(kHighlight)}});
    // Hovered and focused, a button in the form designer shows its resting
    // face: the raised border without the default frame, the XP face
    // without hover border, style 2 without its border.
    addPoints("style 0 designer", faceIn(0, button, Designer), {{{128, 8}, rgb(kShadow)}, {{127, 8}, rgb(kFace)}});
    addPoints("style 1 designer", faceIn(1, button, Designer), {{{60, 0}, rgb(kHighlight)}});
    addPoints("style 2 designer", faceIn(2, button, Designer), {{{0, 8}, qRgb(220, 255, 255)}});
    addPoints("style 3 designer", faceIn(3, button, Designer), {{{1, 8}, qRgb(140, 170, 230)}});

    const auto bevelled = [](QSize size, int bevel, int depth, int state = 0) {
        XpBsFace face = faceIn(0, size, state);
        face.bevel = qint16(bevel);
        face.bevelDepth = qint16(depth);
        return face;
    };
    // "W x H, BEVEL b, depth d". At rest (style 0), each ring outward is
    // darkened by -d (blue by blue x -d / 192), then its top and left lines
    // lightened by d a ring, from the inside out; a line stops one pixel
    // short, so the top right and bottom left keep the ring's colour.
    addPoints("60 x 30, BEVEL 3, depth 8", bevelled({60, 30}, 3, 8),
              {{{59, 15}, qRgb(204, 201, 184)}, {{56, 15}, qRgb(228, 225, 207)}, {{30, 0}, qRgb(255, 255, 248)},
               {{30, 3}, qRgb(244, 241, 224)}, {{3, 15}, qRgb(244, 241, 224)}, {{59, 0}, qRgb(204, 201, 184)},
               {{58, 0}, qRgb(255, 255, 248)}, {{0, 29}, qRgb(204, 201, 184)}, {{0, 28}, qRgb(255, 255, 248)},
               {{30, 15}, rgb(kFace)}});
    // Focused: the default frame draws the bevel again with depth 8 + 3.
    addPoints("60 x 30, BEVEL 3, depth 8, focused", bevelled({60, 30}, 3, 8, Focused),
              {{{59, 15}, qRgb(192, 189, 172)}, {{30, 3}, qRgb(247, 244, 227)}});
    // Pressed: rings lightened by 32, 24, 16 and 8 from the outside in, then
    // top and left darkened by -8 steps, innermost first. BEVEL 2 is a bevel
    // too, not the single-line border.
    addPoints("60 x 30, BEVEL 3, depth 8, pressed", bevelled({60, 30}, 3, 8, Pressed),
              {{{59, 15}, qRgb(255, 255, 248)}, {{58, 15}, qRgb(255, 255, 240)}, {{57, 15}, qRgb(252, 249, 232)},
               {{56, 15}, qRgb(244, 241, 224)}, {{30, 29}, qRgb(255, 255, 248)}, {{30, 28}, qRgb(255, 255, 240)},
               {{30, 27}, qRgb(252, 249, 232)}, {{30, 26}, qRgb(244, 241, 224)}, {{30, 0}, qRgb(204, 201, 184)},
               {{30, 1}, qRgb(212, 209, 191)}, {{30, 2}, qRgb(220, 217, 199)}, {{30, 3}, qRgb(228, 225, 207)},
               {{0, 15}, qRgb(204, 201, 184)}, {{1, 15}, qRgb(212, 209, 191)}, {{2, 15}, qRgb(220, 217, 199)},
               {{3, 15}, qRgb(228, 225, 207)}, {{58, 0}, qRgb(204, 201, 184)}, {{59, 0}, qRgb(255, 255, 248)},
               {{30, 15}, rgb(kFace)}});
    addPoints("60 x 30, BEVEL 2, depth 8, pressed", bevelled({60, 30}, 2, 8, Pressed),
              {{{57, 15}, qRgb(244, 241, 224)}});
    // Past the middle a ring's top and left lines still cross the button;
    // they used to be skipped.
    addPoints("10 x 10, BEVEL 5, depth 8", bevelled({10, 10}, 5, 8), {{{5, 5}, qRgb(244, 241, 224)}});
    addPoints("129 x 17, BEVEL 10, depth 8", bevelled({129, 17}, 10, 8), {{{60, 9}, qRgb(252, 249, 232)}});
    // Depth 1: the lines darken by one a ring and are still changing when
    // the rings whose left lines show right of x = 170 are drawn; the rings
    // between are passed over, but their steps count.
    addPoints("200 x 30, BEVEL 400, depth 1, pressed", bevelled({200, 30}, 400, 1, Pressed),
              {{{170, 29}, qRgb(5, 2, 191)}, {{171, 29}, qRgb(6, 3, 191)}, {{180, 20}, qRgb(15, 12, 191)},
               {{199, 29}, qRgb(34, 31, 191)}, {{14, 14}, qRgb(0, 0, 191)}, {{0, 29}, qRgb(255, 255, 255)}});
    // A huge BEVEL returns promptly: the rings are held at black, the lines
    // at white (the left line of ring 39 is column 39 from top to bottom),
    // and the other way round for the opposite depth.
    addPoints("40 x 20, BEVEL 32767, depth -32768, pressed", bevelled({40, 20}, 32767, -32768, Pressed),
              {{{0, 19}, qRgb(0, 0, 0)}, {{39, 19}, qRgb(255, 255, 255)}, {{20, 10}, qRgb(255, 255, 255)}});
    addPoints("40 x 20, BEVEL 32767, depth 32767, pressed", bevelled({40, 20}, 32767, 32767, Pressed),
              {{{0, 19}, qRgb(255, 255, 255)}, {{39, 19}, qRgb(0, 0, 0)}});

    // The XP face's top colour is white in the blue scheme; each row darkens
    // it by 25 / height x row, halves rounding to even: rows 3, 5 and 7 of
    // 50 by 1.5, 2.5 and 3.5.
    addPoints("80 x 50 XP face", faceIn(3, {80, 50}),
              {{{40, 3}, qRgb(253, 253, 253)}, {{40, 5}, qRgb(253, 253, 253)}, {{40, 7}, qRgb(251, 251, 250)}});
    // Single precision: 0.8333333 x 9 is 7.5, which rounds to 8.
    addPoints("80 x 30 XP face", faceIn(3, {80, 30}), {{{40, 9}, qRgb(247, 247, 245)}});

    // 75 x 23, default colours. The face's base is the button face (236, 233,
    // 216); 48 lighter it is white, T. Each edge line is shaded from T, blue
    // by blue x amount / 192 truncated; a line stops one pixel short of its
    // end point, and a later line covers an earlier one.
    const QRgb dark = rgb(kDarkShadow);
    const QSize xp(75, 23);
    const auto onGrey = [&](int state) {
        XpBsFace face = faceIn(3, xp, state);
        face.backColor = face.surfaceBackColor = RGB(100, 100, 100);
        return face;
    };
    XpBsFace highlightHover = faceIn(3, xp, Hovered);
    highlightHover.xpDefaultColors = false;
    highlightHover.xpColorHover = 0x8000000D;
    // clang-format off
    addPoints("XP idle", faceIn(3, xp), {
        // the frame, then the corner pixels
        {{40, 0}, dark}, {{0, 11}, dark}, {{74, 11}, dark}, {{40, 22}, dark},
         {{73, 1}, dark}, {{1, 21}, dark}, {{73, 21}, dark},
        // the rows 25 / 23 darker each, halves to even: -5 and -18
        {{40, 5}, qRgb(250, 250, 249)}, {{40, 17}, qRgb(237, 237, 232)},
        // row 1 +16 and row 2 +10, both held at 255
        {{30, 1}, qRgb(255, 255, 255)}, {{20, 2}, qRgb(255, 255, 255)}, {{72, 2}, qRgb(255, 255, 255)},
        // column 1 -5, column 2 -10, column W-3 -24, column W-2 -36
        {{1, 2}, qRgb(250, 250, 249)}, {{1, 20}, qRgb(250, 250, 249)},
         {{2, 3}, qRgb(245, 245, 242)}, {{2, 19}, qRgb(245, 245, 242)},
         {{72, 3}, qRgb(231, 231, 224)}, {{72, 19}, qRgb(231, 231, 224)},
         {{73, 2}, qRgb(219, 219, 208)}, {{73, 20}, qRgb(219, 219, 208)},
        // row H-3 -32, row H-2 -48
        {{30, 20}, qRgb(223, 223, 213)}, {{72, 20}, qRgb(223, 223, 213)},
         {{2, 21}, qRgb(207, 207, 192)}, {{72, 21}, qRgb(207, 207, 192)}});
    // Hovered: O = (225, 153, 71) frames (1, 2, 74, 21); then row 1 +90,
    // row 2 +35, columns 2 and W-3 +20, row H-2 -40 over the face at rest.
    addPoints("XP hovered", faceIn(3, xp, Hovered), {
        {{1, 11}, qRgb(225, 153, 71)}, {{73, 20}, qRgb(225, 153, 71)}, {{74, 2}, dark}, {{73, 21}, dark},
         {{72, 1}, qRgb(255, 243, 104)}, {{1, 2}, qRgb(255, 188, 83)}, {{73, 2}, qRgb(255, 188, 83)},
         {{2, 3}, qRgb(245, 173, 78)}, {{2, 19}, qRgb(245, 173, 78)},
         {{72, 3}, qRgb(245, 173, 78)}, {{72, 19}, qRgb(245, 173, 78)},
         {{2, 21}, qRgb(185, 113, 57)}, {{72, 21}, qRgb(185, 113, 57)},
         {{30, 3}, qRgb(252, 252, 252)}, {{40, 11}, qRgb(243, 243, 240)}});
    // Focused: F = (140, 170, 230) the same way in place of T's shading:
    // row 1 +65, row 2 +50, columns 2 and W-3 +31, row H-2 -33.
    addPoints("XP focused", faceIn(3, xp, Focused), {
        {{1, 11}, qRgb(140, 170, 230)}, {{73, 11}, qRgb(140, 170, 230)}, {{2, 20}, qRgb(140, 170, 230)},
         {{73, 1}, dark}, {{73, 21}, dark}, {{2, 1}, qRgb(205, 235, 255)}, {{72, 1}, qRgb(205, 235, 255)},
         {{73, 2}, qRgb(190, 220, 255)},
         {{2, 3}, qRgb(171, 201, 255)}, {{2, 19}, qRgb(171, 201, 255)}, {{72, 3}, qRgb(171, 201, 255)},
         {{2, 21}, qRgb(107, 137, 191)}, {{72, 21}, qRgb(107, 137, 191)}, {{40, 11}, qRgb(243, 243, 240)}});
    // The hover border is drawn over the focus border.
    addPoints("XP focused and hovered", faceIn(3, xp, Focused | Hovered), {{{1, 11}, qRgb(225, 153, 71)}, {{30, 1}, qRgb(255, 243, 104)}});
    // Pressed: B = T 32 darker, (223, 223, 213); the rows 15 / 23 lighter
    // each downwards (-12, -8, -4); row H-2 +16, row H-3 +10, column W-2 +5,
    // column W-3 B itself, row 1 -32, row 2 -24, column 1 -32, column 2 -22.
    // No focus or hover border.
    addPoints("XP pressed", faceIn(3, xp, Pressed), {
        {{40, 0}, dark}, {{0, 11}, dark}, {{1, 1}, dark}, {{73, 1}, dark}, {{1, 21}, dark},
         {{40, 5}, qRgb(211, 211, 200)}, {{40, 10}, qRgb(215, 215, 205)}, {{40, 17}, qRgb(219, 219, 209)},
         {{2, 21}, qRgb(239, 239, 230)}, {{30, 21}, qRgb(239, 239, 230)}, {{72, 21}, qRgb(239, 239, 230)},
         {{72, 20}, qRgb(233, 233, 224)}, {{73, 2}, qRgb(228, 228, 218)}, {{73, 20}, qRgb(228, 228, 218)},
         {{72, 3}, qRgb(223, 223, 213)}, {{72, 19}, qRgb(223, 223, 213)},
         {{2, 1}, qRgb(191, 191, 178)}, {{72, 1}, qRgb(191, 191, 178)}, {{72, 2}, qRgb(199, 199, 187)},
         {{1, 2}, qRgb(191, 191, 178)}, {{1, 20}, qRgb(191, 191, 178)},
         {{2, 2}, qRgb(201, 201, 189)}, {{2, 20}, qRgb(201, 201, 189)}});
    // Disabled, focused and hovered: flat in T - 24, framed in T - 84, the
    // corner pixels T - 72.
    addPoints("XP disabled", faceIn(3, xp, Disabled), {
        {{40, 11}, qRgb(231, 231, 224)}, {{30, 2}, qRgb(231, 231, 224)}, {{1, 11}, qRgb(231, 231, 224)},
         {{0, 11}, qRgb(171, 171, 144)}, {{1, 1}, qRgb(183, 183, 160)}, {{73, 21}, qRgb(183, 183, 160)}});
    // BackColor (100, 100, 100): T = (148, 148, 125), B = (116, 116, 105).
    addPoints("XP idle on a grey face", onGrey(0), {{{30, 1}, qRgb(164, 164, 135)}, {{40, 11}, qRgb(136, 136, 118)}});
    addPoints("XP pressed on a grey face", onGrey(Pressed), {{{40, 10}, qRgb(108, 108, 101)}});
    addPoints("XP disabled on a grey face", onGrey(Disabled), {{{40, 11}, qRgb(124, 124, 110)}});
    // XPColor_Hover given as the highlight system colour, (49, 106, 197).
    addPoints("XP hovered in the highlight colour", highlightHover, {
        {{1, 11}, qRgb(49, 106, 197)}, {{73, 11}, qRgb(49, 106, 197)},
         {{30, 2}, qRgb(84, 141, 232)}, {{30, 1}, qRgb(139, 196, 255)}, {{30, 21}, qRgb(9, 66, 156)}});
    // clang-format on
}

void tst_XpBsFaces::facePixels()
{
    QFETCH(XpBsFace, face);
    QFETCH(QPoint, point);
    QFETCH(QRgb, colour);
    QCOMPARE(drawn(face).pixel(point), colour);
}

void tst_XpBsFaces::pairLayout_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<RECT>("picture");
    QTest::addColumn<RECT>("caption");
    // A 100 x 40 button: inner (4, 4, 96, 36); a caption measured at 30 x 13.
    const QSize small(16, 16);
    QTest::newRow("picture left") << 1 << small << RECT{25, 12, 41, 28} << RECT{45, 13, 75, 26};
    QTest::newRow("picture above: the free -1 halves to 0") << 0 << small << RECT{42, 4, 58, 20}
                                                            << RECT{35, 24, 65, 37};
    QTest::newRow("picture right") << 2 << small << RECT{59, 12, 75, 28} << RECT{25, 13, 55, 26};
    QTest::newRow("picture below") << 3 << small << RECT{42, 21, 58, 37} << RECT{35, 4, 65, 17};
    // The free space next to a picture of the lowest 32-bit size does not
    // fit 32 bits: it used to wrap round and put the picture on the far side.
    const int lowest = std::numeric_limits<int>::min();
    QTest::newRow("lowest width, picture right")
        << 2 << QSize(lowest, 16) << RECT{1073741891, 12, -1073741757, 28} << RECT{1073741857, 13, 1073741887, 26};
    QTest::newRow("lowest height, picture above")
        << 0 << QSize(16, lowest) << RECT{42, 1073741835, 58, -1073741813} << RECT{35, -1073741809, 65, -1073741796};
}

void tst_XpBsFaces::pairLayout()
{
    QFETCH(int, position);
    QFETCH(QSize, pictureSize);
    QFETCH(RECT, picture);
    QFETCH(RECT, caption);
    RECT placedPicture;
    RECT placedCaption;
    QVERIFY(xpbs::PlacePair(RECT{4, 4, 96, 36}, pictureSize.width(), pictureSize.height(), 30, 13, position,
                            placedPicture, placedCaption));
    QCOMPARE(placedPicture, picture);
    QCOMPARE(placedCaption, caption);

    // Free space of 41 gives an offset of 20; of -3, an offset of -1.
    RECT wide;
    RECT ignored;
    xpbs::PlacePair(RECT{0, 0, 61, 10}, 16, 10, 0, 10, 1, wide, ignored);
    QCOMPARE(wide.left, 20);
    xpbs::PlacePair(RECT{0, 0, 17, 10}, 16, 10, 0, 10, 1, wide, ignored);
    QCOMPARE(wide.left, -1);
    QVERIFY(!xpbs::PlacePair(RECT{0, 0, 17, 10}, 16, 10, 0, 10, 4, wide, ignored));
}

void tst_XpBsFaces::pictureAloneOfTheLowestWidth()
{
    // Without a caption the picture is centred alone: inner (4, 4, 56, 26).
    Fixture fixture(2, QSize(60, 30));
    fixture.button->setPicture(squarePicture(16, qRgb(10, 20, 30), qRgb(40, 50, 60)));
    fixture.button->setPictureWidth(std::numeric_limits<int>::min());
    QCOMPARE(fixture.button->face().layout.picture.left, 1073741854);
    QCOMPARE(fixture.button->face().layout.picture.right, -1073741794);
}

void tst_XpBsFaces::accessKeys_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("key");
    QTest::newRow("Save && E&xit") << "Save && E&xit" << "x";
    QTest::newRow("A&&B") << "A&&B" << "";
    QTest::newRow("lone ampersand") << "&" << "";
    QTest::newRow("&Open") << "&Open" << "o";
    QTest::newRow("trailing") << "Open&" << "";
    QTest::newRow("no marks") << "Randomize Case" << "";
    // The underlined b: "&&" twice is a literal, then "&b" (it used to be none).
    QTest::newRow("&&a&&&b") << "&&a&&&b" << "b";
    QTest::newRow("&&&") << "&&&" << "";
}

void tst_XpBsFaces::accessKeys()
{
    QFETCH(QString, caption);
    QFETCH(QString, key);
    QCOMPARE(XpBsProbe::accessKeyOf(caption), key);
}

void tst_XpBsFaces::pressedContentMovesOnePixel_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("shift");
    QTest::newRow("raised moves") << 0 << 1;
    QTest::newRow("flat moves") << 1 << 1;
    QTest::newRow("coloured flat stays") << 2 << 0;
}

void tst_XpBsFaces::pressedContentMovesOnePixel()
{
    QFETCH(int, style);
    QFETCH(int, shift);
    Fixture fixture(style, QSize(129, 40), QStringLiteral("Go"));
    fixture.button->setForeColor(RGB(255, 0, 0));
    fixture.button->setPicture(squarePicture(12, qRgb(255, 0, 255), qRgb(0, 0, 255)));
    fixture.button->setMaskColor(RGB(255, 0, 255));
    fixture.button->setPictureSize(2);
    const QRect textBefore = boxOf(XpBsProbe::image(*fixture.button), qRgb(255, 0, 0));
    const QRect pictureBefore = boxOf(XpBsProbe::image(*fixture.button), qRgb(0, 0, 255));
    QVERIFY(!textBefore.isEmpty() && !pictureBefore.isEmpty());
    fixture.button->underPointer = &fixture.form;
    QTest::mousePress(fixture.button, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(boxOf(XpBsProbe::image(*fixture.button), qRgb(255, 0, 0)), textBefore.translated(shift, shift));
    QCOMPARE(boxOf(XpBsProbe::image(*fixture.button), qRgb(0, 0, 255)), pictureBefore.translated(shift, shift));
}

void tst_XpBsFaces::hoverLiftsThePictureOverItsShadow()
{
    Fixture fixture(2, QSize(129, 40));
    fixture.button->setMaskColor(RGB(255, 0, 255));
    fixture.button->setPicture(squarePicture(16, qRgb(255, 0, 255), qRgb(200, 0, 0), 0));
    fixture.button->setPictureSize(2);
    const RECT rest = fixture.button->face().layout.picture;
    QCOMPARE(fixture.at(rest.left, rest.top), qRgb(200, 0, 0));
    fixture.hover();
    QCOMPARE(fixture.button->face().layout.picture, rest); // the offset is taken back after drawing
    QCOMPARE(fixture.at(rest.left - 3, rest.top - 3), qRgb(200, 0, 0));
    QCOMPARE(fixture.at(rest.right - 4, rest.bottom - 4), qRgb(200, 0, 0));
    // The silhouette at the resting place shows below and right of it.
    QCOMPARE(fixture.at(rest.right - 1, rest.bottom - 1), qRgb(146, 146, 146));
    QCOMPARE(fixture.at(rest.right - 3, rest.bottom - 1), qRgb(146, 146, 146));
    QCOMPARE(fixture.at(rest.right, rest.bottom), qRgb(220, 255, 255)); // the hover face beyond
}

void tst_XpBsFaces::maskColourShowsTheFaceInEveryState()
{
    Fixture fixture(0, QSize(129, 40));
    fixture.button->setMaskColor(RGB(0, 255, 0));
    fixture.button->setPicture(squarePicture(16, qRgb(0, 255, 0), qRgb(0, 0, 200), 4));
    fixture.button->setPictureSize(2);
    const auto check = [&](const char *state) {
        const RECT r = fixture.button->face().layout.picture;
        const int d = fixture.button->face().isDown ? 1 : 0;
        QVERIFY2(fixture.at(r.left + d, r.top + d) == rgb(kFace), state);
        QVERIFY2(fixture.at(r.left + 8 + d, r.top + 8 + d) == qRgb(0, 0, 200), state);
        QVERIFY2(boxOf(XpBsProbe::image(*fixture.button), qRgb(0, 255, 0)).isEmpty(), state);
    };
    check("idle");
    fixture.hover();
    check("hovered");
    fixture.press();
    check("pressed");
}

void tst_XpBsFaces::disabledCaptionIsEmbossed()
{
    Fixture fixture(0, QSize(129, 40), QStringLiteral("MMMM"));
    fixture.button->setEnabled(false);
    // Inside the border: the highlight copy sits one pixel down and right,
    // under the shadow copy.
    // Glyph edges are smoothed, so colours are matched within a margin.
    const QImage inner = XpBsProbe::image(*fixture.button).copy(4, 4, 121, 32);
    const auto near = [](QRgb pixel, QRgb colour) {
        return std::abs(qRed(pixel) - qRed(colour)) <= 6 && std::abs(qGreen(pixel) - qGreen(colour)) <= 6
            && std::abs(qBlue(pixel) - qBlue(colour)) <= 6;
    };
    QRect shadow;
    QRect highlight;
    bool dark = false;
    for (int y = 0; y < inner.height(); ++y) {
        for (int x = 0; x < inner.width(); ++x) {
            const QRgb pixel = inner.pixel(x, y);
            if (near(pixel, rgb(kShadow)))
                shadow |= QRect(x, y, 1, 1);
            if (near(pixel, rgb(kHighlight)))
                highlight |= QRect(x, y, 1, 1);
            dark = dark || qGray(pixel) < 100;
        }
    }
    QVERIFY(!shadow.isEmpty());
    QCOMPARE(highlight.bottomRight(), shadow.bottomRight() + QPoint(1, 1));
    QVERIFY(!dark); // never drawn in the text colour
}

void tst_XpBsFaces::disabledPictureIsEmbossed()
{
    // An 8 x 8 bitmap: a 2-pixel border in the mask colour around 4 x 4 of
    // ink. Disabled, only the ink is embossed: the mask colour counts as
    // white, which the emboss leaves out.
    Fixture fixture(4, QSize(60, 40));
    fixture.button->setMaskColor(RGB(0, 255, 0));
    fixture.button->setPicture(squarePicture(8, qRgb(0, 255, 0), qRgb(0, 0, 128), 2));
    fixture.button->setPictureSize(2);
    fixture.button->setEnabled(false);
    const RECT r = fixture.button->face().layout.picture;
    QCOMPARE(fixture.at(r.left + 2, r.top + 2), rgb(kShadow));
    QCOMPARE(fixture.at(r.left + 5, r.top + 5), rgb(kShadow));
    QCOMPARE(fixture.at(r.left + 6, r.top + 6), rgb(kHighlight));
    QCOMPARE(fixture.at(r.left + 1, r.top + 1), rgb(kFace));
    QCOMPARE(fixture.at(r.left + 7, r.top + 7), rgb(kFace));
}

void tst_XpBsFaces::measuredCaptionAndPictureAsAPair()
{
    // A 100 x 40 button, a 16 x 16 picture left of a caption measured in
    // the button's font: inner (4, 4, 96, 36), the pair centred 4 apart.
    Fixture fixture(2, QSize(100, 40), QStringLiteral("Go on"));
    fixture.button->setPicture(squarePicture(16, qRgb(10, 20, 30), qRgb(40, 50, 60)));
    fixture.button->setPictureSize(0);
    QImage scratch(100, 40, QImage::Format_RGB32);
    platform::Surface surface(&scratch);
    surface.setFont(fixture.button->Font()->toQFont());
    RECT measured{4, 4, 96, 36};
    platform::DrawTextEx(surface, QStringLiteral("Go on"), measured,
                         platform::DT_CALCRECT | platform::DT_WORDBREAK | platform::DT_VCENTER | platform::DT_CENTER);
    const int capW = measured.width();
    const int capH = measured.height();
    QVERIFY(capW > 0 && capH > 0);
    const int pictureLeft = 4 + (92 - (16 + 4 + capW)) / 2;
    QCOMPARE(fixture.button->face().layout.picture, (RECT{pictureLeft, 12, pictureLeft + 16, 28}));
    const int captionTop = 4 + (32 - capH) / 2;
    QCOMPARE(fixture.button->face().layout.caption,
             (RECT{pictureLeft + 20, captionTop, pictureLeft + 20 + capW, captionTop + capH}));
}

void tst_XpBsFaces::iconsKeepTheirTransparency()
{
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int y = 4; y < 12; ++y) {
        for (int x = 4; x < 12; ++x)
            icon.setPixel(x, y, qRgb(0, 0, 160));
    }
    Fixture fixture(4, QSize(60, 40));
    fixture.button->setPicture(pictureOf(icon, platform::PictureData::Icon));
    fixture.button->setPictureSize(2);
    const RECT r = fixture.button->face().layout.picture;
    QCOMPARE(fixture.at(r.left + 4, r.top + 4), qRgb(0, 0, 160));
    QCOMPARE(fixture.at(r.left, r.top), rgb(kFace)); // transparent parts show the face

    fixture.button->setEnabled(false); // embossed, black being the transparent colour
    QCOMPARE(fixture.at(r.left + 4, r.top + 4), rgb(kShadow));
    QCOMPARE(fixture.at(r.left + 12, r.top + 12), rgb(kHighlight));
    QCOMPARE(fixture.at(r.left, r.top), rgb(kFace));
}

void tst_XpBsFaces::disabledIconKeepsItsLastRectangle()
{
    // GIVEN a 16 x 16 icon, white in its top half, placed above "Go"
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(qRgb(0, 0, 160));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            icon.setPixel(x, y, qRgb(255, 255, 255));
    Fixture fixture(4, QSize(120, 100), QStringLiteral("Go"));
    fixture.button->setPicture(pictureOf(icon, platform::PictureData::Icon));
    fixture.button->setPictureSize(2);
    fixture.button->setPicturePosition(0);
    const RECT r = fixture.button->face().layout.picture;

    // WHEN a position that places nothing keeps that rectangle, and the
    // drawn height shrinks to 4
    fixture.button->setPicturePosition(7);
    fixture.button->setPictureHeight(4);
    fixture.button->setEnabled(false);

    // THEN the icon is still stretched to the rectangle, of which only the
    // top four rows show: the white half, which the emboss leaves out
    QCOMPARE(fixture.button->face().layout.picture, r);
    for (int y = r.top; y < r.top + 4; ++y)
        for (int x = r.left; x < r.right; ++x)
            QCOMPARE(fixture.at(x, y), rgb(kFace));
}

void tst_XpBsFaces::enlargedIconsReplicateTheirPixels_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("RGB32") << QImage::Format_RGB32;
    QTest::newRow("ARGB32") << QImage::Format_ARGB32;
    QTest::newRow("premultiplied") << QImage::Format_ARGB32_Premultiplied;
    QTest::newRow("indexed") << QImage::Format_Indexed8;
}

void tst_XpBsFaces::enlargedIconsReplicateTheirPixels()
{
    // A 6 x 10 icon, left half red, right half blue, drawn at 4800 x 4800
    // on a 100 x 50 button: its left edge at 4 + (92 - 4800) / 2 = -2350,
    // so column 50 is the first of source column 3.
    QFETCH(QImage::Format, format);
    QImage image(6, 10, QImage::Format_RGB32);
    image.fill(qRgb(200, 0, 0));
    for (int y = 0; y < 10; ++y)
        for (int x = 3; x < 6; ++x)
            image.setPixel(x, y, qRgb(0, 0, 200));
    Fixture fixture(4, QSize(100, 50));
    fixture.button->setPicture(pictureOf(image.convertToFormat(format), platform::PictureData::Icon));
    fixture.button->setPictureWidth(4800);
    fixture.button->setPictureHeight(4800);
    for (int y : {0, 25, 49}) {
        QCOMPARE(fixture.at(49, y), qRgb(200, 0, 0));
        QCOMPARE(fixture.at(50, y), qRgb(0, 0, 200));
    }
}

void tst_XpBsFaces::hoverPictureTakesThePlaceWhileHovered()
{
    Fixture fixture(4, QSize(60, 40));
    fixture.button->setMaskColor(RGB(255, 0, 255));
    fixture.button->setPicture(squarePicture(16, qRgb(255, 0, 255), qRgb(0, 120, 0), 0));
    fixture.button->setPictureHover(squarePicture(16, qRgb(255, 0, 255), qRgb(0, 0, 120), 0));
    fixture.button->setPictureSize(2);
    const RECT r = fixture.button->face().layout.picture;
    QCOMPARE(fixture.at(r.left + 8, r.top + 8), qRgb(0, 120, 0));
    fixture.hover();
    QCOMPARE(fixture.at(r.left + 8, r.top + 8), qRgb(0, 0, 120));
    fixture.button->underPointer = &fixture.form;
    XpBsProbe::OverTimer_Timer(*fixture.button);
    QCOMPARE(fixture.at(r.left + 8, r.top + 8), qRgb(0, 120, 0));
}

void tst_XpBsFaces::pictureSizes_data()
{
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("recorded"); // the own size its HIMETRIC size gives
    QTest::addColumn<QSize>("drawn");
    QTest::addColumn<bool>("shown");
    const QSize small(16, 16);
    QTest::newRow("larger than the button: clipped") << small << small << QSize(200, 200) << true;
    QTest::newRow("zero: skipped") << small << small << QSize(0, 16) << false;
    QTest::newRow("negative: skipped") << small << small << QSize(-5, -5) << false;
    // Drawn two billion pixels wide and high, the middle of the picture
    // falls on the button: the boundary of its halves.
    QTest::newRow("absurd: its middle shows") << small << small << QSize(2000000000, 2000000000) << true;
    // A bitmap wider than the drawing bound vanished even when drawn at 32 x 32.
    QTest::newRow("wider than 4096, drawn at 32") << QSize(5000, 16) << QSize(5000, 16) << QSize(32, 32) << true;
    // A recorded size smaller than the image cut the image to it.
    QTest::newRow("recorded smaller than the image") << small << QSize(8, 8) << QSize(32, 32) << true;
}

void tst_XpBsFaces::pictureSizes()
{
    QFETCH(QSize, image);
    QFETCH(QSize, recorded);
    QFETCH(QSize, drawn);
    QFETCH(bool, shown);
    // Left half red, right half blue: a whole picture shows both.
    QImage halves(image, QImage::Format_RGB32);
    halves.fill(qRgb(200, 0, 0));
    for (int y = 0; y < image.height(); ++y)
        for (int x = image.width() / 2; x < image.width(); ++x)
            halves.setPixel(x, y, qRgb(0, 0, 200));
    Fixture fixture(2, QSize(60, 40));
    fixture.button->setPicture(pictureOf(halves, platform::PictureData::Bitmap, recorded));
    fixture.button->setPictureWidth(drawn.width());
    fixture.button->setPictureHeight(drawn.height());

    QCOMPARE(!boxOf(XpBsProbe::image(*fixture.button), qRgb(200, 0, 0)).isEmpty(), shown);
    QCOMPARE(!boxOf(XpBsProbe::image(*fixture.button), qRgb(0, 0, 200)).isEmpty(), shown);
    fixture.hover();
    fixture.button->setEnabled(false); // embossed: never in its own colours
    QVERIFY(boxOf(XpBsProbe::image(*fixture.button), qRgb(200, 0, 0)).isEmpty());
    QCOMPARE(!boxOf(XpBsProbe::image(*fixture.button), rgb(kShadow)).isEmpty(), shown);
}

namespace {

// A bitmap whose every pixel tells where it lies: red and green give the
// column, blue the row (never black, the mask colour).
platform::Picture gridPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x & 255, (x >> 8) & 255, 100 + (y & 127)));
    return pictureOf(image);
}

} // namespace

void tst_XpBsFaces::largePicturesShowThePartOnTheButton_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("firstColumn"); // of the picture, at the button's left edge
    // Centred in the 121-pixel content area of a 129-pixel button: the
    // picture's column (121 - width) / 2 + 4, truncated, lies at x = 0.
    QTest::newRow("4096 x 32") << QSize(4096, 32) << 1983;
    // Wider than 4096: it used to show nothing at all.
    QTest::newRow("4160 x 32") << QSize(4160, 32) << 2015;
    QTest::newRow("40000 x 32") << QSize(40000, 32) << 19935;
}

void tst_XpBsFaces::largePicturesShowThePartOnTheButton()
{
    QFETCH(QSize, picture);
    QFETCH(int, firstColumn);
    Fixture fixture(4, QSize(129, 40));
    fixture.button->setPictureSize(2);
    fixture.button->setPicture(gridPicture(picture));

    // Rows 4 to 35 show the picture's rows 0 to 31, every column of the
    // button one of its columns.
    for (int x : {0, 1, 64, 127, 128}) {
        for (int y : {4, 20, 35}) {
            const int column = firstColumn + x;
            QCOMPARE(fixture.at(x, y), qRgb(column & 255, (column >> 8) & 255, 100 + (y - 4)));
        }
    }
    QCOMPARE(fixture.at(64, 3), rgb(kFace));
    QCOMPARE(fixture.at(64, 36), rgb(kFace));
}

void tst_XpBsFaces::keptScalingsFollowEveryChange()
{
    // GIVEN a button that has drawn its picture, and a fresh one with the
    // same settings after each change: both show the same pixels.
    const platform::Picture first = squarePicture(40, qRgb(0, 0, 0), qRgb(30, 160, 90), 6);
    const platform::Picture second = squarePicture(40, qRgb(0, 0, 0), qRgb(200, 40, 40), 9);
    struct Settings {
        platform::Picture picture;
        QSize size = QSize(129, 40);
        int pictureWidth = 32;
        COLORREF mask = 0;
        bool enabled = true;
        bool hovered = false;
    };
    Fixture kept(2, QSize(129, 40), QStringLiteral("Go"));
    Settings settings{first};
    kept.button->setPicture(first);
    const auto same = [&](const char *after) {
        Fixture fresh(2, settings.size, QStringLiteral("Go"));
        fresh.button->setPicture(settings.picture);
        fresh.button->setPictureWidth(settings.pictureWidth);
        fresh.button->setMaskColor(settings.mask);
        if (settings.hovered)
            fresh.hover();
        fresh.button->setEnabled(settings.enabled);
        QVERIFY2(XpBsProbe::image(*kept.button) == XpBsProbe::image(*fresh.button), after);
    };
    same("first drawn");
    kept.hover();
    settings.hovered = true;
    same("hovered: lifted over its shadow");
    kept.button->setPictureWidth(48);
    settings.pictureWidth = 48;
    same("drawn wider");
    kept.button->setMaskColor(RGB(30, 160, 90));
    settings.mask = RGB(30, 160, 90);
    same("another mask colour");
    kept.button->setPicture(second);
    settings.picture = second;
    same("another picture of the same size");
    kept.button->resize(60, 30);
    settings.size = QSize(60, 30);
    same("a smaller button");
    kept.button->setEnabled(false);
    settings.enabled = false;
    same("disabled");
    kept.button->setMaskColor(0);
    settings.mask = 0;
    same("disabled, mask colour black again");
}

QTEST_MAIN(tst_XpBsFaces)
#include "tst_xpbs_faces.moc"
