#include "platform/forms/PropertyBag.h"
#include "platform/host/Services.h"
#include "support/FormMessages.h"

#include <QDir>
#include <QImageWriter>
#include <QJsonObject>
#include <QJsonValue>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include "support/PropertyValues.h"

#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {

using namespace testing;

bool writeImage(const QString &path, int width, int height, const char *format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(qRgb(10, 200, 30));
    QImageWriter writer(path, format);
    return writer.write(image);
}

} // namespace

class tst_PropertyBag : public QObject {
    Q_OBJECT

private slots:
    void writeStoresOnlyValuesThatDifferFromTheDefault_data();
    void writeStoresOnlyValuesThatDifferFromTheDefault();
    void writingTheDefaultRemovesAnEarlierValue();
    void keysIgnoreCaseAndAreKeptInLowerCase();
    void keysKeepTheOrderOfFirstWriting();
    void readOfAMissingKeyGivesTheDefault_data();
    void readOfAMissingKeyGivesTheDefault();
    void readConvertsToTheTypeOfTheDefault_data();
    void readConvertsToTheTypeOfTheDefault();
    void readOfAWrongTypeGivesTheDefaultAndOneMessage_data();
    void readOfAWrongTypeGivesTheDefaultAndOneMessage();
    void wrongTypeMessageNamesFileControlAndKey();
    void keyReadTwiceWithAWrongTypeIsReportedOnce();
    void messagesGoToStandardErrorByDefault();
    void writeOfAnUnsupportedTypeStoresNothing();
    void unreadKeysAreThoseNoReadAskedFor();
    void readsThroughACopyCountAsRead();
    void unreadKeysAreReportedOncePerKey();
    void loadPictureTellsBitmapsFromIcons_data();
    void loadPictureTellsBitmapsFromIcons();
    void loadPictureGivesHimetricSizeRoundedHalfToEven_data();
    void loadPictureGivesHimetricSizeRoundedHalfToEven();
    void loadPictureOfABadFileGivesAnEmptyPictureObject_data();
    void loadPictureOfABadFileGivesAnEmptyPictureObject();
    void loadPictureFindsRelativePathsInTheCurrentDirectory();
    void loadPictureFindsRelativePathsInTheResourceFolder();
    void emptyPicturesAreDistinctObjects();
    void fontSpecGivesAQtFontWithItsStyles();
};

void tst_PropertyBag::writeStoresOnlyValuesThatDifferFromTheDefault_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<bool>("stored");

    const Picture shared = EmptyPicture();

    QTest::newRow("True vs 16-bit default 1") << boolean(true) << i16(1) << false;
    QTest::newRow("False vs 16-bit default 0") << boolean(false) << i16(0) << false;
    QTest::newRow("False vs 16-bit default 1") << boolean(false) << i16(1) << true;
    QTest::newRow("True vs 16-bit default 0") << boolean(true) << i16(0) << true;
    QTest::newRow("True vs default True") << boolean(true) << boolean(true) << false;
    QTest::newRow("16-bit -1 vs default True") << i16(-1) << boolean(true) << false;
    QTest::newRow("16-bit 0 vs default 1") << i16(0) << i16(1) << true;
    QTest::newRow("16-bit 0 vs default 32") << i16(0) << i16(32) << true;
    QTest::newRow("16-bit equal") << i16(2) << i16(2) << false;
    QTest::newRow("32-bit equal to a 16-bit default") << i32(8) << i16(8) << false;
    QTest::newRow("32-bit 100 vs default 100") << i32(100) << i32(100) << false;
    QTest::newRow("32-bit 101 vs default 100") << i32(101) << i32(100) << true;
    QTest::newRow("string equal") << text(QStringLiteral(".\\resources\\click.wav"))
                                  << text(QStringLiteral(".\\resources\\click.wav")) << false;
    QTest::newRow("empty string vs empty default") << text(QString()) << text(QStringLiteral("")) << false;
    QTest::newRow("string differing in case") << text(QStringLiteral("XpBs1")) << text(QStringLiteral("xpbs1")) << true;
    QTest::newRow("string vs empty default") << text(QStringLiteral("mailto:a@b")) << text(QString()) << true;
    QTest::newRow("colour equal") << colour(0x8000000F) << colour(0x8000000F) << false;
    QTest::newRow("colour differs") << colour(0x00FFFFFF) << colour(0x8000000F) << true;
    QTest::newRow("black vs 16-bit default 0") << colour(0) << i16(0) << false;
    QTest::newRow("red vs 16-bit default 0") << colour(0x0000FF) << i16(0) << true;
    QTest::newRow("font equal field by field") << font(verdana()) << font(verdana()) << false;
    FontSpec bold = verdana();
    bold.bold = true;
    QTest::newRow("font differing in bold") << font(bold) << font(verdana()) << true;
    FontSpec larger = verdana();
    larger.size = 9.0;
    QTest::newRow("font differing in size") << font(larger) << font(verdana()) << true;
    QTest::newRow("picture none vs none") << picture(nullptr) << picture(nullptr) << false;
    QTest::newRow("empty picture object vs none") << picture(EmptyPicture()) << picture(nullptr) << true;
    QTest::newRow("same picture object") << picture(shared) << picture(shared) << false;
    QTest::newRow("two empty picture objects") << picture(EmptyPicture()) << picture(EmptyPicture()) << true;
    QTest::newRow("no default given") << i16(0) << QVariant() << true;
}

void tst_PropertyBag::writeStoresOnlyValuesThatDifferFromTheDefault()
{
    QFETCH(QVariant, value);
    QFETCH(QVariant, defaultValue);
    QFETCH(bool, stored);

    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Key"), value, defaultValue);

    QCOMPARE(bag.contains(QStringLiteral("key")), stored);
    if (stored)
        QVERIFY2(sameValue(bag.value(QStringLiteral("key")), value), qPrintable(describe(bag.value("key"))));
}

void tst_PropertyBag::writingTheDefaultRemovesAnEarlierValue()
{
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("ButtonStyle"), i16(3), i16(2));
    bag.WriteProperty(QStringLiteral("Caption"), text(QStringLiteral("&Close")), text(QStringLiteral("XpBs2")));
    bag.WriteProperty(QStringLiteral("ButtonStyle"), i16(2), i16(2));

    QCOMPARE(bag.keys(), QStringList{QStringLiteral("caption")});
    QCOMPARE(bag.ReadProperty(QStringLiteral("ButtonStyle"), i16(7)), i16(7));
}

void tst_PropertyBag::keysIgnoreCaseAndAreKeptInLowerCase()
{
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("XPColor_Hover"), colour(0x00FF0000), colour(0x80000016));
    bag.WriteProperty(QStringLiteral("xpcolor_HOVER"), colour(0x0000FF00), colour(0x80000016));

    QCOMPARE(bag.keys(), QStringList{QStringLiteral("xpcolor_hover")});
    QVERIFY(bag.contains(QStringLiteral("XPCOLOR_HOVER")));
    QCOMPARE(bag.ReadProperty(QStringLiteral("XpColor_Hover"), colour(0x80000016)), colour(0x0000FF00));
}

void tst_PropertyBag::keysKeepTheOrderOfFirstWriting()
{
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Caption"), text(QStringLiteral("a")), text(QString()));
    bag.WriteProperty(QStringLiteral("ButtonStyle"), i16(3), i16(2));
    bag.WriteProperty(QStringLiteral("BackColor"), colour(0xFFFFFF), colour(0x8000000F));
    bag.WriteProperty(QStringLiteral("Caption"), text(QStringLiteral("b")), text(QString()));

    const QStringList expected{QStringLiteral("caption"), QStringLiteral("buttonstyle"), QStringLiteral("backcolor")};
    QCOMPARE(bag.keys(), expected);
}

void tst_PropertyBag::readOfAMissingKeyGivesTheDefault_data()
{
    QTest::addColumn<QVariant>("defaultValue");

    QTest::newRow("16-bit") << i16(32);
    QTest::newRow("32-bit") << i32(100);
    QTest::newRow("colour") << colour(0x80000012);
    QTest::newRow("Boolean") << boolean(true);
    QTest::newRow("string") << text(QStringLiteral(".\\resources\\over.wav"));
    QTest::newRow("font") << font(verdana());
    QTest::newRow("no picture") << picture(nullptr);
    QTest::newRow("empty picture object") << picture(EmptyPicture());
}

void tst_PropertyBag::readOfAMissingKeyGivesTheDefault()
{
    QFETCH(QVariant, defaultValue);
    testing::FormMessages messages;
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Other"), i16(5), i16(0));

    const QVariant result = bag.ReadProperty(QStringLiteral("Missing"), defaultValue);

    QVERIFY2(sameValue(result, defaultValue), qPrintable(describe(result)));
    QVERIFY(messages.lines.isEmpty());
}

void tst_PropertyBag::readConvertsToTheTypeOfTheDefault_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("32-bit into 16-bit") << i32(3) << i16(2) << i16(3);
    QTest::newRow("16-bit limit") << i32(-32768) << i16(0) << i16(-32768);
    QTest::newRow("16-bit into 32-bit") << i16(-7) << i32(0) << i32(-7);
    QTest::newRow("2 into Boolean") << i16(2) << boolean(false) << boolean(true);
    QTest::newRow("0 into Boolean") << i32(0) << boolean(true) << boolean(false);
    QTest::newRow("32-bit into colour") << i32(0xFFFFFF) << colour(0x8000000F) << colour(0xFFFFFF);
    QTest::newRow("-1 into colour") << i16(-1) << colour(0) << colour(0xFFFFFFFF);
    QTest::newRow("string stays string") << text(QStringLiteral("&About")) << text(QStringLiteral("XpBs1"))
                                         << text(QStringLiteral("&About"));
}

void tst_PropertyBag::readConvertsToTheTypeOfTheDefault()
{
    QFETCH(QVariant, stored);
    QFETCH(QVariant, defaultValue);
    QFETCH(QVariant, expected);
    testing::FormMessages messages;
    PropertyBag bag;
    bag.insert(QStringLiteral("key"), stored);

    const QVariant result = bag.ReadProperty(QStringLiteral("key"), defaultValue);

    QVERIFY2(sameValue(result, expected), qPrintable(describe(result)));
    QVERIFY(messages.lines.isEmpty());
}

void tst_PropertyBag::readOfAWrongTypeGivesTheDefaultAndOneMessage_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<QString>("expectedType");

    QTest::newRow("string for 16-bit") << text(QStringLiteral("three")) << i16(2) << "a 16-bit integer";
    QTest::newRow("digits for 16-bit") << text(QStringLiteral("3")) << i16(2) << "a 16-bit integer";
    QTest::newRow("above 16-bit range") << i32(32768) << i16(0) << "a 16-bit integer";
    QTest::newRow("below 16-bit range") << i32(-32769) << i16(0) << "a 16-bit integer";
    QTest::newRow("colour for 16-bit") << colour(0x8000000F) << i16(0) << "a 16-bit integer";
    // A Boolean is no number, a number no text, and a 32-bit integer is
    // signed: only a colour takes the pattern of a system colour.
    QTest::newRow("True for 16-bit") << boolean(true) << i16(1) << "a 16-bit integer";
    QTest::newRow("system colour for 32-bit") << colour(0x80000012) << i32(0) << "a 32-bit integer";
    QTest::newRow("number for string") << i32(42) << text(QString()) << "a string";
    QTest::newRow("beyond 16 bits for Boolean") << i32(40000) << boolean(false) << "a Boolean";
    QTest::newRow("font for 32-bit") << font(verdana()) << i32(0) << "a 32-bit integer";
    QTest::newRow("string for colour") << text(QStringLiteral("white")) << colour(0x8000000F) << "a colour";
    QTest::newRow("picture for Boolean") << picture(EmptyPicture()) << boolean(true) << "a Boolean";
    QTest::newRow("font for string") << font(verdana()) << text(QStringLiteral("XpBs1")) << "a string";
    QTest::newRow("Boolean for string") << boolean(true) << text(QStringLiteral("XpBs1")) << "a string";
    QTest::newRow("raw object for string") << QVariant::fromValue(QJsonValue(QJsonObject{{"a", 1}}))
                                           << text(QStringLiteral("XpBs1")) << "a string";
    QTest::newRow("string for font") << text(QStringLiteral("Verdana")) << font(verdana()) << "a font";
    QTest::newRow("string for picture") << text(QStringLiteral("logo.bmp")) << picture(nullptr) << "a picture";
    QTest::newRow("number for picture") << i16(0) << picture(nullptr) << "a picture";
}

void tst_PropertyBag::readOfAWrongTypeGivesTheDefaultAndOneMessage()
{
    QFETCH(QVariant, stored);
    QFETCH(QVariant, defaultValue);
    QFETCH(QString, expectedType);
    testing::FormMessages messages;
    PropertyBag bag;
    bag.setContext(QStringLiteral("forms/frmtest.json"), QStringLiteral("Button7"));
    bag.insert(QStringLiteral("SomeKey"), stored);

    const QVariant result = bag.ReadProperty(QStringLiteral("somekey"), defaultValue);

    QVERIFY2(sameValue(result, defaultValue), qPrintable(describe(result)));
    QCOMPARE(messages.lines.size(), 1);
    const QString &line = messages.lines.first();
    QVERIFY2(line.contains(QStringLiteral("forms/frmtest.json")), qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral("control Button7")), qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral("key \"somekey\"")), qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral("expected ") + expectedType), qPrintable(line));
}

void tst_PropertyBag::wrongTypeMessageNamesFileControlAndKey()
{
    testing::FormMessages messages;
    PropertyBag bag;
    bag.setContext(QStringLiteral("app/forms/frmmain.json"), QStringLiteral("XpBs2"));
    bag.insert(QStringLiteral("buttonstyle"), text(QStringLiteral("3")));

    bag.ReadProperty(QStringLiteral("ButtonStyle"), i16(2));

    QCOMPARE(messages.lines, QStringList{QStringLiteral(
                                 "tessaly: app/forms/frmmain.json: control XpBs2: key \"buttonstyle\": "
                                 "expected a 16-bit integer, using the default")});
}

void tst_PropertyBag::keyReadTwiceWithAWrongTypeIsReportedOnce()
{
    // The button reads "Font" and "Picture" twice each.
    testing::FormMessages messages;
    PropertyBag bag;
    bag.insert(QStringLiteral("font"), text(QStringLiteral("Verdana")));

    QCOMPARE(bag.ReadProperty(QStringLiteral("Font"), font(verdana())).value<FontSpec>(), verdana());
    QCOMPARE(bag.ReadProperty(QStringLiteral("Font"), font(verdana())).value<FontSpec>(), verdana());

    QCOMPARE(messages.lines.size(), 1);
}

void tst_PropertyBag::messagesGoToStandardErrorByDefault()
{
    QTemporaryFile capture;
    QVERIFY(capture.open());
    std::fflush(stderr);
    const int savedError = dup(STDERR_FILENO);
    QVERIFY(savedError >= 0);
    QVERIFY(dup2(capture.handle(), STDERR_FILENO) >= 0);

    PropertyBag bag;
    bag.setContext(QStringLiteral("frmabt.json"), QStringLiteral("XpBs2"));
    bag.insert(QStringLiteral("caption"), font(verdana()));
    bag.ReadProperty(QStringLiteral("Caption"), text(QStringLiteral("XpBs2")));

    std::fflush(stderr);
    dup2(savedError, STDERR_FILENO);
    close(savedError);
    QFile written(capture.fileName());
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(),
             QByteArray("tessaly: frmabt.json: control XpBs2: key \"caption\": expected a string, using the default\n"));
}

void tst_PropertyBag::writeOfAnUnsupportedTypeStoresNothing()
{
    testing::FormMessages messages;
    PropertyBag bag;

    bag.WriteProperty(QStringLiteral("Size"), QVariant::fromValue(8.25), i16(0));
    bag.WriteProperty(QStringLiteral("Nothing"), QVariant(), i16(0));

    QVERIFY(bag.isEmpty());
    QCOMPARE(messages.lines.size(), 2);
}

void tst_PropertyBag::unreadKeysAreThoseNoReadAskedFor()
{
    PropertyBag bag;
    bag.insert(QStringLiteral("caption"), text(QStringLiteral("&About")));
    bag.insert(QStringLiteral("bogus"), i32(1));
    bag.insert(QStringLiteral("mousepointer"), i32(99));

    bag.ReadProperty(QStringLiteral("Caption"), text(QStringLiteral("XpBs1")));
    bag.ReadProperty(QStringLiteral("MousePointer"), text(QStringLiteral("wrong type still counts as read")));
    bag.ReadProperty(QStringLiteral("Absent"), i16(0));

    QCOMPARE(bag.unreadKeys(), QStringList{QStringLiteral("bogus")});
}

void tst_PropertyBag::readsThroughACopyCountAsRead()
{
    PropertyBag stored;
    stored.insert(QStringLiteral("caption"), text(QStringLiteral("&About")));
    stored.insert(QStringLiteral("url"), text(QStringLiteral("mailto:a@b")));

    PropertyBag handedOut = stored;
    handedOut.ReadProperty(QStringLiteral("URL"), text(QString()));

    QCOMPARE(stored.unreadKeys(), QStringList{QStringLiteral("caption")});
}

void tst_PropertyBag::unreadKeysAreReportedOncePerKey()
{
    testing::FormMessages messages;
    PropertyBag bag;
    bag.setContext(QStringLiteral("frmmain.json"), QStringLiteral("XpBs1"), QStringLiteral("vorlenta.XpBs"));
    bag.insert(QStringLiteral("caption"), text(QStringLiteral("&About")));
    bag.insert(QStringLiteral("colour"), colour(0));
    bag.insert(QStringLiteral("sizee"), i32(3));
    bag.ReadProperty(QStringLiteral("caption"), text(QString()));

    bag.reportUnreadKeys();
    bag.reportUnreadKeys();

    QCOMPARE(messages.lines.size(), 2);
    QVERIFY2(messages.lines.at(0).contains(QStringLiteral("frmmain.json: control XpBs1: key \"colour\"")),
             qPrintable(messages.lines.at(0)));
    QVERIFY2(messages.lines.at(1).contains(QStringLiteral("key \"sizee\"")), qPrintable(messages.lines.at(1)));
}

void tst_PropertyBag::loadPictureTellsBitmapsFromIcons_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("type");

    QTest::newRow("bmp") << "logo.bmp" << QByteArray("bmp") << int(PictureData::Bitmap);
    QTest::newRow("png") << "logo.png" << QByteArray("png") << int(PictureData::Bitmap);
    QTest::newRow("ico") << "app.ico" << QByteArray("ico") << int(PictureData::Icon);
    QTest::newRow("ICO in capitals") << "APP.ICO" << QByteArray("ico") << int(PictureData::Icon);
}

void tst_PropertyBag::loadPictureTellsBitmapsFromIcons()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, format);
    QFETCH(int, type);
    QTemporaryDir folder;
    const QString path = folder.filePath(fileName);
    QVERIFY(writeImage(path, 16, 16, format.constData()));

    const Picture loaded = LoadPicture(path);

    QVERIFY(loaded);
    QCOMPARE(loaded->type, type);
    QCOMPARE(loaded->image.size(), QSize(16, 16));
    QCOMPARE(QColor(loaded->image.pixel(3, 4)), QColor(10, 200, 30));
}

void tst_PropertyBag::loadPictureGivesHimetricSizeRoundedHalfToEven_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("widthHimetric");
    QTest::addColumn<int>("heightHimetric");

    // 2540 HIMETRIC to the inch, 96 pixels to the inch.
    QTest::newRow("32 x 16") << 32 << 16 << 847 << 423;
    QTest::newRow("1 x 96") << 1 << 96 << 26 << 2540;
    QTest::newRow("12 x 36, both halves") << 12 << 36 << 318 << 952;
}

void tst_PropertyBag::loadPictureGivesHimetricSizeRoundedHalfToEven()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, widthHimetric);
    QFETCH(int, heightHimetric);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("picture.bmp"));
    QVERIFY(writeImage(path, width, height, "bmp"));

    const Picture loaded = LoadPicture(path);

    QVERIFY(loaded);
    QCOMPARE(loaded->widthHimetric, widthHimetric);
    QCOMPARE(loaded->heightHimetric, heightHimetric);
}

void tst_PropertyBag::loadPictureOfABadFileGivesAnEmptyPictureObject_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("contents");

    QTest::newRow("text named .bmp") << "broken.bmp" << QByteArray("not a bitmap at all");
    QTest::newRow("empty .ico") << "broken.ico" << QByteArray();
    QTest::newRow("truncated png") << "broken.png" << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10);
    QTest::newRow("missing file") << "absent.bmp" << QByteArray();
}

void tst_PropertyBag::loadPictureOfABadFileGivesAnEmptyPictureObject()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, contents);
    QTemporaryDir folder;
    const QString path = folder.filePath(fileName);
    if (QTest::currentDataTag() != QByteArray("missing file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    const Picture loaded = LoadPicture(path);

    QVERIFY(loaded);
    QCOMPARE(loaded->type, int(PictureData::Empty));
    QVERIFY(loaded->image.isNull());
    QCOMPARE(loaded->source, path);
}

void tst_PropertyBag::loadPictureFindsRelativePathsInTheCurrentDirectory()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("art")));
    QVERIFY(writeImage(folder.filePath(QStringLiteral("art/mark.bmp")), 5, 7, "bmp"));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));

    const Picture forward = LoadPicture(QStringLiteral("art/mark.bmp"));
    const Picture backslash = LoadPicture(QStringLiteral(".\\art\\mark.bmp"));

    QDir::setCurrent(previous);
    QCOMPARE(forward->image.size(), QSize(5, 7));
    QCOMPARE(backslash->image.size(), QSize(5, 7));
}

void tst_PropertyBag::loadPictureFindsRelativePathsInTheResourceFolder()
{
    // Any picture the program ships will do; the folder is not ours to write.
    const QDir resources(platform::resourceFolder());
    const QStringList pictures =
        resources.entryList({QStringLiteral("*.bmp"), QStringLiteral("*.png"), QStringLiteral("*.ico"),
                             QStringLiteral("*.gif"), QStringLiteral("*.jpg")},
                            QDir::Files);
    if (pictures.isEmpty())
        QSKIP("the resource folder holds no picture yet");
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));

    const Picture loaded = LoadPicture(pictures.first());
    const Picture prefixed = LoadPicture(QStringLiteral(".\\resources\\") + pictures.first());

    QDir::setCurrent(previous);
    QVERIFY(!loaded->image.isNull());
    QVERIFY(!prefixed->image.isNull());
}

void tst_PropertyBag::emptyPicturesAreDistinctObjects()
{
    const Picture first = EmptyPicture();
    const Picture second = EmptyPicture();

    QVERIFY(first && second);
    QVERIFY(first != second);
    QCOMPARE(first->type, int(PictureData::Empty));
    QVERIFY(first->image.isNull());
    QVERIFY(QVariant::fromValue(first) != QVariant::fromValue(second));
    QVERIFY(QVariant::fromValue(first) == QVariant::fromValue(first));
}

void tst_PropertyBag::fontSpecGivesAQtFontWithItsStyles()
{
    const FontSpec fontSpec{QStringLiteral("Verdana"), 8.25, true, false, true, true};

    const QFont qtFont = fontSpec.toQFont();

    // 8.25 points at 96 dpi are 11 pixels.
    QCOMPARE(qtFont.pixelSize(), 11);
    QCOMPARE(qtFont.family(), QStringLiteral("Verdana"));
    QVERIFY(qtFont.bold());
    QVERIFY(!qtFont.italic());
    QVERIFY(qtFont.underline());
    QVERIFY(qtFont.strikeOut());
}

QTEST_MAIN(tst_PropertyBag)
#include "tst_propertybag.moc"
