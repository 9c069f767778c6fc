#include "controls/progressbar/Xp_ProgressBar.h"
#include "platform/forms/FormData.h"
#include "platform/forms/PropertyBag.h"
#include "support/Doubles.h"
#include "support/FormMessages.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <limits>
#include <map>

using platform::PropertyBag;

namespace {

const char *const kSkins[] = {"master", "blue", "bluemet", "goldmet", "grmet", "greymet", "orangemet", "redmet"};
constexpr int kMaster = 0;
constexpr int kGoldmet = 3;
constexpr int kRedmet = 7;

const QRgb kOutline = qRgb(0x6B, 0x69, 0x6B);
const QRgb kInnerDark = qRgb(0xBD, 0xBE, 0xBD);
const QRgb kInnerLight = qRgb(0xEF, 0xEF, 0xEF);
const QRgb kWhite = qRgb(0xFF, 0xFF, 0xFF);

QImage picture(const QString &name)
{
    return QImage(QStringLiteral(":/progressbar/%1.png").arg(name)).convertToFormat(QImage::Format_RGB32);
}

QImage piece(int look, int index)
{
    return picture(QString::fromLatin1(kSkins[look]) + QString::number(index));
}

QString hex(QRgb colour)
{
    return QStringLiteral("#%1").arg(colour & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

QRgb at(const QImage &image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

// What the platform's stretching blit makes of a whole picture at a new
// size: destination pixel d reads source pixels d * n / size up to
// (d + 1) * n / size (at least one), ANDed together.
QImage stretched(const QImage &source, int width, int height)
{
    QImage result(width, height, QImage::Format_RGB32);
    const auto span = [](int d, int size, int n) {
        const int first = d * n / size;
        return std::make_pair(first, std::max((d + 1) * n / size, first + 1));
    };
    for (int y = 0; y < height; ++y) {
        const auto rows = span(y, height, source.height());
        for (int x = 0; x < width; ++x) {
            const auto columns = span(x, width, source.width());
            quint32 value = 0xFFFFFFFFu;
            for (int sy = rows.first; sy < rows.second; ++sy)
                for (int sx = columns.first; sx < columns.second; ++sx)
                    value &= source.pixel(sx, sy);
            result.setPixel(x, y, value);
        }
    }
    return result;
}

// Draws a whole piece into the progress area's rows of an expected image.
void overlay(QImage &image, const QImage &source, int x, int width)
{
    const int height = image.height() - 6;
    if (width <= 0 || height <= 0)
        return;
    const QImage scaled = stretched(source, width, height);
    for (int y = 0; y < height; ++y)
        for (int column = 0; column < width; ++column)
            if (x + column >= 0 && x + column < image.width())
                image.setPixel(x + column, 3 + y, scaled.pixel(column, y));
}

// Empty when the images agree; otherwise the first differing pixel.
QString difference(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width()).arg(actual.height()).arg(expected.width()).arg(expected.height());
    int count = 0;
    QString first;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (at(actual, x, y) != at(expected, x, y)) {
                if (count++ == 0)
                    first = QStringLiteral("(%1,%2) is %3, expected %4")
                                .arg(x).arg(y).arg(hex(at(actual, x, y)), hex(at(expected, x, y)));
            }
    return count == 0 ? QString() : QStringLiteral("%1 pixels differ, first %2").arg(count).arg(first);
}

// Fails unless the images agree, naming the first differing pixel after an
// optional note of where the run was.
#define COMPARE_IMAGES(actual, expected, ...)                                                                   \
    do {                                                                                                        \
        const QString problem_ = difference(actual, expected);                                                  \
        QVERIFY2(problem_.isEmpty(), qPrintable(QString(__VA_ARGS__) + problem_));                              \
    } while (false)

// A block of a segmented bar: its left edge and width, and the first
// Value - Min that shows it.
struct Block {
    int x;
    int width;
    int from;
};

// The blocks of a bar, worked out by hand: 8 wide at a 10-pixel pitch from
// x = 4, the one that reaches the right rim squeezed into what is left
// before it; each due once width / range x (Value - Min) lies beyond its
// left edge (exactly at the edge, that product's rounding in double
// precision decides).
// 89 x 17, the main window's bar, range 100: 0.89 pixels a unit.
const QList<Block> kMainBar = {{4, 8, 5},  {14, 8, 16}, {24, 8, 27}, {34, 8, 39}, {44, 8, 50},
                               {54, 8, 61}, {64, 8, 72}, {74, 8, 84}, {84, 2, 95}};
// 89 wide, range 7: 12.71 pixels a unit.
const QList<Block> kSevenUnits = {{4, 8, 1},  {14, 8, 2}, {24, 8, 2}, {34, 8, 3}, {44, 8, 4},
                                  {54, 8, 5}, {64, 8, 6}, {74, 8, 6}, {84, 2, 7}};
// 89 wide, range 32767: 0.00272 pixels a unit.
const QList<Block> kLongest = {{4, 8, 1473},   {14, 8, 5155},  {24, 8, 8837},  {34, 8, 12518}, {44, 8, 16200},
                               {54, 8, 19882}, {64, 8, 23563}, {74, 8, 27245}, {84, 2, 30927}};
// 60 x 10, range 100: 0.6 pixels a unit. At 40 and 90 units the product
// is exactly 24.0 and 54.0, which is not beyond the edge.
const QList<Block> kLowBar = {{4, 8, 7}, {14, 8, 24}, {24, 8, 41}, {34, 8, 57}, {44, 8, 74}, {54, 3, 91}};
// 70 wide, range 100: 0.7 pixels a unit. 20 units make 14.000000000000002,
// just beyond x = 14.
const QList<Block> kSeventyWide = {{4, 8, 6},  {14, 8, 20}, {24, 8, 35}, {34, 8, 49},
                                   {44, 8, 63}, {54, 8, 78}, {64, 3, 92}};
// 300 x 20, range 1000: 0.30000000000000004 pixels a unit, so the blocks
// whose edge 80, 180, ... units reach exactly are due one unit early.
const QList<Block> kWideBar = {
    {4, 8, 14},    {14, 8, 47},   {24, 8, 80},   {34, 8, 114},  {44, 8, 147},  {54, 8, 180},
    {64, 8, 214},  {74, 8, 247},  {84, 8, 280},  {94, 8, 314},  {104, 8, 347}, {114, 8, 380},
    {124, 8, 414}, {134, 8, 447}, {144, 8, 480}, {154, 8, 514}, {164, 8, 547}, {174, 8, 580},
    {184, 8, 614}, {194, 8, 647}, {204, 8, 680}, {214, 8, 714}, {224, 8, 747}, {234, 8, 780},
    {244, 8, 814}, {254, 8, 847}, {264, 8, 880}, {274, 8, 914}, {284, 8, 947}, {294, 3, 980}};

// The blocks of `layout` that show at `units`.
QList<Block> due(const QList<Block> &layout, qint64 units)
{
    QList<Block> blocks;
    for (const Block &block : layout)
        if (block.from <= units)
            blocks << block;
    return blocks;
}

QImage withBlocks(const QImage &empty, const QList<Block> &blocks, int look = kMaster)
{
    QImage expected = empty.copy();
    for (const Block &block : blocks)
        overlay(expected, piece(look, 2), block.x, block.width);
    return expected;
}

// The continuous style's marker at x over an image: pale, medium and full
// pieces 4 wide with 1-pixel gaps, each only while it fits before the right end.
QImage withMarker(QImage image, int x)
{
    if (x + 5 < image.width())
        overlay(image, piece(kMaster, 0), x, 4);
    if (x + 10 < image.width())
        overlay(image, piece(kMaster, 1), x + 5, 4);
    if (x + 20 < image.width())
        overlay(image, piece(kMaster, 2), x + 10, 4);
    return image;
}

struct Bar {
    testing::TestHost doubles;
    Xp_ProgressBar bar;
    QImage empty; // the frame as first drawn

    explicit Bar(QSize size = QSize(89, 17), int look = kMaster, bool applyLook = true)
        : bar(doubles.host)
    {
        bar.resize(size);
        if (applyLook)
            bar.setProgressLook(look);
        bar.UserControl_Resize(); // what the platform does when the bar is sited
        empty = bar.image().copy();
    }

    // What an 89-wide bar of range 100 shows at a value.
    QImage mainBarAt(qint64 units, int look = kMaster) const { return withBlocks(empty, due(kMainBar, units), look); }
};

QList<int> range(int from, int to, int step = 1)
{
    QList<int> values;
    for (int value = from; value <= to; value += step)
        values << value;
    return values;
}

} // namespace

Q_DECLARE_METATYPE(Block)

class tst_Xp_ProgressBar : public QObject {
    Q_OBJECT

private slots:
    // Validation and persistence.
    void assignments_data();
    void assignments();
    void writesKeysInOrder();
    void writesOnlyWhatDiffersFromDefault_data();
    void writesOnlyWhatDiffersFromDefault();
    void defaultsSurviveSaveAndLoad();
    void readTakesStoredValuesUnchecked();
    void storedValuesThatDoNotReadAreKept_data();
    void storedValuesThatDoNotReadAreKept();
    void lookOutsideTheSkinsKeepsTheSkin_data();
    void lookOutsideTheSkinsKeepsTheSkin();

    // Artwork and frame.
    void skinColours_data();
    void skinColours();
    void troughArtwork();
    void frame_data();
    void frame();
    void shownBarShowsItsImage();

    // Segmented style.
    void blocksFollowTheValue_data();
    void blocksFollowTheValue();
    void frameRedraws_data();
    void frameRedraws();
    void risingValueAddsOnlyNewBlocks_data();
    void risingValueAddsOnlyNewBlocks();
    void valuesBelowThePeakRedrawTheWholeBar();
    void valueAfterAResizeDrawsAtTheNewSize();
    void blocksFollowTheValueWhileTheRangeMoves_data();
    void blocksFollowTheValueWhileTheRangeMoves();
    void styleAloneChangesNothingOnScreen();

    // Continuous style.
    void markerMovesAndWraps();

    // Inputs the painter cannot measure.
    void unmeasurableRangeDrawsNothingBeforeMax_data();
    void unmeasurableRangeDrawsNothingBeforeMax();
    void equalMinAndMaxShowsAFullBar();
    void repeatedValuesNeverAdvanceTheBlocks();
    void longestRangeRunsToTheEnd();
    void withoutSkinTheTroughStaysEmpty_data();
    void withoutSkinTheTroughStaysEmpty();
    void tinyBarsKeepAccepting_data();
    void tinyBarsKeepAccepting();
};

// ---------------------------------------------------------------- validation

void tst_Xp_ProgressBar::assignments_data()
{
    QTest::addColumn<int>("storedMin");
    QTest::addColumn<int>("storedMax");
    QTest::addColumn<int>("storedValue");
    QTest::addColumn<QString>("property");
    QTest::addColumn<int>("candidate");
    QTest::addColumn<QString>("message"); // empty: accepted

    const QString higher = QStringLiteral("Value can NOT be higher than Maximum !");
    const QString lower = QStringLiteral("Value can NOT be smaller than minimum !");
    const QString minAbove = QStringLiteral("Minimum can NOT be biger than maximum !");
    const QString minNegative = QStringLiteral("Minimum can NOT be smaller then 0 !");
    const QString maxBelow = QStringLiteral("Maximum can NOT be smaller than minimum !");
    const QString value = QStringLiteral("Value");
    const QString min = QStringLiteral("Min");
    const QString max = QStringLiteral("Max");

    QTest::newRow("value at max") << 0 << 100 << 0 << value << 100 << QString();
    QTest::newRow("value at min") << 10 << 100 << 50 << value << 10 << QString();
    QTest::newRow("value it already has is reported again") << 0 << 100 << 30 << value << 30 << QString();
    QTest::newRow("value above max") << 0 << 100 << 40 << value << 101 << higher;
    QTest::newRow("value below min") << 10 << 100 << 40 << value << 9 << lower;
    QTest::newRow("restored min above max: max checked first") << 50 << 10 << 0 << value << 20 << higher;
    QTest::newRow("restored min above max: then min") << 50 << 10 << 0 << value << 5 << lower;
    QTest::newRow("min above max") << 0 << 100 << 0 << min << 101 << minAbove;
    QTest::newRow("min negative") << 0 << 100 << 0 << min << -1 << minNegative;
    QTest::newRow("min negative and above restored max") << 0 << -5 << 0 << min << -1 << minAbove;
    QTest::newRow("min equal to max") << 0 << 100 << 0 << min << 100 << QString();
    QTest::newRow("min at zero") << 30 << 100 << 50 << min << 0 << QString();
    QTest::newRow("max below min") << 10 << 100 << 50 << max << 9 << maxBelow;
    QTest::newRow("max equal to min") << 10 << 100 << 50 << max << 10 << QString();
    QTest::newRow("max below value keeps value") << 0 << 100 << 80 << max << 50 << QString();
    QTest::newRow("min above value keeps value") << 0 << 100 << 20 << min << 50 << QString();
}

void tst_Xp_ProgressBar::assignments()
{
    QFETCH(int, storedMin);
    QFETCH(int, storedMax);
    QFETCH(int, storedValue);
    QFETCH(QString, property);
    QFETCH(int, candidate);
    QFETCH(QString, message);

    // GIVEN a bar restored from stored settings (taken without checks)
    Bar fixture;
    PropertyBag bag;
    bag.insert(QStringLiteral("Min"), storedMin);
    bag.insert(QStringLiteral("Max"), storedMax);
    bag.insert(QStringLiteral("Value"), storedValue);
    fixture.bar.UserControl_ReadProperties(bag);
    QSignalSpy changed(&fixture.bar, &Xp_ProgressBar::PropertyChanged);

    // WHEN the candidate is assigned
    if (property == QLatin1String("Value"))
        fixture.bar.setValue(candidate);
    else if (property == QLatin1String("Min"))
        fixture.bar.setMin(candidate);
    else
        fixture.bar.setMax(candidate);

    // THEN it is stored and reported, or refused in one message box with
    // nothing stored
    const auto &shown = fixture.doubles.messageBoxes.shown;
    int expectedMin = storedMin;
    int expectedMax = storedMax;
    int expectedValue = storedValue;
    if (message.isEmpty()) {
        QCOMPARE(shown.size(), 0);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toString(), property);
        if (property == QLatin1String("Value"))
            expectedValue = candidate;
        else if (property == QLatin1String("Min"))
            expectedMin = candidate;
        else
            expectedMax = candidate;
    } else {
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).prompt, message);
        QCOMPARE(shown.at(0).style, 16); // OK only, critical icon
        QCOMPARE(shown.at(0).title, QStringLiteral("Error"));
        QCOMPARE(changed.size(), 0);
    }
    QCOMPARE(fixture.bar.Min(), expectedMin);
    QCOMPARE(fixture.bar.Max(), expectedMax);
    QCOMPARE(fixture.bar.Value(), expectedValue);
}

// ---------------------------------------------------------------- persistence

void tst_Xp_ProgressBar::writesKeysInOrder()
{
    Bar fixture;
    fixture.bar.setMax(200);
    fixture.bar.setMin(5);
    fixture.bar.setValue(50);
    fixture.bar.setStyle(1);
    fixture.bar.setProgressLook(3);

    PropertyBag bag;
    fixture.bar.UserControl_WriteProperties(bag);

    QCOMPARE(bag.keys(), QStringList({QStringLiteral("min"), QStringLiteral("max"), QStringLiteral("value"),
                                      QStringLiteral("style"), QStringLiteral("progresslook")}));
    QCOMPARE(bag.value(QStringLiteral("Min")), QVariant(5));
    QCOMPARE(bag.value(QStringLiteral("Max")), QVariant(200));
    QCOMPARE(bag.value(QStringLiteral("Value")), QVariant(50));
    QCOMPARE(bag.value(QStringLiteral("Style")), QVariant(1));
    QCOMPARE(bag.value(QStringLiteral("ProgressLook")), QVariant(3));
}

void tst_Xp_ProgressBar::writesOnlyWhatDiffersFromDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::newRow("Min") << QStringLiteral("Min") << 1;
    QTest::newRow("Max") << QStringLiteral("Max") << 99;
    QTest::newRow("Value") << QStringLiteral("Value") << 7;
    QTest::newRow("Style") << QStringLiteral("Style") << -1;
    QTest::newRow("ProgressLook") << QStringLiteral("ProgressLook") << 6;
}

void tst_Xp_ProgressBar::writesOnlyWhatDiffersFromDefault()
{
    QFETCH(QString, key);
    QFETCH(int, value);

    Bar fixture;
    PropertyBag stored;
    stored.insert(key, value);
    fixture.bar.UserControl_ReadProperties(stored);

    PropertyBag saved;
    fixture.bar.UserControl_WriteProperties(saved);
    QCOMPARE(saved.keys(), QStringList{key.toLower()});
    QCOMPARE(saved.value(key), QVariant(value));
}

void tst_Xp_ProgressBar::defaultsSurviveSaveAndLoad()
{
    // GIVEN a new bar, saved at once
    testing::TestHost doubles;
    Xp_ProgressBar fresh(doubles.host);
    PropertyBag bag;
    fresh.UserControl_WriteProperties(bag);
    QVERIFY2(bag.isEmpty(), qPrintable(bag.keys().join(QLatin1Char(','))));

    // WHEN another bar reads that form
    Xp_ProgressBar loaded(doubles.host);
    loaded.resize(89, 17);
    QSignalSpy changed(&loaded, &Xp_ProgressBar::PropertyChanged);
    loaded.UserControl_ReadProperties(bag);

    // THEN it has the defaults and the green skin of look 0
    QCOMPARE(loaded.Value(), 0);
    QCOMPARE(loaded.Min(), 0);
    QCOMPARE(loaded.Max(), 100);
    QCOMPARE(loaded.Style(), 0);
    QCOMPARE(loaded.ProgressLook(), 0);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("ProgressLook"));
    loaded.UserControl_Resize();
    const QImage empty = loaded.image().copy();
    loaded.setValue(10);
    COMPARE_IMAGES(loaded.image(), withBlocks(empty, due(kMainBar, 10)));
}

void tst_Xp_ProgressBar::readTakesStoredValuesUnchecked()
{
    Bar fixture;
    PropertyBag bag;
    bag.insert(QStringLiteral("min"), -20);
    bag.insert(QStringLiteral("MAX"), -50);
    bag.insert(QStringLiteral("Value"), 500);
    bag.insert(QStringLiteral("Style"), 2);
    bag.insert(QStringLiteral("ProgressLook"), 4);
    QSignalSpy changed(&fixture.bar, &Xp_ProgressBar::PropertyChanged);
    const QImage before = fixture.bar.image().copy();

    fixture.bar.UserControl_ReadProperties(bag);

    QCOMPARE(fixture.bar.Min(), -20);
    QCOMPARE(fixture.bar.Max(), -50);
    QCOMPARE(fixture.bar.Value(), 500);
    QCOMPARE(fixture.bar.Style(), 2);
    QCOMPARE(fixture.bar.ProgressLook(), 4);
    QCOMPARE(fixture.doubles.messageBoxes.shown.size(), 0);
    QCOMPARE(changed.size(), 1); // only the look goes through its let
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("ProgressLook"));
    QCOMPARE(fixture.bar.image(), before); // nothing painted while reading
    QVERIFY(bag.unreadKeys().isEmpty());
}

void tst_Xp_ProgressBar::storedValuesThatDoNotReadAreKept_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored"); // JSON text
    QTest::addColumn<int>("read");
    // 4294967295 used to read as -1, silently.
    QTest::newRow("beyond 32 bits") << "value" << "4294967295" << 0;
    QTest::newRow("just beyond") << "max" << "2147483648" << 100;
    QTest::newRow("Boolean") << "min" << "true" << 0;
    QTest::newRow("digits") << "style" << "\"1\"" << 0;
    QTest::newRow("fraction") << "progresslook" << "1.5" << 0;
}

void tst_Xp_ProgressBar::storedValuesThatDoNotReadAreKept()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(int, read);
    testing::FormMessages reported;
    const QByteArray json = QStringLiteral(R"({"controls": [{"name": "pb", "class": "vorlenta.Xp_ProgressBar",
        "properties": {"%1": %2}}]})").arg(key, stored).toUtf8();
    platform::FormData form = platform::FormData::fromJson(json, QStringLiteral("frmtest.json"));
    PropertyBag bag = form.bagFor(QStringLiteral("pb"), QString::fromLatin1(Xp_ProgressBar::kClassId));
    Bar fixture;

    fixture.bar.UserControl_ReadProperties(bag);
    const int values[] = {fixture.bar.Min(), fixture.bar.Max(), fixture.bar.Value(), fixture.bar.Style(),
                          fixture.bar.ProgressLook()};
    const QStringList keys{"min", "max", "value", "style", "progresslook"};
    QCOMPARE(values[keys.indexOf(key)], read);
    QCOMPARE(reported.lines, QStringList{QStringLiteral("tessaly: frmtest.json: control pb: key \"%1\": "
                                                        "expected a 32-bit integer, using the default").arg(key)});

    // Saved again, the stored text comes back as it was...
    PropertyBag saved;
    fixture.bar.UserControl_WriteProperties(saved);
    form.setBag(QStringLiteral("pb"), QString::fromLatin1(Xp_ProgressBar::kClassId), saved);
    QCOMPARE(QString::fromUtf8(form.toJson()).simplified(),
             QStringLiteral(R"({ "controls": [ { "class": "vorlenta.Xp_ProgressBar", "name": "pb", )"
                            R"("properties": { "%1": %2 } } ], "form": "" })").arg(key, stored));

    // ...until the bar is read again: a new read keeps only what it could
    // not read itself...
    PropertyBag readable;
    readable.WriteProperty(key, 7, 0);
    Bar reread;
    reread.bar.UserControl_ReadProperties(bag);
    reread.bar.UserControl_ReadProperties(readable);
    PropertyBag savedAfterRereading;
    reread.bar.UserControl_WriteProperties(savedAfterRereading);
    QCOMPARE(savedAfterRereading.value(key), QVariant(7));

    // ...or the property is set.
    fixture.bar.setMax(100);
    fixture.bar.setMin(0);
    fixture.bar.setValue(5);
    fixture.bar.setStyle(1);
    fixture.bar.setProgressLook(2);
    PropertyBag afterSetting;
    fixture.bar.UserControl_WriteProperties(afterSetting);
    QCOMPARE(afterSetting.keys(), (QStringList{"value", "style", "progresslook"}));
}

void tst_Xp_ProgressBar::lookOutsideTheSkinsKeepsTheSkin_data()
{
    QTest::addColumn<int>("look");
    QTest::newRow("8") << 8;
    QTest::newRow("-1") << -1;
}

void tst_Xp_ProgressBar::lookOutsideTheSkinsKeepsTheSkin()
{
    QFETCH(int, look);

    // GIVEN a gold bar showing two blocks
    Bar fixture(QSize(89, 17), kGoldmet);
    fixture.bar.setValue(20);

    // WHEN a look outside 0..7 is assigned
    QSignalSpy changed(&fixture.bar, &Xp_ProgressBar::PropertyChanged);
    fixture.bar.setProgressLook(look);

    // THEN it is stored, reported and saved, and the next block is still gold
    QCOMPARE(fixture.bar.ProgressLook(), look);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("ProgressLook"));
    PropertyBag bag;
    fixture.bar.UserControl_WriteProperties(bag);
    QCOMPARE(bag.value(QStringLiteral("ProgressLook")), QVariant(look));

    fixture.bar.setValue(30);
    COMPARE_IMAGES(fixture.bar.image(), fixture.mainBarAt(30, kGoldmet));
}

// ---------------------------------------------------------------- artwork

void tst_Xp_ProgressBar::skinColours_data()
{
    QTest::addColumn<int>("look");
    QTest::addColumn<QStringList>("colours"); // piece 0 left, right; piece 1 left, right; piece 2 top, darkest, bottom

    const auto row = [](int look, QStringList colours) {
        QTest::newRow(kSkins[look]) << look << colours;
    };
    row(0, {"C5F3C5", "5BDD5E", "7EE480", "29D22C", "95E996", "28D22B", "75E277"});
    row(1, {"D0E6FB", "81BBF6", "61AAF3", "0C7CED", "409FFF", "0076EC", "3399FF"});
    row(2, {"EDF4F9", "9CB8C8", "829FA9", "285447", "5892BA", "093C28", "38759F"});
    row(3, {"FDFBFE", "F3E1C3", "ECD39F", "D8AC2F", "ECD39F", "D8A62F", "E2C366"});
    row(4, {"D1E0CC", "C9DCC3", "B9D2B2", "89B27D", "95B38E", "76A66A", "98C88C"});
    row(5, {"EDEDED", "CDCDCD", "B4B4B4", "767676", "CBCBCB", "6B6B6B", "A8A8A8"});
    row(6, {"FFFDF3", "FFF0B7", "FFE997", "FFD63E", "FFE996", "FFD22C", "FFE278"});
    row(7, {"F4CCB2", "F4CEB6", "F2C4A7", "E6915B", "E9A87F", "E38040", "EBB89A"});
}

void tst_Xp_ProgressBar::skinColours()
{
    QFETCH(int, look);
    QFETCH(QStringList, colours);
    const auto colour = [&colours](int i) { return hex(0xFF000000u | colours.at(i).toUInt(nullptr, 16)); };

    for (int index = 0; index < 3; ++index) {
        const QImage image = piece(look, index);
        QCOMPARE(image.size(), QSize(8, 10));
    }
    // The middle rows of the pale pieces, left end to right end.
    for (int index = 0; index < 2; ++index) {
        const QImage image = piece(look, index);
        for (int row : {4, 5}) {
            QCOMPARE(hex(at(image, 0, row)), colour(2 * index));
            QCOMPARE(hex(at(image, 7, row)), colour(2 * index + 1));
        }
    }
    // The full-colour piece: top, darkest (sixth) and bottom rows, the same
    // across, and no row darker than the sixth.
    const QImage full = piece(look, 2);
    QCOMPARE(hex(at(full, 0, 0)), colour(4));
    QCOMPARE(hex(at(full, 0, 5)), colour(5));
    QCOMPARE(hex(at(full, 0, 9)), colour(6));
    const auto brightness = [](QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); };
    for (int y = 0; y < 10; ++y) {
        for (int x = 1; x < 8; ++x)
            QCOMPARE(hex(at(full, x, y)), hex(at(full, 0, y)));
        QVERIFY2(brightness(at(full, 0, y)) >= brightness(at(full, 0, 5)), qPrintable(QString::number(y)));
    }
    // The marker draws the pieces half as wide; neighbouring columns agree
    // so that shrinking keeps their colours.
    for (int index = 0; index < 3; ++index) {
        const QImage image = piece(look, index);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 8; x += 2)
                QCOMPARE(hex(at(image, x + 1, y)), hex(at(image, x, y)));
    }
}

void tst_Xp_ProgressBar::troughArtwork()
{
    const QImage trough = picture(QStringLiteral("trough"));
    QCOMPARE(trough.size(), QSize(59, 13));
    const QImage blank = picture(QStringLiteral("blank"));
    QCOMPARE(blank.size(), QSize(8, 10));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 8; ++x)
            QCOMPARE(hex(at(blank, x, y)), hex(kWhite));

    // Outline, then the inner lines: two along the top and sides, one along the bottom.
    for (int x = 3; x <= 55; ++x) {
        QCOMPARE(hex(at(trough, x, 0)), hex(kOutline));
        QCOMPARE(hex(at(trough, x, 1)), hex(kInnerDark));
        QCOMPARE(hex(at(trough, x, 2)), hex(kInnerLight));
        QCOMPARE(hex(at(trough, x, 11)), hex(kInnerLight));
        QCOMPARE(hex(at(trough, x, 12)), hex(kOutline));
    }
    for (int y = 3; y <= 9; ++y) {
        QCOMPARE(hex(at(trough, 0, y)), hex(kOutline));
        QCOMPARE(hex(at(trough, 1, y)), hex(kInnerDark));
        QCOMPARE(hex(at(trough, 2, y)), hex(kInnerLight));
        QCOMPARE(hex(at(trough, 58, y)), hex(kOutline));
        QCOMPARE(hex(at(trough, 57, y)), hex(kInnerDark));
        QCOMPARE(hex(at(trough, 56, y)), hex(kInnerLight));
    }
    for (int y = 3; y <= 10; ++y)
        for (int x = 3; x <= 55; ++x)
            QCOMPARE(hex(at(trough, x, y)), hex(kWhite));

    // Each corner: the extreme pixel white, the outline curving through
    // its neighbours in the three blending greys.
    const QList<QPoint> corners = {{0, 0}, {58, 0}, {0, 12}, {58, 12}};
    for (const QPoint &corner : corners) {
        const int dx = corner.x() == 0 ? 1 : -1;
        const int dy = corner.y() == 0 ? 1 : -1;
        const auto c = [&](int i, int j) { return hex(at(trough, corner.x() + i * dx, corner.y() + j * dy)); };
        QCOMPARE(c(0, 0), hex(kWhite));
        QCOMPARE(c(1, 0), QStringLiteral("#ADAAA5"));
        QCOMPARE(c(0, 1), QStringLiteral("#ADAAA5"));
        QCOMPARE(c(2, 0), QStringLiteral("#7B7D7B"));
        QCOMPARE(c(0, 2), QStringLiteral("#7B7D7B"));
        QCOMPARE(c(1, 1), QStringLiteral("#737573"));
    }
}

// ---------------------------------------------------------------- frame

void tst_Xp_ProgressBar::frame_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("89 x 17, the main window's") << QSize(89, 17);
    QTest::newRow("6 x 6, corners only") << QSize(6, 6);
    QTest::newRow("7 x 7") << QSize(7, 7);
    QTest::newRow("12 x 40, narrower than the top strip") << QSize(12, 40);
    QTest::newRow("300 x 25") << QSize(300, 25);
}

void tst_Xp_ProgressBar::frame()
{
    QFETCH(QSize, size);
    const int w = size.width();
    const int h = size.height();
    Bar fixture(size);
    const QImage &image = fixture.bar.image();
    const QImage trough = picture(QStringLiteral("trough"));
    QCOMPARE(image.size(), size);

    QImage expected(size, QImage::Format_RGB32);
    expected.fill(Qt::black);
    // Corners as drawn.
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            expected.setPixel(i, j, at(trough, i, j));
            expected.setPixel(w - 3 + i, j, at(trough, 56 + i, j));
            expected.setPixel(i, h - 3 + j, at(trough, i, 10 + j));
            expected.setPixel(w - 3 + i, h - 3 + j, at(trough, 56 + i, 10 + j));
        }
    // Rims: outline outside, the inner lines towards the progress area.
    const QRgb top[] = {kOutline, kInnerDark, kInnerLight};
    const QRgb bottom[] = {kWhite, kInnerLight, kOutline};
    for (int x = 3; x < w - 3; ++x)
        for (int j = 0; j < 3; ++j) {
            expected.setPixel(x, j, top[j]);
            expected.setPixel(x, h - 3 + j, bottom[j]);
        }
    for (int y = 3; y < h - 3; ++y)
        for (int i = 0; i < 3; ++i) {
            expected.setPixel(i, y, top[i]);
            expected.setPixel(w - 1 - i, y, top[i]);
        }
    // The progress area: (3, 3) to (w - 3, h - 3), white.
    for (int y = 3; y < h - 3; ++y)
        for (int x = 3; x < w - 3; ++x)
            expected.setPixel(x, y, kWhite);

    COMPARE_IMAGES(image, expected);
}

void tst_Xp_ProgressBar::shownBarShowsItsImage()
{
    // GIVEN a bar that painted before it was first shown
    testing::TestHost doubles;
    QWidget window;
    window.resize(200, 60);
    auto *bar = new Xp_ProgressBar(doubles.host, &window);
    bar->setGeometry(40, 20, 89, 17);
    bar->setProgressLook(0);
    bar->setValue(50);
    const QImage painted = bar->image().copy();

    // WHEN the window is shown (the platform's late resize arrives)
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // THEN the bar still shows its blocks, on screen as in its image
    QCOMPARE(bar->image(), painted);
    bar->setValue(70);
    QCOMPARE(bar->grab().toImage().convertToFormat(QImage::Format_RGB32), bar->image());
}

// ---------------------------------------------------------------- segmented style

void tst_Xp_ProgressBar::blocksFollowTheValue_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<QList<Block>>("blocks");

    // The mended fault: the painter advanced one unit per assignment, so a
    // value rising by ten showed two blocks at 100.
    const QSize main(89, 17);
    QTest::newRow("1 to 100 by one") << main << 0 << 100 << range(1, 100) << kMainBar;
    QTest::newRow("10 to 100 by ten") << main << 0 << 100 << range(10, 100, 10) << kMainBar;
    QTest::newRow("percentages of a seven-character text")
        << main << 0 << 100 << QList<int>{0, 14, 29, 43, 57, 71, 86, 100} << kMainBar;
    QTest::newRow("straight to 100") << main << 0 << 100 << QList<int>{100} << kMainBar;
    QTest::newRow("0 to 100 by seven") << main << 0 << 100 << range(0, 100, 7) << kMainBar;
    QTest::newRow("same values again") << main << 0 << 100 << QList<int>{30, 30, 30, 45, 45, 46} << kMainBar;
    QTest::newRow("ups and downs") << main << 0 << 100 << QList<int>{40, 80, 60, 61, 62, 90, 10, 100, 99}
                                   << kMainBar;
    QTest::newRow("range 50 to 150") << main << 50 << 150 << range(50, 150, 3) << kMainBar;
    QTest::newRow("back to min") << main << 0 << 100 << QList<int>{90, 0} << kMainBar;
    QTest::newRow("back to min of 50 to 150") << main << 50 << 150 << QList<int>{140, 50} << kMainBar;
    QTest::newRow("range 0 to 7") << main << 0 << 7 << range(0, 7) << kSevenUnits;
    QTest::newRow("range 0 to 32767") << main << 0 << 32767 << range(0, 32767, 1111) << kLongest;
    QTest::newRow("wide bar, by 37") << QSize(300, 20) << 0 << 1000 << range(0, 1000, 37) << kWideBar;
    QTest::newRow("wide bar, at the exact edges") << QSize(300, 20) << 0 << 1000 << range(0, 1000, 20) << kWideBar;
    QTest::newRow("low bar") << QSize(60, 10) << 0 << 100 << range(0, 100) << kLowBar;
    // A whole-number comparison drew the block at 14 on 21.
    QTest::newRow("70 wide, exact ties") << QSize(70, 17) << 0 << 100 << range(1, 100) << kSeventyWide;
}

void tst_Xp_ProgressBar::blocksFollowTheValue()
{
    QFETCH(QSize, size);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(QList<int>, values);
    QFETCH(QList<Block>, blocks);

    Bar fixture(size);
    fixture.bar.setMax(max);
    fixture.bar.setMin(min);
    for (int value : values) {
        fixture.bar.setValue(value);
        COMPARE_IMAGES(fixture.bar.image(), withBlocks(fixture.empty, due(blocks, value - min)),
                       QStringLiteral("at %1: ").arg(value));
    }
    QCOMPARE(fixture.doubles.messageBoxes.shown.size(), 0);
}

void tst_Xp_ProgressBar::frameRedraws_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<int>("redraws");
    QTest::newRow("rising by one") << 0 << range(1, 100) << 0;
    QTest::newRow("rising by ten") << 0 << range(10, 100, 10) << 0;
    QTest::newRow("the same value again") << 0 << QList<int>{30, 30, 30} << 0;
    QTest::newRow("below the peak, rising") << 0 << QList<int>{80, 60, 61, 70} << 3;
    QTest::newRow("back to the peak") << 0 << QList<int>{80, 60, 80, 81} << 1;
    QTest::newRow("continuous up to max") << 1 << range(1, 100) << 1;
}

void tst_Xp_ProgressBar::frameRedraws()
{
    QFETCH(int, style);
    QFETCH(QList<int>, values);
    QFETCH(int, redraws);

    Bar fixture;
    fixture.bar.setStyle(style);
    QSignalSpy frames(&fixture.bar, &Xp_ProgressBar::FrameDrawn);
    for (int value : values)
        fixture.bar.setValue(value);
    QCOMPARE(frames.size(), redraws);
}

void tst_Xp_ProgressBar::risingValueAddsOnlyNewBlocks_data()
{
    QTest::addColumn<int>("step");
    QTest::newRow("by one") << 1;
    QTest::newRow("by three") << 3;
    QTest::newRow("by ten") << 10;
}

void tst_Xp_ProgressBar::risingValueAddsOnlyNewBlocks()
{
    QFETCH(int, step);

    // GIVEN a bar whose skin changes before every assignment
    Bar fixture;
    std::map<int, int> lookOfBlock; // left edge -> look it was drawn in

    for (int value = step, turn = 0; value <= 100; value += step, ++turn) {
        const int look = turn % 2 == 0 ? kMaster : kRedmet;
        const QImage before = fixture.bar.image().copy();
        fixture.bar.setProgressLook(look);
        QCOMPARE(fixture.bar.image(), before); // a new skin alone draws nothing
        fixture.bar.setValue(value);

        // THEN each block keeps the skin it was first drawn in (no redraw
        // while the value rises); the closing block is drawn again each time
        QImage expected = fixture.empty.copy();
        for (const Block &block : due(kMainBar, value)) {
            if (!lookOfBlock.count(block.x) || block.width != 8)
                lookOfBlock[block.x] = look;
            overlay(expected, piece(lookOfBlock[block.x], 2), block.x, block.width);
        }
        COMPARE_IMAGES(fixture.bar.image(), expected, QStringLiteral("at %1: ").arg(value));
    }
}

void tst_Xp_ProgressBar::valuesBelowThePeakRedrawTheWholeBar()
{
    // GIVEN a green bar at 80, then at 60
    Bar fixture;
    fixture.bar.setValue(80);
    fixture.bar.setValue(60);

    // WHEN 61 is assigned after a change to red
    fixture.bar.setProgressLook(kRedmet);
    fixture.bar.setValue(61);

    // THEN 61 is still below the peak of 80: the whole bar is redrawn, all
    // six blocks red (they used to stay green, with one red block added)
    COMPARE_IMAGES(fixture.bar.image(), fixture.mainBarAt(61, kRedmet));

    // AND once a value reaches the peak again, blocks are only added: 80
    // adds the green block at 64 (due from 72)
    fixture.bar.setProgressLook(kMaster);
    fixture.bar.setValue(80);
    QImage expected = fixture.mainBarAt(61, kRedmet);
    overlay(expected, piece(kMaster, 2), 64, 8);
    COMPARE_IMAGES(fixture.bar.image(), expected);
}

void tst_Xp_ProgressBar::valueAfterAResizeDrawsAtTheNewSize()
{
    // GIVEN a bar with blocks, resized while hidden (no resize event comes)
    Bar fixture;
    fixture.bar.setValue(30);
    fixture.bar.resize(120, 17);

    // WHEN a value is assigned
    fixture.bar.setValue(50);

    // THEN the frame and the blocks are those of a bar made at that size
    Bar fresh(QSize(120, 17));
    fresh.bar.setValue(50);
    COMPARE_IMAGES(fixture.bar.image(), fresh.bar.image());
}

// A script of assignments: "v50" sets Value, "M200" Max, "m40" Min.
static QStringList randomScript(quint32 seed, int length)
{
    QRandomGenerator random(seed);
    QStringList script;
    int min = 0;
    int max = 100;
    for (int i = 0; i < length; ++i) {
        const int choice = int(random.bounded(12));
        if (choice == 0) {
            // Mostly short ranges, now and then one past what the blocks can measure.
            max = min + int(random.bounded(random.bounded(8) == 0 ? 40000 : 300));
            script << QStringLiteral("M%1").arg(max);
        } else if (choice == 1) {
            min = int(random.bounded(max + 1));
            script << QStringLiteral("m%1").arg(min);
        } else {
            script << QStringLiteral("v%1").arg(min + int(random.bounded(max - min + 1)));
        }
    }
    return script;
}

void tst_Xp_ProgressBar::blocksFollowTheValueWhileTheRangeMoves_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<Block>>("layout"); // where the blocks of that width go
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("blocksAtTheEnd"); // -1: not worked out
    const QSize main(89, 17);
    // The redraw after a change of range used to leave the peak behind: 60
    // then showed the 7 blocks of 150 instead of 3 (60 x 89 / 200 = 26.7).
    QTest::newRow("max raised, then a lower value") << main << kMainBar << QString("v50 M200 v150 v60").split(' ')
                                                    << 3;
    // 70 x 89 / 90 = 69.2
    QTest::newRow("max lowered") << main << kMainBar << QString("v50 v70 M90 v70").split(' ') << 7;
    // 5 x 89 / 60 = 7.4
    QTest::newRow("min raised") << main << kMainBar << QString("v50 v70 m40 v70 v45").split(' ') << 1;
    for (quint32 seed = 1; seed <= 4; ++seed)
        QTest::addRow("89x17, random %u", seed) << main << kMainBar << randomScript(seed, 3000) << -1;
    QTest::newRow("70x17, random") << QSize(70, 17) << kSeventyWide << randomScript(5, 3000) << -1;
    QTest::newRow("300x20, random") << QSize(300, 20) << kWideBar << randomScript(6, 3000) << -1;
    QTest::newRow("12x10, random") << QSize(12, 10) << QList<Block>{{4, 5, 34}} << randomScript(7, 3000) << -1;
}

void tst_Xp_ProgressBar::blocksFollowTheValueWhileTheRangeMoves()
{
    QFETCH(QSize, size);
    QFETCH(QList<Block>, layout);
    QFETCH(QStringList, script);
    QFETCH(int, blocksAtTheEnd);

    Bar fixture(size);
    const qint64 width = size.width();
    for (int i = 0; i < script.size(); ++i) {
        const QString &step = script[i];
        const int number = step.mid(1).toInt();
        if (step[0] == 'M') {
            fixture.bar.setMax(number);
            continue;
        }
        if (step[0] == 'm') {
            fixture.bar.setMin(number);
            continue;
        }
        fixture.bar.setValue(number);
        const qint64 range = qint64(fixture.bar.Max()) - fixture.bar.Min();
        if (range < 1 || range > 32767)
            continue; // no measure for the blocks
        const qint64 units = qint64(fixture.bar.Value()) - fixture.bar.Min();

        // Each block by its own threshold, in whole numbers: it shows once
        // units / range of the width lies beyond its left edge, x / width <
        // units / range. Exactly at the edge the rounding of the painter's
        // product decides; the rows of blocksFollowTheValue pin that down, so
        // here either outcome passes.
        QList<Block> sure;
        QList<Block> atTheEdge;
        for (const Block &block : layout) {
            const qint64 edge = block.x * range;
            if (edge < units * width) {
                sure << block;
                continue;
            }
            if (edge == units * width)
                atTheEdge = sure + QList<Block>{block};
            break;
        }
        const QString problem = difference(fixture.bar.image(), withBlocks(fixture.empty, sure));
        const bool atEdgeMatches =
            !atTheEdge.isEmpty() && difference(fixture.bar.image(), withBlocks(fixture.empty, atTheEdge)).isEmpty();
        QVERIFY2(problem.isEmpty() || atEdgeMatches,
                 qPrintable(QStringLiteral("after %1: %2")
                                .arg(script.mid(std::max(0, i - 8), std::min(i + 1, 9)).join(' '))
                                .arg(problem)));
    }
    QCOMPARE(fixture.doubles.messageBoxes.shown.size(), 0);
    if (blocksAtTheEnd >= 0) {
        COMPARE_IMAGES(fixture.bar.image(), withBlocks(fixture.empty, layout.mid(0, blocksAtTheEnd)));
    }
}

void tst_Xp_ProgressBar::styleAloneChangesNothingOnScreen()
{
    // GIVEN a segmented bar at 30
    Bar fixture;
    fixture.bar.setValue(30);
    const QImage blocks = fixture.bar.image().copy();

    // WHEN the style changes, nothing is drawn
    fixture.bar.setStyle(1);
    QCOMPARE(fixture.bar.image(), blocks);

    // THEN the next assignment draws the marker at its start, over the blocks
    fixture.bar.setValue(31);
    COMPARE_IMAGES(fixture.bar.image(), withMarker(blocks.copy(), 4));

    // AND going back to blocks shows exactly the blocks of the value, marker gone
    fixture.bar.setStyle(0);
    fixture.bar.setValue(32);
    COMPARE_IMAGES(fixture.bar.image(), fixture.mainBarAt(32));
}

// ---------------------------------------------------------------- continuous style

void tst_Xp_ProgressBar::markerMovesAndWraps()
{
    // GIVEN a continuous bar, 89 pixels wide
    Bar fixture;
    fixture.bar.setStyle(1);

    // The marker at x, white everywhere else in the progress area.
    const auto marker = [&](int x, bool borderWhitened) {
        QImage expected = fixture.empty.copy();
        if (borderWhitened)
            for (int y = 3; y < 14; ++y)
                expected.setPixel(2, y, kWhite);
        return withMarker(expected, x);
    };

    // WHEN 1, 2, 3, ... are assigned: the marker starts at 4 and moves 5 a time
    int value = 1;
    for (int x = 4; x <= 79; x += 5, ++value) {
        fixture.bar.setValue(value);
        COMPARE_IMAGES(fixture.bar.image(), marker(x, false), QStringLiteral("marker at %1: ").arg(x));
    }
    // at 84 it has reached the end: all erased
    fixture.bar.setValue(value++);
    COMPARE_IMAGES(fixture.bar.image(), fixture.empty);
    // it starts again at 2, on the rim's inner column ...
    fixture.bar.setValue(value++);
    COMPARE_IMAGES(fixture.bar.image(), marker(2, false));
    // ... which its first erase leaves white
    for (int x = 7; x <= 17; x += 5) {
        fixture.bar.setValue(value++);
        COMPARE_IMAGES(fixture.bar.image(), marker(x, true), QStringLiteral("marker at %1: ").arg(x));
    }
    // Max empties the bar, and the marker starts over at 4.
    fixture.bar.setValue(100);
    COMPARE_IMAGES(fixture.bar.image(), fixture.empty);
    fixture.bar.setValue(1);
    COMPARE_IMAGES(fixture.bar.image(), marker(4, false));
}

// ---------------------------------------------------------------- unmeasurable inputs

void tst_Xp_ProgressBar::unmeasurableRangeDrawsNothingBeforeMax_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<QList<int>>("values"); // rising, below max
    const int top = std::numeric_limits<int>::max();
    QTest::newRow("range 32768") << 0 << 32768 << QList<int>{0, 1, 16384, 32767};
    QTest::newRow("range 100000") << 0 << 100000 << QList<int>{50, 40000, 99999};
    QTest::newRow("range 32768 above min") << 1000 << 33768 << QList<int>{1000, 2000, 33767};
    QTest::newRow("the whole 32-bit range") << 0 << top << QList<int>{0, 7, 40000, top - 1};
}

void tst_Xp_ProgressBar::unmeasurableRangeDrawsNothingBeforeMax()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(QList<int>, values);

    Bar fixture;
    fixture.bar.setMax(max);
    fixture.bar.setMin(min);
    for (int value : values) {
        fixture.bar.setValue(value);
        QCOMPARE(fixture.bar.Value(), value);
        COMPARE_IMAGES(fixture.bar.image(), fixture.empty, QStringLiteral("at %1: ").arg(value));
    }
    fixture.bar.setValue(max);
    COMPARE_IMAGES(fixture.bar.image(), withBlocks(fixture.empty, kMainBar));

    // Still accepting, and going down empties it again.
    fixture.bar.setValue(min);
    QCOMPARE(fixture.bar.Value(), min);
    COMPARE_IMAGES(fixture.bar.image(), fixture.empty);
}

void tst_Xp_ProgressBar::equalMinAndMaxShowsAFullBar()
{
    Bar fixture;
    fixture.bar.setMin(50);
    fixture.bar.setMax(50);
    for (int round = 0; round < 3; ++round) {
        fixture.bar.setValue(50);
        COMPARE_IMAGES(fixture.bar.image(), withBlocks(fixture.empty, kMainBar));
    }
    fixture.bar.setValue(51);
    QCOMPARE(fixture.doubles.messageBoxes.shown.size(), 1);
    QCOMPARE(fixture.bar.Value(), 50);
}

void tst_Xp_ProgressBar::repeatedValuesNeverAdvanceTheBlocks()
{
    // A range other than 0..100 gave every assignment a step, and the
    // 16-bit step counter ran over after 32767 of them.
    Bar fixture;
    fixture.bar.setMax(200);
    for (int round = 0; round < 40000; ++round)
        fixture.bar.setValue(1);
    COMPARE_IMAGES(fixture.bar.image(), fixture.empty);

    fixture.bar.setValue(20); // 20 x 89 / 200 = 8.9: the first block only
    COMPARE_IMAGES(fixture.bar.image(), withBlocks(fixture.empty, {{4, 8, 9}}));
}

void tst_Xp_ProgressBar::longestRangeRunsToTheEnd()
{
    Bar fixture;
    fixture.bar.setMax(32767);
    QList<int> checked{32767};
    for (const Block &block : kLongest)
        checked << block.from - 1 << block.from;
    for (int value = 0; value <= 32767; ++value) {
        fixture.bar.setValue(value);
        if (value % 4096 == 4095 || checked.contains(value)) {
            COMPARE_IMAGES(fixture.bar.image(), withBlocks(fixture.empty, due(kLongest, value)),
                           QStringLiteral("at %1: ").arg(value));
        }
    }
}

void tst_Xp_ProgressBar::withoutSkinTheTroughStaysEmpty_data()
{
    QTest::addColumn<int>("style");
    QTest::newRow("segmented") << 0;
    QTest::newRow("continuous") << 1;
}

void tst_Xp_ProgressBar::withoutSkinTheTroughStaysEmpty()
{
    QFETCH(int, style);

    // GIVEN a bar placed without reading a form: no look applied yet
    Bar fixture(QSize(89, 17), kMaster, false);
    fixture.bar.setStyle(style);

    // WHEN values are assigned, an empty trough is all it shows
    for (int value = 1; value <= 60; ++value) {
        fixture.bar.setValue(value);
        COMPARE_IMAGES(fixture.bar.image(), fixture.empty, QStringLiteral("at %1: ").arg(value));
    }

    // THEN once a look is applied, the next assignment shows the value
    fixture.bar.setProgressLook(kMaster);
    fixture.bar.setValue(61);
    COMPARE_IMAGES(fixture.bar.image(), style == 0 ? fixture.mainBarAt(61) : withMarker(fixture.empty.copy(), 4));
}

void tst_Xp_ProgressBar::tinyBarsKeepAccepting_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("style");
    for (const QSize size : {QSize(5, 5), QSize(1, 30), QSize(40, 2), QSize(0, 0)})
        for (int style : {0, 1})
            QTest::addRow("%dx%d style %d", size.width(), size.height(), style) << size << style;
}

void tst_Xp_ProgressBar::tinyBarsKeepAccepting()
{
    QFETCH(QSize, size);
    QFETCH(int, style);
    Bar fixture(size);
    fixture.bar.setStyle(style);
    for (int value = 0; value <= 100; ++value)
        fixture.bar.setValue(value);
    fixture.bar.setValue(3);
    // No progress area: nothing is ever drawn over the frame.
    COMPARE_IMAGES(fixture.bar.image(), fixture.empty);
}

QTEST_MAIN(tst_Xp_ProgressBar)
#include "tst_progressbar.moc"
