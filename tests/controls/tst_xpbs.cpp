#include "controls/xpbutton/XpBs.h"
#include "controls/xpbutton/XpBsProbe.h"
#include "platform/forms/StdFont.h"
#include "platform/raster/SystemColors.h"
#include "platform/forms/FormData.h"
#include "support/Doubles.h"
#include "support/FormMessages.h"
#include "support/PropertyValues.h"
#include "support/TestButton.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

using platform::COLORREF;
using platform::PropertyBag;

namespace {

// The repaints of a button since it was made (or cleared).
class PaintCount {
public:
    explicit PaintCount(const XpBs &button) : m_button(button), m_start(XpBsProbe::paints(button)) {}
    int count() const { return int(XpBsProbe::paints(m_button) - m_start); }
    void clear() { m_start = XpBsProbe::paints(m_button); }

private:
    const XpBs &m_button;
    quint64 m_start;
};

using testing::TestButton;

struct Fixture {
    testing::TestHost doubles;
    QWidget form;
    TestButton *button = nullptr;
    QStringList log;

    explicit Fixture(QSize size = QSize(129, 17), int style = 2)
    {
        setUp(size, style);
    }

    void setUp(QSize size, int style)
    {
        form.resize(300, 100);
        button = new TestButton(doubles.host, &form);
        button->setObjectName(QStringLiteral("XpBs1"));
        button->UserControl_InitProperties();
        button->setCaption(QStringLiteral("Go"));
        button->setGeometry(QRect(QPoint(10, 10), size));
        if (style != 2)
            button->setButtonStyle(style);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        recordEvents();
    }

    void recordEvents()
    {
        auto &sound = doubles.sound.played;
        auto &shell = doubles.shell;
        QObject::connect(button, &XpBs::Click, [this, &sound, &shell] {
            log << QStringLiteral("Click sound=%1 url=%2").arg(sound.size()).arg(shell.navigated.size());
        });
        QObject::connect(button, &XpBs::MouseDown, [this](qint16 &b, qint16 &, float &, float &) {
            log << QStringLiteral("MouseDown %1").arg(b);
        });
        QObject::connect(button, &XpBs::MouseUp, [this, &shell](qint16 &b, qint16 &, float &x, float &y) {
            log << QStringLiteral("MouseUp %1 at %2,%3 url=%4").arg(b).arg(x).arg(y).arg(shell.navigated.size());
        });
        QObject::connect(button, &XpBs::MouseIn, [this](qint16 &) { log << QStringLiteral("MouseIn"); });
        QObject::connect(button, &XpBs::MouseOut, [this](qint16 &) { log << QStringLiteral("MouseOut"); });
    }

    QRgb face() const { return XpBsProbe::image(*button).pixel(2, 8); }
    // What a widget receives for the second click of a double click.
    void secondClickOfADoubleClick(Qt::MouseButton which, QPoint at = QPoint(5, 5))
    {
        for (QEvent::Type type : {QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(which);
            QMouseEvent event(type, at, button->mapToGlobal(at), which, held, Qt::NoModifier);
            QApplication::sendEvent(button, &event);
        }
    }
    // A pointer move without buttons, delivered to the button.
    void move(QPoint at)
    {
        QMouseEvent event(QEvent::MouseMove, at, button->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(button, &event);
    }
    void pointerLeaves()
    {
        button->underPointer = &form;
        XpBsProbe::OverTimer_Timer(*button);
    }
    // Pointer in, left button down, pointer out; the image as it was pressed.
    QImage pressAndLeave()
    {
        button->underPointer = button;
        move(QPoint(5, 5));
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
        const QImage pressed = XpBsProbe::image(*button).copy();
        pointerLeaves();
        return pressed;
    }
};

} // namespace

class tst_XpBs : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { platform::setColorScheme(platform::ColorScheme::XpBlue); }

    void newInstanceSavesOnlyWhatDiffers();
    void loadingABagKeepsEveryOtherDefault();
    void everyKeyWrittenInOrderAndReadBack();
    void storedValuesSurviveLoadAndSave_data();
    void storedValuesSurviveLoadAndSave();
    void keptValuesGiveWayToAPropertySet();
    void pictureSizeFollowsThePicture();
    void styleThreeSwitchesTransparencyOff();
    void versionIsReadOnly();
    void fontKeepsItsIdentity();
    void mousePointerOutsideSixteenBitsFails();

    void pointerShapes_data();
    void pointerShapes();
    void leftClickOrder();
    void clicksByMouseButton_data();
    void clicksByMouseButton();
    void dragOutAndReleaseDoesNotClick();
    void comeBackAndReleaseClicks();
    void heldSpacePressesOnce();
    void accessKeyClicksWithoutSound();
    void focusLostWhileHeldReleases();
    void disabledParentShowsTheDisabledFace();
    void releaseClicksOnlyInside_data();
    void releaseClicksOnlyInside();
    void mouseEventsCarryTheirArguments();
    void keyEventsCarryTheirCodes();
    void spaceAmongOtherKeys();
    void enabledIsToldThenRepaintedWhateverItWas_data();
    void enabledIsToldThenRepaintedWhateverItWas();
    void urlRoutes_data();
    void urlRoutes();

    void styleTwoStateColours_data();
    void styleTwoStateColours();
    void styleTwoBorderOnlyWhileHovered();
    void focusRectanglePerStyle_data();
    void focusRectanglePerStyle();
    void focusRectangleLiesUnderTheCaption();
    void tinyButtonGrowsToTenPixels();
    void styleThreeRegionCutsTwelvePixels();
    void repaintTriggers_data();
    void repaintTriggers();
    void hoverColourShowsOnlyAtTheNextRepaint();
    void transparentFaceShowsTheContainerPicture();

    void reportsItselfAsAPushButton();
};

void tst_XpBs::newInstanceSavesOnlyWhatDiffers()
{
    Fixture fixture;
    fixture.button->setCaption(QStringLiteral("XpBs1")); // back to the instance name
    PropertyBag bag;
    fixture.button->UserControl_WriteProperties(bag);
    QCOMPARE(bag.value(QStringLiteral("OriginalPicSizeW")).toInt(), 0);
    QCOMPARE(bag.value(QStringLiteral("OriginalPicSizeH")).toInt(), 0);
    for (const char *key : {"Caption", "ShowFocusRect", "XPDefaultColors", "ButtonStyle", "BackColor", "ForeColor",
                            "SoundClick", "SoundOver", "BEVEL", "BEVELDEPTH", "Enabled", "MousePointer", "Picture",
                            "PicturePosition", "PictureSize", "PictureWidth", "PictureHeight"})
        QVERIFY2(!bag.contains(QString::fromLatin1(key)), key);
}

void tst_XpBs::loadingABagKeepsEveryOtherDefault()
{
    testing::TestHost doubles;
    QWidget form;
    XpBs button(doubles.host, &form);
    button.setObjectName(QStringLiteral("XpBs2"));
    PropertyBag bag;
    bag.insert(QStringLiteral("caption"), QStringLiteral("&Close"));
    bag.insert(QStringLiteral("buttonstyle"), short(3));
    bag.insert(QStringLiteral("backcolor"), COLORREF(0xFFFFFF));
    button.resize(73, 17);
    button.UserControl_ReadProperties(bag);

    QCOMPARE(button.ButtonStyle(), 3);
    QCOMPARE(button.BackColor(), COLORREF(0xFFFFFF));
    QCOMPARE(button.Caption(), QStringLiteral("&Close"));
    QCOMPARE(XpBsProbe::AccessKeys(button), QStringLiteral("c"));
    QCOMPARE(button.ForeColor(), COLORREF(0x80000012));
    QCOMPARE(button.PicturePosition(), 1);
    QCOMPARE(button.PictureWidth(), 32);
    QCOMPARE(button.BEVEL(), qint16(1));
    QCOMPARE(button.BEVELDEPTH(), qint16(8));
    QVERIFY(button.ShowFocusRect());
    QVERIFY(button.XPDefaultColors());
    QCOMPARE(button.SoundClick(), QStringLiteral(".\\resources\\click.wav"));
    QCOMPARE(button.SoundOver().toString(), QStringLiteral(".\\resources\\over.wav"));
    QCOMPARE(button.XPColor_Hover(), COLORREF(0x80000016));
    QVERIFY(!XpBsProbe::region(button).isEmpty()); // the style-3 region was built by the resize
    // A default read wrongly (0 for a size, another colour, a sound path)
    // would be written back as a stored key.
    PropertyBag written;
    button.UserControl_WriteProperties(written);
    QCOMPARE(written.keys(), (QStringList{"caption", "buttonstyle", "backcolor"}));
}

void tst_XpBs::everyKeyWrittenInOrderAndReadBack()
{
    // GIVEN a button with every stored property away from its default
    Fixture fixture;
    XpBs &original = *fixture.button;
    const platform::Picture picture = platform::EmptyPicture();
    const platform::Picture hover = platform::EmptyPicture();
    const platform::Picture icon = platform::EmptyPicture();
    original.setCaption(QStringLiteral("Save && E&xit"));
    original.setPicturePosition(3);
    original.setButtonStyle(70000); // any 32-bit value is kept
    original.setPicture(picture);
    original.setPictureSize(5);
    original.setPictureWidth(70001);
    original.setPictureHeight(-7);
    original.setPictureHover(hover);
    original.setEnabled(false);
    platform::StdFont font;
    font.setName(QStringLiteral("Arial"));
    font.setSize(12);
    font.setItalic(true);
    original.setFont(font);
    original.setMouseIcon(icon);
    original.setMousePointer(-32768);
    original.setShowFocusRect(false);
    original.setURL(QStringLiteral("mailto:someone@example.org"));
    original.setXPColor_Pressed(0x80000010);
    original.setXPColor_Hover(0x00123456);
    original.setXPDefaultColors(false);
    original.setBackColor(0x00FFFFFF);
    original.setForeColor(0x8000000D);
    original.setSoundOver(QStringLiteral("a/over.wav"));
    original.setSoundClick(QStringLiteral("a/click.wav"));
    original.setDefCurHand(true);
    original.setXPShowBorderAlways(true);
    original.setMaskColor(0x00FF00FF);
    original.setTransparentBG(true);
    original.setBEVEL(-5);
    original.setBEVELDEPTH(32767);

    // WHEN it is saved, and a fresh button reads what was saved and saves it
    PropertyBag first;
    original.UserControl_WriteProperties(first);
    testing::TestHost doubles;
    QWidget form;
    XpBs copy(doubles.host, &form);
    copy.setObjectName(QStringLiteral("XpBs1"));
    copy.resize(original.size());
    copy.UserControl_ReadProperties(first);
    PropertyBag second;
    copy.UserControl_WriteProperties(second);

    // THEN all 29 keys are written, in their order, and come back unchanged
    const QStringList keys{"caption", "pictureposition", "buttonstyle", "picture", "picturewidth",
                           "pictureheight", "picturesize", "originalpicsizew", "originalpicsizeh", "picturehover",
                           "enabled", "font", "mouseicon", "mousepointer", "showfocusrect", "url",
                           "xpcolor_pressed", "xpcolor_hover", "xpdefaultcolors", "backcolor", "forecolor",
                           "soundover", "soundclick", "defcurhand", "xpshowborderalways", "maskcolor",
                           "transparentbg", "bevel", "beveldepth"};
    QCOMPARE(first.keys(), keys);
    QCOMPARE(second.keys(), keys);
    for (const QString &key : keys) {
        if (first.value(key).userType() == qMetaTypeId<platform::Picture>())
            QVERIFY2(first.value(key).value<platform::Picture>() == second.value(key).value<platform::Picture>(),
                     qPrintable(key));
        else
            QVERIFY2(first.value(key) == second.value(key), qPrintable(key));
    }
    QCOMPARE(copy.Picture(), picture);
    QCOMPARE(copy.PictureHover(), hover);
    QCOMPARE(copy.MouseIcon(), icon);
    QCOMPARE(XpBsProbe::AccessKeys(copy), QStringLiteral("x"));
    QCOMPARE(copy.face().layout.caption, original.face().layout.caption); // measured in the stored font

    // AND the creation defaults, taken again, leave only what they never
    // touch (the pictures, their own size, the surface's state) away from
    // its default
    original.UserControl_InitProperties();
    PropertyBag created;
    original.UserControl_WriteProperties(created);
    QCOMPARE(created.keys(), (QStringList{"picture", "originalpicsizew", "originalpicsizeh", "picturehover",
                                          "enabled", "mouseicon", "mousepointer"}));
}

namespace {

// A stored form of one button with one property, given as JSON text.
PropertyBag storedBag(const QString &key, const QString &json)
{
    const QByteArray form = QStringLiteral(R"({"form": "frmtest", "controls": [{"name": "XpBs1",
        "class": "vorlenta.XpBs", "properties": {"%1": %2}}]})").arg(key, json).toUtf8();
    return platform::FormData::fromJson(form, QStringLiteral("frmtest.json"))
        .bagFor(QStringLiteral("XpBs1"), QString::fromLatin1(XpBs::kClassId));
}

// What a saved bag holds under the key, as JSON text; empty when missing.
QString savedJson(const PropertyBag &bag, const QString &key)
{
    platform::FormData form;
    form.setBag(QStringLiteral("XpBs1"), QString::fromLatin1(XpBs::kClassId), bag);
    const QJsonObject properties = QJsonDocument::fromJson(form.toJson())
                                       .object()[QStringLiteral("controls")].toArray()[0]
                                       .toObject()[QStringLiteral("properties")].toObject();
    if (!properties.contains(key))
        return QString();
    const QByteArray array = QJsonDocument(QJsonArray{properties[key]}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QVariant propertyOf(const XpBs &button, const QString &key)
{
    if (key == QLatin1String("bevel")) return testing::i16(button.BEVEL());
    if (key == QLatin1String("beveldepth")) return testing::i16(button.BEVELDEPTH());
    if (key == QLatin1String("mousepointer")) return testing::i16(short(button.MousePointer()));
    if (key == QLatin1String("buttonstyle")) return testing::i32(button.ButtonStyle());
    if (key == QLatin1String("picturewidth")) return testing::i32(button.PictureWidth());
    if (key == QLatin1String("backcolor")) return testing::colour(button.BackColor());
    if (key == QLatin1String("maskcolor")) return testing::colour(button.MaskColor());
    if (key == QLatin1String("showfocusrect")) return testing::boolean(button.ShowFocusRect());
    if (key == QLatin1String("transparentbg")) return testing::boolean(button.TransparentBG());
    if (key == QLatin1String("caption")) return testing::text(button.Caption());
    if (key == QLatin1String("url")) return testing::text(button.URL());
    if (key == QLatin1String("soundclick")) return testing::text(button.SoundClick());
    return QVariant();
}

} // namespace

void tst_XpBs::storedValuesSurviveLoadAndSave_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");   // JSON text
    QTest::addColumn<QVariant>("read");    // the property after loading
    QTest::addColumn<QString>("expected"); // what a value that does not read was expected as
    QTest::addColumn<QString>("saved");    // JSON text after saving

    using testing::boolean;
    using testing::colour;
    using testing::i16;
    using testing::i32;
    using testing::text;
    const QString int16 = QStringLiteral("a 16-bit integer");
    const QString int32 = QStringLiteral("a 32-bit integer");
    const QString colourType = QStringLiteral("a colour");
    const QString booleanType = QStringLiteral("a Boolean");
    const QString string = QStringLiteral("a string");

    // 16-bit. Values that do not read fall back to the default, and saving
    // writes them back as they were (they used to be dropped).
    QTest::newRow("16-bit: highest") << "bevel" << "32767" << i16(32767) << "" << "32767";
    QTest::newRow("16-bit: lowest") << "mousepointer" << "-32768" << i16(-32768) << "" << "-32768";
    QTest::newRow("16-bit: above") << "bevel" << "40000" << i16(1) << int16 << "40000";
    QTest::newRow("16-bit: below") << "beveldepth" << "-32769" << i16(8) << int16 << "-32769";
    QTest::newRow("16-bit: cursor above") << "mousepointer" << "40000" << i16(0) << int16 << "40000";
    QTest::newRow("16-bit: Boolean") << "bevel" << "true" << i16(1) << int16 << "true"; // read as -1
    QTest::newRow("16-bit: digits") << "bevel" << "\"5\"" << i16(1) << int16 << "\"5\"";
    QTest::newRow("16-bit: fraction") << "beveldepth" << "2.5" << i16(8) << int16 << "2.5";
    QTest::newRow("16-bit: null") << "bevel" << "null" << i16(1) << int16 << "null";
    // 32-bit: past the signed range is out of range (3000000000 read as
    // -1294967296, silently).
    QTest::newRow("32-bit: beyond 16 bits") << "buttonstyle" << "70000" << i32(70000) << "" << "70000";
    QTest::newRow("32-bit: lowest") << "picturewidth" << "-2147483648" << i32(-2147483647 - 1) << ""
                                    << "-2147483648";
    QTest::newRow("32-bit: above") << "buttonstyle" << "3000000000" << i32(2) << int32 << "3000000000";
    QTest::newRow("32-bit: highest pattern") << "picturewidth" << "4294967295" << i32(32) << int32 << "4294967295";
    QTest::newRow("32-bit: Boolean") << "buttonstyle" << "false" << i32(2) << int32 << "false";
    QTest::newRow("32-bit: far above") << "picturewidth" << "10000000000" << i32(32) << int32 << "10000000000";
    // Colours take any 32-bit pattern.
    QTest::newRow("colour: a system colour") << "backcolor" << "2147483666" << colour(0x80000012) << ""
                                             << "2147483666";
    QTest::newRow("colour: highest") << "maskcolor" << "4294967295" << colour(0xFFFFFFFF) << "" << "4294967295";
    QTest::newRow("colour: above") << "maskcolor" << "4294967296" << colour(0) << colourType << "4294967296";
    QTest::newRow("colour: name") << "backcolor" << "\"red\"" << colour(0x8000000F) << colourType << "\"red\"";
    QTest::newRow("colour: Boolean") << "maskcolor" << "true" << colour(0) << colourType << "true";
    // Booleans are 16-bit integers, any non-zero value True.
    QTest::newRow("Boolean: False") << "showfocusrect" << "false" << boolean(false) << "" << "false";
    QTest::newRow("Boolean: 2") << "transparentbg" << "2" << boolean(true) << "" << "true";
    QTest::newRow("Boolean: 0") << "showfocusrect" << "0" << boolean(false) << "" << "false";
    QTest::newRow("Boolean: beyond 16 bits") << "transparentbg" << "40000" << boolean(false) << booleanType
                                             << "40000";
    QTest::newRow("Boolean: word") << "showfocusrect" << "\"yes\"" << boolean(true) << booleanType << "\"yes\"";
    QTest::newRow("Boolean: fraction") << "transparentbg" << "0.5" << boolean(false) << booleanType << "0.5";
    // Strings.
    QTest::newRow("string") << "caption" << "\"&Go\"" << text(QStringLiteral("&Go")) << "" << "\"&Go\"";
    QTest::newRow("string: number") << "url" << "5" << text(QString()) << string << "5";
    QTest::newRow("string: Boolean") << "soundclick" << "true" << text(QStringLiteral(".\\resources\\click.wav"))
                                     << string << "true";
    QTest::newRow("string: null") << "caption" << "null" << text(QStringLiteral("XpBs1")) << string << "null";
}

void tst_XpBs::storedValuesSurviveLoadAndSave()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QVariant, read);
    QFETCH(QString, expected);
    QFETCH(QString, saved);
    testing::FormMessages reported;
    PropertyBag bag = storedBag(key, stored);
    testing::TestHost doubles;
    QWidget form;
    XpBs button(doubles.host, &form);
    button.setObjectName(QStringLiteral("XpBs1"));

    button.UserControl_ReadProperties(bag);
    PropertyBag savedBag;
    button.UserControl_WriteProperties(savedBag);

    QCOMPARE(propertyOf(button, key), read);
    QCOMPARE(savedJson(savedBag, key), saved);
    const QStringList messages = expected.isEmpty()
        ? QStringList()
        : QStringList{QStringLiteral("tessaly: frmtest.json: control XpBs1: key \"%1\": expected %2, using the default")
                          .arg(key, expected)};
    QCOMPARE(reported.lines, messages);
}

void tst_XpBs::keptValuesGiveWayToAPropertySet()
{
    testing::FormMessages reported;
    PropertyBag bag = storedBag(QStringLiteral("bevel"), QStringLiteral("40000"));
    bag.insert(QStringLiteral("beveldepth"), true);
    bag.insert(QStringLiteral("originalpicsizew"), QStringLiteral("wide"));
    testing::TestHost doubles;
    QWidget form;
    XpBs button(doubles.host, &form);
    button.setObjectName(QStringLiteral("XpBs1"));
    button.UserControl_ReadProperties(bag);

    button.setBEVEL(3);
    auto picture = std::make_shared<platform::PictureData>();
    picture->type = platform::PictureData::Bitmap;
    picture->image = QImage(20, 12, QImage::Format_RGB32);
    picture->widthHimetric = 529; // 20 pixels
    picture->heightHimetric = 318;
    button.setPicture(picture); // sets the picture's own size with it
    PropertyBag saved;
    button.UserControl_WriteProperties(saved);

    QCOMPARE(saved.value(QStringLiteral("bevel")), testing::i16(3));
    QCOMPARE(saved.value(QStringLiteral("originalpicsizew")), testing::i32(20));
    QCOMPARE(saved.value(QStringLiteral("beveldepth")), testing::boolean(true)); // not set: kept
}

void tst_XpBs::pictureSizeFollowsThePicture()
{
    Fixture fixture;
    fixture.button->setPictureSize(2);
    QCOMPARE(fixture.button->PictureWidth(), 32);
    QCOMPARE(fixture.button->PictureHeight(), 32);

    auto picture = std::make_shared<platform::PictureData>();
    picture->type = platform::PictureData::Bitmap;
    picture->image = QImage(20, 12, QImage::Format_RGB32);
    picture->widthHimetric = 529;  // 20 pixels at 96 dpi
    picture->heightHimetric = 318; // 12 pixels
    fixture.button->setPicture(picture);
    QCOMPARE(fixture.button->PictureWidth(), 20);
    QCOMPARE(fixture.button->PictureHeight(), 12);

    fixture.button->setPictureSize(7); // unknown sizes leave the numbers alone
    QCOMPARE(fixture.button->PictureWidth(), 20);
    fixture.button->setPictureSize(0);
    QCOMPARE(fixture.button->PictureWidth(), 16);
}

void tst_XpBs::styleThreeSwitchesTransparencyOff()
{
    Fixture fixture;
    fixture.button->setTransparentBG(true);
    QSignalSpy notified(fixture.button, &XpBs::PropertyChanged);
    fixture.button->setButtonStyle(3);
    QVERIFY(!fixture.button->TransparentBG());
    QCOMPARE(notified.at(0).at(0).toString(), QStringLiteral("ButtonStyle"));
    QCOMPARE(notified.at(1).at(0).toString(), QStringLiteral("TransparentBG"));
    fixture.button->setButtonStyle(1);
    QVERIFY(!fixture.button->TransparentBG());
}

void tst_XpBs::versionIsReadOnly()
{
    Fixture fixture;
    QSignalSpy notified(fixture.button, &XpBs::PropertyChanged);
    fixture.button->setVersion(QStringLiteral("9.9"));
    QCOMPARE(fixture.button->version(), QStringLiteral("030102-15"));
    QCOMPARE(notified.count(), 0);
}

void tst_XpBs::fontKeepsItsIdentity()
{
    Fixture fixture;
    platform::StdFont *before = fixture.button->Font();
    platform::StdFont other;
    other.setName(QStringLiteral("Verdana"));
    other.setSize(12);
    other.setBold(true);
    PaintCount painted(*fixture.button);
    fixture.button->setFont(other);
    QCOMPARE(fixture.button->Font(), before);
    QCOMPARE(before->Name(), QStringLiteral("Verdana"));
    QCOMPARE(before->Size(), 12.0);
    QVERIFY(before->Bold());
    other.setItalic(true);
    other.setUnderline(true);
    other.setStrikethrough(true);
    fixture.button->setFont(other);
    QVERIFY(before->Italic() && before->Underline() && before->Strikethrough());
    QCOMPARE(painted.count(), 6); // one repaint per attribute that changed
}

void tst_XpBs::mousePointerOutsideSixteenBitsFails()
{
    Fixture fixture;
    fixture.button->setMousePointer(3);
    QVERIFY_THROWS_EXCEPTION(std::overflow_error, fixture.button->setMousePointer(40000));
    QVERIFY_THROWS_EXCEPTION(std::overflow_error, fixture.button->setMousePointer(-32769));
    QCOMPARE(fixture.button->MousePointer(), 3);
    fixture.button->setMousePointer(-32768);
    QCOMPARE(fixture.button->MousePointer(), -32768);
}

void tst_XpBs::pointerShapes_data()
{
    QTest::addColumn<int>("pointer");
    QTest::addColumn<Qt::CursorShape>("shape");
    QTest::newRow("cross") << 2 << Qt::CrossCursor;
    QTest::newRow("the last known, size all") << 15 << Qt::SizeAllCursor;
    QTest::newRow("beyond the known") << 16 << Qt::ArrowCursor;
    QTest::newRow("negative") << -5 << Qt::ArrowCursor;
    QTest::newRow("custom without a picture: a hand") << 99 << Qt::PointingHandCursor;
}

void tst_XpBs::pointerShapes()
{
    QFETCH(int, pointer);
    QFETCH(Qt::CursorShape, shape);
    Fixture fixture;
    fixture.button->setMousePointer(pointer);
    QCOMPARE(fixture.button->cursor().shape(), shape);
}

void tst_XpBs::leftClickOrder()
{
    Fixture fixture;
    fixture.button->setURL(QStringLiteral("https://example.org/"));
    QTest::mousePress(fixture.button, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(fixture.button->face().isDown, true);
    QTest::mouseRelease(fixture.button, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(fixture.log, (QStringList{"MouseDown 1", "Click sound=1 url=0", "MouseUp 1 at 5,5 url=1"}));
    QCOMPARE(fixture.doubles.sound.played, QStringList{".\\resources\\click.wav"});
    QCOMPARE(fixture.button->face().isDown, false);
    QCOMPARE(fixture.button->face().hasFocus, true); // a click gives the focus
    QCOMPARE(XpBsProbe::overTimer(*fixture.button)->interval(), 10);
}

void tst_XpBs::clicksByMouseButton_data()
{
    // A click and then the second click of a double click.
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QStringList>("log");
    QTest::newRow("left clicks twice")
        << Qt::LeftButton
        << QStringList{"MouseDown 1", "Click sound=1 url=0", "MouseUp 1 at 5,5 url=0", "MouseDown 1",
                       "Click sound=2 url=0", "MouseUp 1 at 5,5 url=0"};
    QTest::newRow("middle clicks")
        << Qt::MiddleButton
        << QStringList{"MouseDown 4", "Click sound=1 url=0", "MouseUp 4 at 5,5 url=0", "MouseDown 4",
                       "Click sound=2 url=0", "MouseUp 4 at 5,5 url=0"};
    QTest::newRow("right never clicks")
        << Qt::RightButton
        << QStringList{"MouseDown 2", "MouseUp 2 at 5,5 url=0", "MouseDown 2", "MouseUp 2 at 5,5 url=0"};
    // A thumb button used to click, starting a pass or opening the URL.
    QTest::newRow("back is ignored") << Qt::BackButton << QStringList();
    QTest::newRow("forward is ignored") << Qt::ForwardButton << QStringList();
}

void tst_XpBs::clicksByMouseButton()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QStringList, log);
    const bool clicks = button == Qt::LeftButton || button == Qt::MiddleButton;
    Fixture fixture;
    PaintCount painted(*fixture.button);
    QTest::mousePress(fixture.button, button, {}, QPoint(5, 5));
    QCOMPARE(fixture.button->face().isDown, clicks);
    QTest::mouseRelease(fixture.button, button, {}, QPoint(5, 5));
    fixture.secondClickOfADoubleClick(button);
    QCOMPARE(fixture.log, log);
    QCOMPARE(painted.count() > 0, clicks);
    QCOMPARE(fixture.button->face().isDown, false);
}

void tst_XpBs::dragOutAndReleaseDoesNotClick()
{
    Fixture fixture;
    const QRgb pressed = fixture.pressAndLeave().pixel(2, 8);
    QVERIFY(!XpBsProbe::overTimer(*fixture.button)->isActive());
    QCOMPARE(fixture.button->face().isDown, true); // still armed
    QVERIFY(fixture.face() != pressed);                // but shown released
    QCOMPARE(fixture.face(), platform::toQRgb(platform::GetSysColor(platform::COLOR_BTNFACE)));
    QTest::mouseRelease(fixture.button, Qt::LeftButton, {}, QPoint(200, 5));
    QCOMPARE(fixture.log, (QStringList{"MouseIn", "MouseDown 1", "MouseOut", "MouseUp 1 at 200,5 url=0"}));
}

void tst_XpBs::comeBackAndReleaseClicks()
{
    Fixture fixture;
    const QRgb pressed = fixture.pressAndLeave().pixel(2, 8);
    fixture.button->underPointer = fixture.button;
    fixture.move(QPoint(6, 6));
    QCOMPARE(fixture.face(), pressed);
    QTest::mouseRelease(fixture.button, Qt::LeftButton, {}, QPoint(6, 6));
    QCOMPARE(fixture.log, (QStringList{"MouseIn", "MouseDown 1", "MouseOut", "MouseIn", "Click sound=1 url=0",
                                       "MouseUp 1 at 6,6 url=0"}));
}

void tst_XpBs::heldSpacePressesOnce()
{
    Fixture fixture;
    fixture.button->setURL(QStringLiteral("https://example.org/"));
    fixture.button->setFocus();
    PaintCount painted(*fixture.button);
    QTest::keyPress(fixture.button, Qt::Key_Space);
    // A held key repeats its press, and on some systems its release too.
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(fixture.button, &repeat);
        QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(fixture.button, &repeatRelease);
    }
    QCOMPARE(painted.count(), 1);
    QCOMPARE(fixture.button->face().isDown, true);
    QTest::keyRelease(fixture.button, Qt::Key_Space);
    QCOMPARE(fixture.log, (QStringList{"Click sound=1 url=0", "MouseUp 1 at 0,0 url=1"}));
    QCOMPARE(fixture.doubles.shell.navigated.size(), 1);
    QCOMPARE(fixture.button->face().isDown, false);
}

void tst_XpBs::accessKeyClicksWithoutSound()
{
    Fixture fixture;
    fixture.button->setCaption(QStringLiteral("&About"));
    QVERIFY(QTest::qWaitForWindowActive(&fixture.form));
    PaintCount painted(*fixture.button);
    QTest::keyClick(&fixture.form, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(fixture.log, QStringList{"Click sound=0 url=0"});
    QCOMPARE(painted.count(), 0);
    // Enter on the focused button takes the same way.
    fixture.button->setFocus();
    painted.clear();
    QTest::keyClick(fixture.button, Qt::Key_Return);
    QCOMPARE(fixture.log, (QStringList{"Click sound=0 url=0", "Click sound=0 url=0"}));
    QCOMPARE(painted.count(), 0);
    fixture.log.clear();

    fixture.button->setEnabled(false);
    QTest::keyClick(&fixture.form, Qt::Key_A, Qt::AltModifier);
    QVERIFY(fixture.log.isEmpty()); // a disabled button's key raises nothing
}

void tst_XpBs::focusLostWhileHeldReleases()
{
    Fixture fixture;
    QVERIFY(QTest::qWaitForWindowActive(&fixture.form));
    fixture.button->setFocus();
    QTest::mousePress(fixture.button, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(fixture.button->face().hasFocus, true);
    fixture.button->clearFocus();
    QCOMPARE(fixture.button->face().isDown, false);
    QCOMPARE(fixture.button->face().hasFocus, false);
    QCOMPARE(fixture.face(), platform::toQRgb(platform::GetSysColor(platform::COLOR_BTNFACE)));
}

// Disabled through Qt by its window, the button shows what disabling it
// shows, and its own face again when the window is enabled.
void tst_XpBs::disabledParentShowsTheDisabledFace()
{
    Fixture fixture;
    fixture.button->clearFocus(); // a disabled window takes the focus away
    const QImage enabled = XpBsProbe::image(*fixture.button).copy();
    fixture.button->setEnabled(false);
    const QImage disabled = XpBsProbe::image(*fixture.button).copy();
    QVERIFY(disabled != enabled);
    fixture.button->setEnabled(true);

    fixture.form.setEnabled(false);
    QVERIFY(!fixture.button->Enabled());
    QCOMPARE(XpBsProbe::image(*fixture.button), disabled);
    fixture.form.setEnabled(true);
    QCOMPARE(XpBsProbe::image(*fixture.button), enabled);
}

void tst_XpBs::releaseClicksOnlyInside_data()
{
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<bool>("clicks");
    // 129 x 17: inside is 0 <= X < 129 and 0 <= Y < 17.
    QTest::newRow("top left pixel") << QPointF(0, 0) << true;
    QTest::newRow("last column and row") << QPointF(128.9, 16.9) << true;
    QTest::newRow("right edge") << QPointF(129, 8) << false;
    QTest::newRow("bottom edge") << QPointF(5, 17) << false;
    QTest::newRow("left of it") << QPointF(-0.5, 8) << false;
    QTest::newRow("above it") << QPointF(5, -0.5) << false;
}

void tst_XpBs::releaseClicksOnlyInside()
{
    QFETCH(QPointF, at);
    QFETCH(bool, clicks);
    Fixture fixture;
    QTest::mousePress(fixture.button, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent release(QEvent::MouseButtonRelease, at, fixture.button->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(fixture.button, &release);
    QCOMPARE(fixture.log.filter(QStringLiteral("Click")).size(), clicks ? 1 : 0);
}

void tst_XpBs::mouseEventsCarryTheirArguments()
{
    Fixture fixture;
    fixture.button->underPointer = fixture.button;
    QStringList seen;
    QObject::connect(fixture.button, &XpBs::MouseIn, [&](qint16 &shift) { seen << QStringLiteral("In %1").arg(shift); });
    QObject::connect(fixture.button, &XpBs::MouseOut,
                     [&](qint16 &shift) { seen << QStringLiteral("Out %1").arg(shift); });
    QObject::connect(fixture.button, &XpBs::MouseMove, [&](qint16 &b, qint16 &shift, float &x, float &y) {
        seen << QStringLiteral("Move %1 %2 at %3,%4").arg(b).arg(shift).arg(x).arg(y);
    });

    // In with Ctrl held, pressed with Shift, dragged out while captured
    // (no entry, no change of state), then the pointer leaves: MouseOut
    // carries the Shift of the last press.
    QMouseEvent outside(QEvent::MouseMove, QPointF(-3, 5), fixture.button->mapToGlobal(QPointF(-3, 5)), Qt::NoButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(fixture.button, &outside); // not inside: no entry
    QMouseEvent in(QEvent::MouseMove, QPointF(5, 5), fixture.button->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                   Qt::NoButton, Qt::ControlModifier);
    QApplication::sendEvent(fixture.button, &in);
    QTest::mousePress(fixture.button, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 5));
    QMouseEvent out(QEvent::MouseMove, QPointF(200, 6), fixture.button->mapToGlobal(QPointF(200, 6)), Qt::NoButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(fixture.button, &out);
    QCOMPARE(fixture.button->face().isOver, true);
    fixture.pointerLeaves();
    QCOMPARE(seen, (QStringList{"Move 0 0 at -3,5", "In 2", "Move 0 2 at 5,5", "Move 1 0 at 200,6", "Out 1"}));
}

void tst_XpBs::keyEventsCarryTheirCodes()
{
    Fixture fixture;
    fixture.button->setFocus();
    QStringList seen;
    QObject::connect(fixture.button, &XpBs::KeyDown,
                     [&](qint16 &code, qint16 &shift) { seen << QStringLiteral("Down %1 %2").arg(code).arg(shift); });
    QObject::connect(fixture.button, &XpBs::KeyPress,
                     [&](qint16 &ascii) { seen << QStringLiteral("Press %1").arg(ascii); });
    QObject::connect(fixture.button, &XpBs::KeyUp,
                     [&](qint16 &code, qint16 &shift) { seen << QStringLiteral("Up %1 %2").arg(code).arg(shift); });
    // Keys as the classic codes.
    const std::pair<Qt::Key, int> codes[] = {{Qt::Key_Down, 40}, {Qt::Key_Delete, 46}, {Qt::Key_Escape, 27},
                                             {Qt::Key_F1, 112},  {Qt::Key_0, 48},      {Qt::Key_Home, 36},
                                             {Qt::Key_Insert, 45}};
    for (const auto &[qtKey, code] : codes) {
        QTest::keyClick(fixture.button, qtKey);
        QVERIFY2(seen.contains(QStringLiteral("Down %1 0").arg(code)), qPrintable(seen.join(QLatin1Char(' '))));
    }
    seen.clear();
    QTest::keyClick(fixture.button, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(fixture.button, Qt::Key_Space);
    // The Shift key is a key of its own; the character is the event's text.
    QCOMPARE(seen, (QStringList{"Down 16 1", "Down 65 1", "Press 97", "Up 65 1", "Up 16 0", "Down 32 0", "Press 32",
                                "Up 32 0"}));
}

void tst_XpBs::spaceAmongOtherKeys()
{
    // GIVEN a hovered, focused button with the A key held
    Fixture fixture;
    QVERIFY(QTest::qWaitForWindowActive(&fixture.form));
    fixture.button->setFocus();
    fixture.button->underPointer = fixture.button;
    fixture.move(QPoint(5, 5));
    QTest::keyPress(fixture.button, Qt::Key_A);

    // WHEN the focus goes and comes back, THEN the hover and the held key stay
    fixture.button->clearFocus();
    QCOMPARE(fixture.button->face().isOver, true);
    fixture.button->setFocus();

    // WHEN space goes down while A is still held, THEN it does not press
    QTest::keyPress(fixture.button, Qt::Key_Space);
    QCOMPARE(fixture.button->face().isDown, false);
    // but its release clicks all the same
    QTest::keyRelease(fixture.button, Qt::Key_Space);
    QCOMPARE(fixture.log.filter(QStringLiteral("Click")).size(), 1);

    // WHEN a space comes up whose press went elsewhere, THEN nothing happens
    QTest::keyRelease(fixture.button, Qt::Key_A);
    QTest::keyRelease(fixture.button, Qt::Key_Space);
    QCOMPARE(fixture.log.filter(QStringLiteral("Click")).size(), 1);

    // WHEN space goes down here, the focus leaves before it comes up, and a
    // space pressed elsewhere comes up after the focus came back, THEN that
    // release is not this button's either
    QTest::keyPress(fixture.button, Qt::Key_Space);
    fixture.button->clearFocus();
    fixture.button->setFocus();
    QTest::keyRelease(fixture.button, Qt::Key_Space);
    QCOMPARE(fixture.log.filter(QStringLiteral("Click")).size(), 1);
}

void tst_XpBs::enabledIsToldThenRepaintedWhateverItWas_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::newRow("set to what it is") << true;
    QTest::newRow("changed") << false;
}

void tst_XpBs::enabledIsToldThenRepaintedWhateverItWas()
{
    // GIVEN a style-0 button held down with the pointer gone: released look
    QFETCH(bool, enabled);
    Fixture fixture(QSize(129, 17), 0);
    const QImage pressed = fixture.pressAndLeave();
    QVERIFY(XpBsProbe::image(*fixture.button) != pressed);
    PaintCount painted(*fixture.button);
    int paintedWhenTold = -1;
    QObject::connect(fixture.button, &XpBs::PropertyChanged, [&] { paintedWhenTold = painted.count(); });

    fixture.button->setEnabled(enabled);

    // THEN "Enabled" is told, then the face repainted once, showing the
    // state (losing the focus to a change repaints before, as ever)
    QVERIFY(paintedWhenTold >= 0);
    QCOMPARE(painted.count(), paintedWhenTold + 1);
    if (enabled)
        QCOMPARE(XpBsProbe::image(*fixture.button), pressed);
}

void tst_XpBs::urlRoutes_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("shellOpens");
    QTest::addColumn<int>("navigations");
    QTest::newRow("mailto goes to the shell") << QStringLiteral("mailto:a@b.org") << 1 << 0;
    QTest::newRow("capital MAILTO is a hyperlink") << QStringLiteral("MAILTO:a@b.org") << 0 << 1;
    QTest::newRow("web address") << QStringLiteral("https://example.org/") << 0 << 1;
    QTest::newRow("empty opens nothing") << QString() << 0 << 0;
}

void tst_XpBs::urlRoutes()
{
    QFETCH(QString, url);
    QFETCH(int, shellOpens);
    QFETCH(int, navigations);
    Fixture fixture;
    fixture.button->setURL(url);
    fixture.button->GoToURL();
    QCOMPARE(fixture.doubles.shell.shellOpened.size(), shellOpens);
    QCOMPARE(fixture.doubles.shell.navigated.size(), navigations);
    if (shellOpens)
        QCOMPARE(fixture.doubles.shell.shellWindows.front(), &fixture.form);
}

void tst_XpBs::styleTwoStateColours_data()
{
    QTest::addColumn<bool>("classic");
    QTest::addColumn<QRgb>("hover");
    QTest::addColumn<QRgb>("pressed");
    // Highlight 10, 36, 106 and 49, 106, 197; parts above 255 held at 255.
    QTest::newRow("classic highlight") << true << qRgb(181, 190, 214) << qRgb(166, 175, 214);
    QTest::newRow("blue highlight") << false << qRgb(220, 255, 255) << qRgb(205, 245, 255);
}

void tst_XpBs::styleTwoStateColours()
{
    QFETCH(bool, classic);
    QFETCH(QRgb, hover);
    QFETCH(QRgb, pressed);
    platform::setColorScheme(classic ? platform::ColorScheme::Classic : platform::ColorScheme::XpBlue);
    Fixture fixture;
    fixture.button->underPointer = fixture.button;
    QCOMPARE(fixture.face(), platform::toQRgb(platform::GetSysColor(platform::COLOR_BTNFACE)));
    fixture.move(QPoint(5, 5));
    QCOMPARE(fixture.face(), hover);
    QTest::mousePress(fixture.button, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(fixture.face(), pressed);

    // With the defaults off, the two colours of the button itself.
    fixture.button->setXPDefaultColors(false);
    fixture.button->setXPColor_Pressed(0x00123456);
    fixture.button->Refresh();
    QCOMPARE(fixture.face(), platform::toQRgb(0x00123456));
}

void tst_XpBs::styleTwoBorderOnlyWhileHovered()
{
    Fixture fixture;
    fixture.button->setForeColor(0x000000FF); // red
    const QRgb red = qRgb(255, 0, 0);
    QVERIFY(XpBsProbe::image(*fixture.button).pixel(0, 8) != red);
    fixture.button->underPointer = fixture.button;
    fixture.move(QPoint(5, 5));
    for (const QPoint corner : {QPoint(0, 0), QPoint(128, 0), QPoint(0, 16), QPoint(128, 16), QPoint(60, 0)})
        QCOMPARE(XpBsProbe::image(*fixture.button).pixel(corner), red);
    fixture.pointerLeaves();
    QVERIFY(XpBsProbe::image(*fixture.button).pixel(0, 8) != red);
    fixture.button->setXPShowBorderAlways(true);
    fixture.button->Refresh();
    QCOMPARE(XpBsProbe::image(*fixture.button).pixel(0, 8), red);
}

void tst_XpBs::focusRectanglePerStyle_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("dotted");
    QTest::newRow("raised") << 0 << true;
    QTest::newRow("flat") << 1 << true;
    QTest::newRow("coloured flat") << 2 << true;
    QTest::newRow("xp shows focus with its face") << 3 << false;
    QTest::newRow("no border") << 4 << true;
}

void tst_XpBs::focusRectanglePerStyle()
{
    QFETCH(int, style);
    QFETCH(bool, dotted);
    Fixture fixture(QSize(129, 30), style);
    fixture.button->setCaption(QString());
    fixture.button->setBackColor(0xFFFFFF);
    QVERIFY(QTest::qWaitForWindowActive(&fixture.form));
    fixture.button->clearFocus(); // the only control takes the focus when its window opens
    const QImage before = XpBsProbe::image(*fixture.button);
    fixture.button->setFocus();
    QCOMPARE(fixture.button->face().hasFocus, true);
    const QImage after = XpBsProbe::image(*fixture.button);
    // The frame stands 4 pixels in; along its top row every other pixel is
    // inverted, by the parity of x + y.
    int inverted = 0;
    for (int x = 4; x < 125; ++x) {
        if (after.pixel(x, 4) != before.pixel(x, 4)) {
            ++inverted;
            QCOMPARE((x + 4) % 2, 1);
            QCOMPARE(after.pixel(x, 4) & 0xFFFFFF, ~before.pixel(x, 4) & 0xFFFFFF);
        }
    }
    if (dotted) {
        QCOMPARE(inverted, 60);
        QCOMPARE(after.pixel(3, 3), before.pixel(3, 3));
    } else {
        QCOMPARE(inverted, 0);
    }
}

void tst_XpBs::focusRectangleLiesUnderTheCaption()
{
    // A caption taller than the button crosses the focus rectangle's top
    // row; drawn after the rectangle, its pixels keep their colour.
    Fixture fixture(QSize(129, 17), 4);
    platform::StdFont big;
    big.setName(QStringLiteral("Arial"));
    big.setSize(20);
    big.setBold(true);
    fixture.button->setFont(big);
    fixture.button->setCaption(QStringLiteral("MMMMMMMM"));
    fixture.button->setBackColor(0xFFFFFF);
    fixture.button->setForeColor(0x0000FF);
    QVERIFY(QTest::qWaitForWindowActive(&fixture.form));
    fixture.button->clearFocus();
    const QImage before = XpBsProbe::image(*fixture.button);
    fixture.button->setFocus();
    const QImage after = XpBsProbe::image(*fixture.button);
    const QRgb red = qRgb(255, 0, 0);
    int underTheCaption = 0;
    int inverted = 0;
    for (int x = 4; x < 125; ++x) {
        if (before.pixel(x, 4) == red && (x + 4) % 2 == 1) {
            ++underTheCaption;
            QCOMPARE(after.pixel(x, 4), red);
        }
        inverted += after.pixel(x, 4) != before.pixel(x, 4) ? 1 : 0;
    }
    QVERIFY(underTheCaption > 0);
    QVERIFY(inverted > 0); // the rectangle is there where the caption is not
}

void tst_XpBs::tinyButtonGrowsToTenPixels()
{
    Fixture fixture;
    fixture.button->resize(5, 5);
    QCOMPARE(fixture.button->size(), QSize(10, 10));
    fixture.button->resize(40, 3);
    QCOMPARE(fixture.button->size(), QSize(40, 10));
}

void tst_XpBs::styleThreeRegionCutsTwelvePixels()
{
    Fixture fixture(QSize(75, 23), 3);
    const QRegion region = XpBsProbe::region(*fixture.button);
    int missing = 0;
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 75; ++x)
            missing += region.contains(QPoint(x, y)) ? 0 : 1;
    }
    QCOMPARE(missing, 12);
    for (const QPoint cut : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(73, 0), QPoint(74, 0), QPoint(74, 1),
                             QPoint(0, 22), QPoint(1, 22), QPoint(0, 21), QPoint(73, 22), QPoint(74, 22),
                             QPoint(74, 21)})
        QVERIFY(!region.contains(cut));
    QCOMPARE(fixture.button->mask(), region);
}

void tst_XpBs::repaintTriggers_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<bool>("repaints");
    for (const char *name : {"Enabled", "ShowFocusRect", "Caption", "PicturePosition", "Picture", "PictureWidth",
                             "PictureHeight", "PictureSize", "BackColor", "ForeColor", "MaskColor", "TransparentBG",
                             "BEVEL", "BEVELDEPTH", "ButtonStyle"})
        QTest::newRow(name) << QString::fromLatin1(name) << true;
    for (const char *name : {"XPDefaultColors", "XPColor_Hover", "XPColor_Pressed", "XPShowBorderAlways",
                             "PictureHover", "URL", "SoundClick", "SoundOver", "DefCurHand", "MousePointer"})
        QTest::newRow(name) << QString::fromLatin1(name) << false;
}

void tst_XpBs::repaintTriggers()
{
    QFETCH(QString, property);
    QFETCH(bool, repaints);
    Fixture fixture;
    XpBs &b = *fixture.button;
    PaintCount painted(b);
    QSignalSpy notified(&b, &XpBs::PropertyChanged);
    const std::map<QString, std::function<void()>> setters = {
        {"Enabled", [&] { b.setEnabled(false); }},
        {"ShowFocusRect", [&] { b.setShowFocusRect(false); }},
        {"Caption", [&] { b.setCaption(QStringLiteral("x")); }},
        {"PicturePosition", [&] { b.setPicturePosition(0); }},
        {"Picture", [&] { b.setPicture(platform::EmptyPicture()); }},
        {"PictureWidth", [&] { b.setPictureWidth(5); }},
        {"PictureHeight", [&] { b.setPictureHeight(5); }},
        {"PictureSize", [&] { b.setPictureSize(0); }},
        {"BackColor", [&] { b.setBackColor(0xFF); }},
        {"ForeColor", [&] { b.setForeColor(0xFF); }},
        {"MaskColor", [&] { b.setMaskColor(0xFF); }},
        {"TransparentBG", [&] { b.setTransparentBG(true); }},
        {"BEVEL", [&] { b.setBEVEL(2); }},
        {"BEVELDEPTH", [&] { b.setBEVELDEPTH(2); }},
        {"ButtonStyle", [&] { b.setButtonStyle(0); }},
        {"XPDefaultColors", [&] { b.setXPDefaultColors(false); }},
        {"XPColor_Hover", [&] { b.setXPColor_Hover(0xFF); }},
        {"XPColor_Pressed", [&] { b.setXPColor_Pressed(0xFF); }},
        {"XPShowBorderAlways", [&] { b.setXPShowBorderAlways(true); }},
        {"PictureHover", [&] { b.setPictureHover(platform::EmptyPicture()); }},
        {"URL", [&] { b.setURL(QStringLiteral("u")); }},
        {"SoundClick", [&] { b.setSoundClick(QStringLiteral("s")); }},
        {"SoundOver", [&] { b.setSoundOver(QStringLiteral("s")); }},
        {"DefCurHand", [&] { b.setDefCurHand(true); }},
        {"MousePointer", [&] { b.setMousePointer(2); }},
    };
    setters.at(property)();
    QCOMPARE(painted.count() > 0, repaints);
    QCOMPARE(notified.at(0).at(0).toString(), property);
}

void tst_XpBs::hoverColourShowsOnlyAtTheNextRepaint()
{
    Fixture fixture;
    fixture.button->setXPDefaultColors(false);
    fixture.button->underPointer = fixture.button;
    fixture.move(QPoint(5, 5));
    QCOMPARE(fixture.button->face().isOver, true);
    const QRgb shown = fixture.face();
    fixture.button->setXPColor_Hover(0x0000FF00);
    QCOMPARE(fixture.face(), shown);
    fixture.button->Refresh();
    QCOMPARE(fixture.face(), qRgb(0, 255, 0));
}

void tst_XpBs::transparentFaceShowsTheContainerPicture()
{
    Fixture fixture;
    QImage picture(300, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 300; ++x)
            picture.setPixel(x, y, qRgb(x % 256, y, 77));
    }
    fixture.form.setProperty("Picture", picture);
    fixture.button->setCaption(QString());
    fixture.button->setTransparentBG(true);
    QCOMPARE(XpBsProbe::image(*fixture.button).pixel(20, 3), picture.pixel(30, 13)); // the button stands at 10, 10
    fixture.button->underPointer = fixture.button;
    fixture.move(QPoint(5, 5));
    QCOMPARE(XpBsProbe::image(*fixture.button).pixel(20, 3), qRgb(220, 255, 255)); // hovered: the hover colour
}

void tst_XpBs::reportsItselfAsAPushButton()
{
    Fixture fixture;
    fixture.button->setCaption(QStringLiteral("Save && E&xit"));
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(fixture.button);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Button);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Save & Exit"));
    QAccessibleActionInterface *actions = accessible->actionInterface();
    QVERIFY(actions);
    actions->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(fixture.log.isEmpty()); // the action answers at once; the click follows
    QTRY_COMPARE(fixture.log, QStringList{"Click sound=0 url=0"});
}

QTEST_MAIN(tst_XpBs)
#include "tst_xpbs.moc"
