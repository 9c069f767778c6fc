#include "app/FormLabel.h"
#include "app/Product.h"
#include "app/Program.h"
#include "app/frmSplash.h"
#include "controls/progressbar/BarPainter.h"
#include "controls/progressbar/Xp_ProgressBar.h"
#include "controls/xpbutton/ScaledPictures.h"
#include "controls/xpbutton/XpBsFace.h"
#include "controls/xpbutton/XpBsProbe.h"
#include "support/DevicePixels.h"
#include "support/Doubles.h"
#include "support/TestButton.h"

#include <QtTest>

#include <cmath>
#include <vector>

// The self-drawn controls and the logo on screens with more device pixels
// than design pixels. The faces are drawn without widgets at each ratio;
// the process itself runs at a scale factor of 2, so that the widgets meet
// a finer screen.

namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kBarWidth = 150;
constexpr int kBarHeight = 17;

// Where `fine` differs from `one` blown up to `ratio`, or nothing.
QString firstDifference(const QImage &one, const QImage &fine, qreal ratio)
{
    const std::vector<int> columns = testing::owners(one.width(), ratio);
    const std::vector<int> rows = testing::owners(one.height(), ratio);
    if (fine.width() != int(columns.size()) || fine.height() != int(rows.size()))
        return QStringLiteral("size %1 x %2, not %3 x %4")
            .arg(fine.width()).arg(fine.height()).arg(columns.size()).arg(rows.size());
    for (int y = 0; y < fine.height(); ++y) {
        for (int x = 0; x < fine.width(); ++x) {
            const QRgb expected = one.pixel(columns[size_t(x)], rows[size_t(y)]);
            if (fine.pixel(x, y) != expected)
                return QStringLiteral("device (%1, %2) is %3, design (%4, %5) is %6")
                    .arg(x).arg(y).arg(fine.pixel(x, y), 8, 16).arg(columns[size_t(x)]).arg(rows[size_t(y)])
                    .arg(expected, 8, 16);
        }
    }
    return QString();
}

// A button face in the creation defaults, no caption, no picture, in one
// of the states named.
XpBsFace buttonFace(int style, const QString &state)
{
    XpBsFace face;
    face.width = face.faceWidth = kButtonWidth;
    face.height = face.faceHeight = kButtonHeight;
    face.style = style;
    face.showFocusRect = true;
    face.xpDefaultColors = true;
    face.backColor = face.surfaceBackColor = 0x8000000F;
    face.foreColor = face.surfaceForeColor = 0x80000012;
    face.xpColorPressed = 0x80000014;
    face.xpColorHover = 0x80000016;
    face.bevel = state.contains(QLatin1String("bevelled")) ? 3 : 1;
    face.bevelDepth = 8;
    face.isOver = state.contains(QLatin1String("hovered")) || state.contains(QLatin1String("pressed"));
    face.isDown = state.contains(QLatin1String("pressed"));
    face.hasFocus = state.contains(QLatin1String("focused"));
    face.isDefault = state.contains(QLatin1String("default"));
    face.enabled = !state.contains(QLatin1String("disabled"));
    return face;
}

QImage drawnButton(const XpBsFace &face, qreal ratio)
{
    platform::Surface surface(face.width, face.height, platform::Surface::Format::Colour, ratio);
    ScaledPictures pictures;
    xpbs::paint(face, surface, pictures);
    return surface.image();
}

// A bar in skin `look`: blocks up to `value`, or the marker moved `steps`
// times.
QImage drawnBar(int look, int value, int steps, qreal ratio)
{
    const BarFace face{kBarWidth, kBarHeight, value, 0, 100, BarPainter::skin(look)};
    platform::Surface surface(kBarWidth, kBarHeight, platform::Surface::Format::Colour, ratio);
    BarPainter painter;
    painter.drawFrame(face, surface);
    if (steps == 0)
        painter.paintBlocks(face, surface);
    for (int i = 0; i < steps; ++i)
        painter.paintSmooth(face, surface);
    return surface.image();
}

} // namespace

class tst_HiDpi : public QObject {
    Q_OBJECT

private slots:
    void facesAreTheirDesignBlownUp_data();
    void facesAreTheirDesignBlownUp();
    void picturesShowTheirOwnPixels_data();
    void picturesShowTheirOwnPixels();
    void controlsDrawAtTheScreensRatio();
    void logoIsDrawnForTheScreensRatio_data();
    void logoIsDrawnForTheScreensRatio();
};

void tst_HiDpi::facesAreTheirDesignBlownUp_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("style"); // the button's style, or the bar's skin
    QTest::addColumn<QString>("state");
    QTest::addColumn<qreal>("ratio");
    // Integer ratios replicate each design pixel; fractional ones give a
    // design pixel one or two device pixels, and every frame keeps each side.
    for (const qreal ratio : {2.0, 3.0, 1.25, 1.5, 1.75}) {
        for (int style = 0; style <= 4; ++style) {
            for (const char *state : {"idle", "hovered", "pressed", "focused", "default", "disabled", "bevelled",
                                      "bevelled pressed"})
                QTest::addRow("button %d %s x%g", style, state, ratio)
                    << QStringLiteral("button") << style << QString::fromLatin1(state) << ratio;
        }
        for (int look = 0; look < 8; ++look) {
            for (const char *state : {"value 0", "value 37", "value 100", "marker 7", "marker 40"})
                QTest::addRow("bar %d %s x%g", look, state, ratio)
                    << QStringLiteral("bar") << look << QString::fromLatin1(state) << ratio;
        }
    }
}

void tst_HiDpi::facesAreTheirDesignBlownUp()
{
    QFETCH(QString, control);
    QFETCH(int, style);
    QFETCH(QString, state);
    QFETCH(qreal, ratio);
    QImage one;
    QImage fine;
    if (control == QLatin1String("button")) {
        one = drawnButton(buttonFace(style, state), 1);
        fine = drawnButton(buttonFace(style, state), ratio);
    } else {
        const int number = state.section(QLatin1Char(' '), 1).toInt();
        const bool marker = state.startsWith(QLatin1String("marker"));
        one = drawnBar(style, marker ? 50 : number, marker ? number : 0, 1);
        fine = drawnBar(style, marker ? 50 : number, marker ? number : 0, ratio);
    }
    QCOMPARE(fine.devicePixelRatio(), ratio);
    QCOMPARE(firstDifference(one, fine, ratio), QString());
}

void tst_HiDpi::picturesShowTheirOwnPixels_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("ratio");
    for (const int ratio : {2, 3}) {
        QTest::addRow("bitmap x%d", ratio) << int(platform::PictureData::Bitmap) << ratio;
        QTest::addRow("icon x%d", ratio) << int(platform::PictureData::Icon) << ratio;
    }
}

// A picture drawn at 6 x 6 from an image of as many pixels as the screen
// has under it shows every one of them, not 6 x 6 pixels blown up.
void tst_HiDpi::picturesShowTheirOwnPixels()
{
    QFETCH(int, type);
    QFETCH(int, ratio);
    const int side = 6 * ratio;
    QImage image(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, qRgb(10 + 7 * x, 20 + 7 * y, 200));
    XpBsFace face = buttonFace(0, QStringLiteral("idle"));
    const platform::Picture picture = testing::pictureOf(image, type);
    face.picture = picture;
    face.pictureWidth = face.pictureHeight = 6;
    face.maskColor = 0xFF00FF; // magenta: in no pixel of the picture
    const QImage drawn = drawnButton(face, ratio);

    QPoint origin(-1, -1);
    for (int y = 0; y < drawn.height() && origin.x() < 0; ++y)
        for (int x = 0; x < drawn.width() && origin.x() < 0; ++x)
            if (drawn.pixel(x, y) == image.pixel(0, 0))
                origin = QPoint(x, y);
    QVERIFY2(origin.x() >= 0, "the picture's first pixel is nowhere");
    QCOMPARE(origin.x() % ratio, 0); // on a design pixel's first device pixel
    QCOMPARE(origin.y() % ratio, 0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            QCOMPARE(drawn.pixel(origin.x() + x, origin.y() + y), image.pixel(x, y));
}

void tst_HiDpi::controlsDrawAtTheScreensRatio()
{
    testing::TestHost doubles;
    QWidget form;
    form.resize(300, 100);
    auto *button = new testing::TestButton(doubles.host, &form);
    button->UserControl_InitProperties();
    button->setGeometry(QRect(5, 5, kButtonWidth, kButtonHeight));
    button->setButtonStyle(3);
    button->setCaption(QString());
    auto *bar = new Xp_ProgressBar(doubles.host, &form);
    bar->setGeometry(QRect(5, 40, kBarWidth, kBarHeight));
    bar->setProgressLook(2);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.devicePixelRatioF(), 2.0);
    bar->setValue(37);

    const XpBsFace face = button->face();
    const QImage &shown = XpBsProbe::image(*button);
    QCOMPARE(shown.devicePixelRatio(), 2.0);
    QCOMPARE(firstDifference(drawnButton(face, 1), shown, 2), QString());
    QCOMPARE(bar->image().devicePixelRatio(), 2.0);
    QCOMPARE(firstDifference(drawnBar(2, 37, 0, 1), bar->image(), 2), QString());
}

void tst_HiDpi::logoIsDrawnForTheScreensRatio_data()
{
    QTest::addColumn<qreal>("ratio");
    // "screen": as the splash shows it on this process's screen; "painted":
    // the splash painted at the ratio, as on a screen it was moved to.
    QTest::addColumn<QString>("inSplash");
    QTest::addColumn<int>("deviceEdge");
    QTest::newRow("x1") << 1.0 << QString() << 48;
    QTest::newRow("x1.5, the next finer") << 1.5 << QString() << 96;
    QTest::newRow("x2, in the splash") << 2.0 << "screen" << 96;
    QTest::newRow("x3") << 3.0 << QString() << 144;
    QTest::newRow("x3, the splash painted at x3") << 3.0 << "painted" << 144;
    QTest::newRow("x4, the finest there is") << 4.0 << QString() << 144;
}

void tst_HiDpi::logoIsDrawnForTheScreensRatio()
{
    QFETCH(qreal, ratio);
    QFETCH(QString, inSplash);
    QFETCH(int, deviceEdge);
    QPixmap logo = product::logo(ratio);
    if (!inSplash.isEmpty()) {
        testing::TestHost doubles{testing::Timing::Fake};
        Program program{doubles.host};
        frmSplash &splash = program.splash();
        if (inSplash == QLatin1String("screen")) {
            QCOMPARE(qApp->devicePixelRatio(), ratio);
        } else {
            QImage moved(platform::deviceSize(splash.size(), ratio), QImage::Format_ARGB32);
            moved.setDevicePixelRatio(ratio);
            splash.render(&moved);
        }
        logo = splash.imgLogo->pixmap();
    }
    QCOMPARE(logo.deviceIndependentSize(), QSizeF(48, 48));
    QCOMPARE(logo.size(), QSize(deviceEdge, deviceEdge));
    // At 1x the logo is the picture windows have always shown; finer ones
    // are drawn again from the shapes, not that picture blown up.
    const QImage blownUp = QImage(QStringLiteral(":/art/logo.png"))
                               .scaled(deviceEdge, deviceEdge, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                               .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(logo.toImage().convertToFormat(QImage::Format_ARGB32) == blownUp, deviceEdge == 48);
}

int main(int argc, char *argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    tst_HiDpi test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hidpi.moc"
