#include "platform/forms/FormData.h"
#include "platform/host/Services.h"
#include "support/FormMessages.h"

#include <QDir>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include "support/PropertyValues.h"

#include <QtTest>

using platform::FormData;

namespace {

using namespace testing;

FontSpec sansSerif()
{
    return FontSpec{QStringLiteral("MS Sans Serif"), 8.25, false, false, false, false};
}

QImage sampleImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 20, y * 30, 200, x == y ? 0 : 255));
    }
    return image;
}

QJsonObject propertiesIn(const QByteArray &json, int controlIndex)
{
    return QJsonDocument::fromJson(json)
        .object()
        .value(QStringLiteral("controls"))
        .toArray()
        .at(controlIndex)
        .toObject()
        .value(QStringLiteral("properties"))
        .toObject();
}

const QByteArray kHandWritten = R"({
    "form": "frmmain",
    "controls": [
        { "name": "XpBs2", "class": "vorlenta.XpBs",
          "properties": { "caption": "Randomize Case",
                          "Font": { "name": "Verdana", "size": 8.25, "bold": false, "italic": false,
                                    "underline": false, "strikethrough": false },
                          "mousepointer": 99 } },
        { "name": "pb", "class": "vorlenta.Xp_ProgressBar", "properties": {} }
    ]
})";

} // namespace

class tst_FormData : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTripKeepsEveryValue_data();
    void roundTripKeepsEveryValue();
    void roundTripKeepsFormControlsAndClasses();
    void savedFormHoldsOnlyChangedKeysInLowerCase();
    void valuesAreWrittenReadably_data();
    void valuesAreWrittenReadably();
    void picturesInTheResourceFolderAreStoredRelativeToIt();
    void resourcePictureSurvivesARoundTrip();
    void readsHandWrittenFormData();
    void malformedFileGivesEmptyBagsAndOneMessage_data();
    void malformedFileGivesEmptyBagsAndOneMessage();
    void unreadableFileGivesEmptyBagsAndOneMessage();
    void badControlEntryIsSkippedWithOneMessage_data();
    void badControlEntryIsSkippedWithOneMessage();
    void badValueInTheFileFallsBackToTheDefault_data();
    void badValueInTheFileFallsBackToTheDefault();
    void unknownControlGetsAnEmptyBag();
    void controlStoredAsAnotherClassGetsAnEmptyBag();
    void unreadKeysAndUnclaimedControlsAreReportedOnce();

private:
    QTemporaryDir m_folder;
    QString m_bitmapPath;
    QString m_iconPath;
    QString m_brokenPath;
};

void tst_FormData::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_bitmapPath = m_folder.filePath(QStringLiteral("face.bmp"));
    m_iconPath = m_folder.filePath(QStringLiteral("cursor.ico"));
    m_brokenPath = m_folder.filePath(QStringLiteral("broken.bmp"));
    QVERIFY(QImageWriter(m_bitmapPath, "bmp").write(sampleImage(6, 4).convertToFormat(QImage::Format_RGB32)));
    QVERIFY(QImageWriter(m_iconPath, "ico").write(sampleImage(16, 16)));
    QFile broken(m_brokenPath);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("BM but nothing else");
}

void tst_FormData::roundTripKeepsEveryValue_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("readDefault");

    QTest::newRow("16-bit") << i16(3) << i16(2);
    QTest::newRow("16-bit lowest") << i16(-32768) << i16(0);
    QTest::newRow("16-bit highest") << i16(32767) << i16(0);
    QTest::newRow("32-bit highest") << i32(2147483647) << i32(0);
    QTest::newRow("32-bit lowest") << i32(-2147483647 - 1) << i32(0);
    QTest::newRow("colour white") << colour(0x00FFFFFF) << colour(0x8000000F);
    QTest::newRow("system colour") << colour(0x80000012) << colour(0);
    QTest::newRow("all bits set") << colour(0xFFFFFFFF) << colour(0);
    QTest::newRow("True") << boolean(true) << boolean(false);
    QTest::newRow("False") << boolean(false) << boolean(true);
    QTest::newRow("string with quotes, breaks, backslashes")
        << text(QStringLiteral("Grüße, \"Welt\"\r\n.\\resources\\über.wav\t&x")) << text(QString());
    QTest::newRow("empty string") << text(QString()) << text(QStringLiteral("XpBs1"));
    QTest::newRow("font regular") << font(verdana()) << font(sansSerif());
    QTest::newRow("font with every style")
        << font(FontSpec{QStringLiteral("Times New Roman"), 12.75, true, true, true, true}) << font(verdana());
    QTest::newRow("font with a fine size") << font(FontSpec{QStringLiteral("Arial"), 7.8, false, true, false, false})
                                           << font(verdana());
    QTest::newRow("no picture") << picture(nullptr) << picture(EmptyPicture());
    QTest::newRow("empty picture object") << picture(EmptyPicture()) << picture(nullptr);
    QTest::newRow("bitmap file") << picture(LoadPicture(m_bitmapPath)) << picture(nullptr);
    QTest::newRow("icon file") << picture(LoadPicture(m_iconPath)) << picture(nullptr);
    QTest::newRow("undecodable file") << picture(LoadPicture(m_brokenPath)) << picture(nullptr);
    QTest::newRow("missing file") << picture(LoadPicture(m_folder.filePath(QStringLiteral("gone.ico"))))
                                  << picture(nullptr);
    auto drawn = std::make_shared<PictureData>();
    drawn->type = PictureData::Icon;
    drawn->image = sampleImage(3, 5);
    drawn->widthHimetric = 79;
    drawn->heightHimetric = 132;
    QTest::newRow("picture made in memory") << picture(drawn) << picture(nullptr);
    // Saving dropped the size of a picture that has none of its own.
    auto sized = std::make_shared<PictureData>();
    sized->widthHimetric = 53;
    sized->heightHimetric = 1;
    QTest::newRow("empty picture with a size") << picture(sized) << picture(nullptr);
}

void tst_FormData::roundTripKeepsEveryValue()
{
    QFETCH(QVariant, value);
    QFETCH(QVariant, readDefault);
    testing::FormMessages messages;
    PropertyBag bag;
    bag.insert(QStringLiteral("TheKey"), value);
    FormData saved;
    saved.setBag(QStringLiteral("XpBs2"), QStringLiteral("vorlenta.XpBs"), bag);

    FormData loaded = FormData::fromJson(saved.toJson(), QStringLiteral("roundtrip.json"));
    PropertyBag restored = loaded.bagFor(QStringLiteral("XpBs2"), QStringLiteral("vorlenta.XpBs"));
    const QVariant result = restored.ReadProperty(QStringLiteral("thekey"), readDefault);

    QVERIFY2(sameValue(result, value, Pictures::Alike), qPrintable(describe(result) + QStringLiteral(" in\n") + saved.toJson()));
    QCOMPARE(restored.keys(), QStringList{QStringLiteral("thekey")});
    QVERIFY2(messages.lines.isEmpty(), qPrintable(messages.lines.join(QLatin1Char('\n'))));
}

void tst_FormData::roundTripKeepsFormControlsAndClasses()
{
    FormData saved;
    saved.setFormName(QStringLiteral("frmabt"));
    PropertyBag close;
    close.insert(QStringLiteral("caption"), text(QStringLiteral("&Close")));
    saved.setBag(QStringLiteral("XpBs2"), QStringLiteral("vorlenta.XpBs"), close);
    saved.setBag(QStringLiteral("pb"), QStringLiteral("vorlenta.Xp_ProgressBar"), PropertyBag());
    saved.setBag(QStringLiteral("XpBs1"), QStringLiteral("vorlenta.XpBs"), PropertyBag());

    const FormData loaded = FormData::fromJson(saved.toJson(), QStringLiteral("x.json"));

    QCOMPARE(loaded.formName(), QStringLiteral("frmabt"));
    const QStringList names{QStringLiteral("XpBs2"), QStringLiteral("pb"), QStringLiteral("XpBs1")};
    QCOMPARE(loaded.controlNames(), names);
    QVERIFY(loaded.bagFor(QStringLiteral("pb"), QStringLiteral("vorlenta.Xp_ProgressBar")).isEmpty());
    QCOMPARE(loaded.bagFor(QStringLiteral("XpBs2"), QStringLiteral("vorlenta.XpBs")).value(QStringLiteral("Caption")),
             text(QStringLiteral("&Close")));
}

void tst_FormData::savedFormHoldsOnlyChangedKeysInLowerCase()
{
    // GIVEN a bar at its defaults and a button with two changed properties,
    // written the way the controls write their bags
    PropertyBag bar;
    bar.WriteProperty(QStringLiteral("Min"), i32(0), i32(0));
    bar.WriteProperty(QStringLiteral("Max"), i32(100), i32(100));
    bar.WriteProperty(QStringLiteral("Value"), i32(0), i32(0));
    bar.WriteProperty(QStringLiteral("Style"), i32(0), i32(0));
    bar.WriteProperty(QStringLiteral("ProgressLook"), i32(0), i32(0));
    PropertyBag button;
    button.WriteProperty(QStringLiteral("Caption"), text(QStringLiteral("&Close")), text(QStringLiteral("XpBs2")));
    button.WriteProperty(QStringLiteral("ButtonStyle"), i16(3), i16(2));
    button.WriteProperty(QStringLiteral("ShowFocusRect"), boolean(true), i16(1));
    button.WriteProperty(QStringLiteral("BackColor"), colour(0xFFFFFF), colour(0x8000000F));
    button.WriteProperty(QStringLiteral("ForeColor"), colour(0x80000012), colour(0x80000012));
    FormData form;
    form.setBag(QStringLiteral("pb"), QStringLiteral("vorlenta.Xp_ProgressBar"), bar);
    form.setBag(QStringLiteral("XpBs2"), QStringLiteral("vorlenta.XpBs"), button);

    // WHEN the form is saved
    const QByteArray json = form.toJson();

    // THEN the file holds exactly the changed keys, in lower case
    QVERIFY(propertiesIn(json, 0).isEmpty());
    QStringList keys = propertiesIn(json, 1).keys();
    keys.sort();
    const QStringList expected{QStringLiteral("backcolor"), QStringLiteral("buttonstyle"), QStringLiteral("caption")};
    QCOMPARE(keys, expected);
}

void tst_FormData::valuesAreWrittenReadably_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QJsonValue>("written");

    QTest::newRow("16-bit") << i16(99) << QJsonValue(99);
    QTest::newRow("negative 32-bit") << i32(-5) << QJsonValue(-5);
    QTest::newRow("colour") << colour(0xFFFFFF) << QJsonValue(16777215);
    QTest::newRow("system colour") << colour(0x80000012) << QJsonValue(qint64(2147483666));
    QTest::newRow("Boolean") << boolean(false) << QJsonValue(false);
    QTest::newRow("string") << text(QStringLiteral("&About")) << QJsonValue(QStringLiteral("&About"));
    QTest::newRow("font") << font(FontSpec{QStringLiteral("Verdana"), 8.25, true, false, false, true})
                          << QJsonValue(QJsonObject{{"name", "Verdana"},
                                                    {"size", 8.25},
                                                    {"bold", true},
                                                    {"italic", false},
                                                    {"underline", false},
                                                    {"strikethrough", true}});
    QTest::newRow("no picture") << picture(nullptr) << QJsonValue(QJsonValue::Null);
    QTest::newRow("empty picture object") << picture(EmptyPicture()) << QJsonValue(QJsonObject{{"picture", ""}});
    QTest::newRow("picture file outside the resource folder")
        << picture(LoadPicture(m_bitmapPath)) << QJsonValue(QJsonObject{{"picture", m_bitmapPath}});
}

void tst_FormData::valuesAreWrittenReadably()
{
    QFETCH(QVariant, value);
    QFETCH(QJsonValue, written);

    QCOMPARE(FormData::encodeValue(value), written);
}

void tst_FormData::picturesInTheResourceFolderAreStoredRelativeToIt()
{
    const QString folder = platform::resourceFolder();
    if (!QFileInfo(folder).isDir())
        QSKIP("no resource folder in this build");
    // A file that is not there keeps its path, so nothing is written to the folder.
    const Picture missing = LoadPicture(folder + QStringLiteral("/art/missing.bmp"));

    QCOMPARE(FormData::encodeValue(picture(missing)), QJsonValue(QJsonObject{{"picture", "art/missing.bmp"}}));
}

void tst_FormData::resourcePictureSurvivesARoundTrip()
{
    // Any picture the program ships will do; the folder is not ours to write.
    const QDir folder(platform::resourceFolder());
    const QStringList shipped = folder.entryList({QStringLiteral("*.png"), QStringLiteral("*.bmp"),
                                                  QStringLiteral("*.ico")},
                                                 QDir::Files);
    if (shipped.isEmpty())
        QSKIP("the resource folder holds no picture yet");
    const Picture original = LoadPicture(folder.filePath(shipped.first()));
    QVERIFY(!original->image.isNull());
    PropertyBag bag;
    bag.insert(QStringLiteral("picture"), picture(original));
    FormData saved;
    saved.setBag(QStringLiteral("XpBs1"), QStringLiteral("vorlenta.XpBs"), bag);

    const QByteArray json = saved.toJson();
    PropertyBag restored = FormData::fromJson(json, QStringLiteral("x.json"))
                               .bagFor(QStringLiteral("XpBs1"), QStringLiteral("vorlenta.XpBs"));

    QCOMPARE(propertiesIn(json, 0).value(QStringLiteral("picture")),
             QJsonValue(QJsonObject{{"picture", shipped.first()}}));
    const Picture back = restored.ReadProperty(QStringLiteral("Picture"), picture(nullptr)).value<Picture>();
    QVERIFY2(samePictureContents(back, original), qPrintable(describe(picture(back))));
}

void tst_FormData::readsHandWrittenFormData()
{
    testing::FormMessages messages;
    const FormData form = FormData::fromJson(kHandWritten, QStringLiteral("frmmain.json"));

    PropertyBag button = form.bagFor(QStringLiteral("XpBs2"), QStringLiteral("vorlenta.XpBs"));

    QCOMPARE(form.formName(), QStringLiteral("frmmain"));
    QCOMPARE(button.ReadProperty(QStringLiteral("Caption"), text(QStringLiteral("XpBs2"))),
             text(QStringLiteral("Randomize Case")));
    QCOMPARE(button.ReadProperty(QStringLiteral("Font"), font(sansSerif())).value<FontSpec>(), verdana());
    QCOMPARE(button.ReadProperty(QStringLiteral("MousePointer"), i16(0)), i16(99));
    QCOMPARE(button.ReadProperty(QStringLiteral("ButtonStyle"), i16(2)), i16(2));
    QVERIFY(form.bagFor(QStringLiteral("pb"), QStringLiteral("vorlenta.Xp_ProgressBar")).isEmpty());
    QVERIFY2(messages.lines.isEmpty(), qPrintable(messages.lines.join(QLatin1Char('\n'))));
}

void tst_FormData::malformedFileGivesEmptyBagsAndOneMessage_data()
{
    QTest::addColumn<QByteArray>("json");

    QTest::newRow("cut short") << kHandWritten.left(kHandWritten.size() / 2);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("not JSON") << QByteArray("caption = Randomize Case\n");
    QTest::newRow("binary") << QByteArray("\xff\xfe\x00\x01\x80", 5);
    QTest::newRow("list at the top") << QByteArray("[{\"name\": \"XpBs2\"}]");
    QTest::newRow("controls not a list") << QByteArray("{\"form\": \"frmmain\", \"controls\": 5}");
    QTest::newRow("no controls") << QByteArray("{\"form\": \"frmmain\"}");
}

void tst_FormData::malformedFileGivesEmptyBagsAndOneMessage()
{
    QFETCH(QByteArray, json);
    testing::FormMessages messages;

    const FormData form = FormData::fromJson(json, QStringLiteral("app/forms/frmbroken.json"));

    QVERIFY(form.controlNames().isEmpty());
    QVERIFY(form.bagFor(QStringLiteral("XpBs2"), QStringLiteral("vorlenta.XpBs")).isEmpty());
    QCOMPARE(messages.lines.size(), 1);
    QVERIFY2(messages.lines.first().startsWith(QStringLiteral("tessaly: app/forms/frmbroken.json: ")),
             qPrintable(messages.lines.first()));
}

void tst_FormData::unreadableFileGivesEmptyBagsAndOneMessage()
{
    testing::FormMessages messages;
    const QString path = m_folder.filePath(QStringLiteral("no/such/frmmain.json"));

    const FormData form = FormData::load(path);

    QVERIFY(form.bagFor(QStringLiteral("XpBs1"), QStringLiteral("vorlenta.XpBs")).isEmpty());
    QCOMPARE(messages.lines.size(), 1);
    QVERIFY2(messages.lines.first().contains(path), qPrintable(messages.lines.first()));
}

void tst_FormData::badControlEntryIsSkippedWithOneMessage_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<bool>("kept");

    QTest::newRow("entry without a name") << QByteArray(R"({"class": "vorlenta.XpBs", "properties": {}})") << false;
    QTest::newRow("entry that is a number") << QByteArray("7") << false;
    QTest::newRow("same name again")
        << QByteArray(R"({"name": "xpbs1", "class": "vorlenta.XpBs", "properties": {"caption": "twice"}})") << false;
    QTest::newRow("properties not an object")
        << QByteArray(R"({"name": "XpBs9", "class": "vorlenta.XpBs", "properties": "caption"})") << true;
}

void tst_FormData::badControlEntryIsSkippedWithOneMessage()
{
    QFETCH(QByteArray, entry);
    QFETCH(bool, kept);
    testing::FormMessages messages;
    const QByteArray json = R"({"controls": [ {"name": "XpBs1", "class": "vorlenta.XpBs",
                                               "properties": {"caption": "&About"}}, )"
        + entry + "]}";

    const FormData form = FormData::fromJson(json, QStringLiteral("frmtest.json"));

    QCOMPARE(form.controlNames().size(), kept ? 2 : 1);
    PropertyBag good = form.bagFor(QStringLiteral("XpBs1"), QStringLiteral("vorlenta.XpBs"));
    QCOMPARE(good.ReadProperty(QStringLiteral("caption"), text(QString())), text(QStringLiteral("&About")));
    QCOMPARE(messages.lines.size(), 1);
    QVERIFY2(messages.lines.first().contains(QStringLiteral("frmtest.json")), qPrintable(messages.lines.first()));
}

void tst_FormData::badValueInTheFileFallsBackToTheDefault_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QVariant>("defaultValue");

    QTest::newRow("words for 16-bit") << QByteArray(R"("three")") << i16(2);
    QTest::newRow("fraction for 16-bit") << QByteArray("2.5") << i16(2);
    QTest::newRow("too large for 16-bit") << QByteArray("99999") << i16(0);
    QTest::newRow("too large for 32 bits") << QByteArray("4294967296") << colour(0x8000000F);
    QTest::newRow("object for string") << QByteArray(R"({"text": "x"})") << text(QStringLiteral("XpBs2"));
    QTest::newRow("list for string") << QByteArray(R"(["a", "b"])") << text(QStringLiteral("XpBs2"));
    QTest::newRow("font without a size") << QByteArray(R"({"name": "Verdana"})") << font(verdana());
    QTest::newRow("font with a text style") << QByteArray(R"({"name": "Verdana", "size": 8.25, "bold": "yes"})")
                                            << font(verdana());
    QTest::newRow("picture path not a string") << QByteArray(R"({"picture": 5})") << picture(nullptr);
    QTest::newRow("picture with a bad image") << QByteArray(R"({"picture": "", "type": "bitmap", "png": "AAAA"})")
                                              << picture(nullptr);
    QTest::newRow("null for Boolean") << QByteArray("null") << boolean(true);
}

void tst_FormData::badValueInTheFileFallsBackToTheDefault()
{
    QFETCH(QByteArray, stored);
    QFETCH(QVariant, defaultValue);
    testing::FormMessages messages;
    const QByteArray json = R"({"controls": [{"name": "XpBs2", "class": "vorlenta.XpBs", "properties": {"thekey": )"
        + stored + "}}]}";
    const FormData form = FormData::fromJson(json, QStringLiteral("frmmain.json"));
    PropertyBag bag = form.bagFor(QStringLiteral("XpBs2"), QStringLiteral("vorlenta.XpBs"));

    const QVariant result = bag.ReadProperty(QStringLiteral("TheKey"), defaultValue);

    QVERIFY2(sameValue(result, defaultValue, Pictures::Alike), qPrintable(describe(result)));
    QCOMPARE(messages.lines.size(), 1);
    QVERIFY2(messages.lines.first().startsWith(QStringLiteral("tessaly: frmmain.json: control XpBs2: key \"thekey\": ")),
             qPrintable(messages.lines.first()));
    // Saving keeps what could not be read, rather than losing it.
    QCOMPARE(propertiesIn(form.toJson(), 0).value(QStringLiteral("thekey")),
             QJsonDocument::fromJson("[" + stored + "]").array().at(0));
}

void tst_FormData::unknownControlGetsAnEmptyBag()
{
    testing::FormMessages messages;
    const FormData form = FormData::fromJson(kHandWritten, QStringLiteral("frmmain.json"));

    const PropertyBag bag = form.bagFor(QStringLiteral("XpBs7"), QStringLiteral("vorlenta.XpBs"));

    QVERIFY(bag.isEmpty());
    QVERIFY(messages.lines.isEmpty());
}

void tst_FormData::controlStoredAsAnotherClassGetsAnEmptyBag()
{
    testing::FormMessages messages;
    const FormData form = FormData::fromJson(kHandWritten, QStringLiteral("frmmain.json"));

    const PropertyBag bag = form.bagFor(QStringLiteral("XpBs2"), QStringLiteral("vorlenta.Xp_ProgressBar"));
    form.reportUnreadKeys();

    QVERIFY(bag.isEmpty());
    // The refusal, and the bar "pb" that nobody asked for.
    QCOMPARE(messages.lines.size(), 2);
    QVERIFY2(messages.lines.first().contains(QStringLiteral("XpBs2")), qPrintable(messages.lines.first()));
    QVERIFY2(messages.lines.last().contains(QStringLiteral("pb")), qPrintable(messages.lines.last()));
}

void tst_FormData::unreadKeysAndUnclaimedControlsAreReportedOnce()
{
    testing::FormMessages messages;
    const QByteArray json = R"({"controls": [
        {"name": "XpBs2", "class": "vorlenta.XpBs", "properties": {"caption": "Go", "colour": 5, "Font": null}},
        {"name": "pb", "class": "vorlenta.Xp_ProgressBar", "properties": {}},
        {"name": "Ghost", "class": "vorlenta.XpBs", "properties": {"caption": "Boo"}}
    ]})";
    const FormData form = FormData::fromJson(json, QStringLiteral("frmmain.json"));
    PropertyBag button = form.bagFor(QStringLiteral("xpbs2"), QStringLiteral("vorlenta.XpBs"));
    PropertyBag bar = form.bagFor(QStringLiteral("pb"), QStringLiteral("vorlenta.Xp_ProgressBar"));
    button.ReadProperty(QStringLiteral("Caption"), text(QString()));
    bar.ReadProperty(QStringLiteral("Value"), i32(0));

    form.reportUnreadKeys();
    form.reportUnreadKeys();

    const QString all = messages.lines.join(QLatin1Char('\n'));
    QCOMPARE(messages.lines.size(), 3);
    QVERIFY2(all.contains(QStringLiteral("control XpBs2: key \"colour\"")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("control XpBs2: key \"font\"")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("control Ghost is not on this window")), qPrintable(all));
}

QTEST_MAIN(tst_FormData)
#include "tst_formdata.moc"
