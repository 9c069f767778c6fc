#include "core/CaseFilter.h"

#include <QtTest>

#include <unicode/uchar.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// One unit of a text: a code point of well-formed UTF-8 (Unicode's table
// of well-formed byte sequences), or a byte that is not part of one.
struct Unit {
    char32_t code = 0;
    int byte = -1; // the byte itself when it is not part of a code point
};

std::vector<Unit> unitsOf(const std::string &text)
{
    const auto in = [](unsigned char b, int low, int high) { return b >= low && b <= high; };
    std::vector<Unit> units;
    units.reserve(text.size());
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = s[i];
        const auto at = [&](std::size_t k) { return i + k < n ? s[i + k] : 0; };
        int length = 0;
        if (b < 0x80)
            length = 1;
        else if (in(b, 0xC2, 0xDF) && in(at(1), 0x80, 0xBF))
            length = 2;
        else if ((b == 0xE0 && in(at(1), 0xA0, 0xBF)) || ((in(b, 0xE1, 0xEC) || in(b, 0xEE, 0xEF)) && in(at(1), 0x80, 0xBF))
                 || (b == 0xED && in(at(1), 0x80, 0x9F)))
            length = in(at(2), 0x80, 0xBF) ? 3 : 0;
        else if ((b == 0xF0 && in(at(1), 0x90, 0xBF)) || (in(b, 0xF1, 0xF3) && in(at(1), 0x80, 0xBF))
                 || (b == 0xF4 && in(at(1), 0x80, 0x8F)))
            length = in(at(2), 0x80, 0xBF) && in(at(3), 0x80, 0xBF) ? 4 : 0;
        if (length == 0) {
            units.push_back(Unit{0, b});
            ++i;
            continue;
        }
        char32_t code = length == 1 ? b : b & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k)
            code = code << 6 | (s[i + std::size_t(k)] & 0x3F);
        units.push_back(Unit{code, -1});
        i += std::size_t(length);
    }
    return units;
}

// Unicode's simple case mapping as the Unicode Character Database writes it
// (/usr/share/unicode/UnicodeData.txt, Debian's unicode-data): fields 12
// and 13 of each code point's line. A code point with no line, or an empty
// field, maps to itself.
//
// The database and ICU need not be of one Unicode version (Debian 13 has
// the database of 15.1 and ICU's 16.0, which pairs U+019B with the new
// U+A7DC): a mapping is judged only where both know every character it
// involves, and only the database's judgment counts there.
struct UnicodeData {
    std::vector<char32_t> upper;
    std::vector<char32_t> lower;
    std::vector<bool> listed; // the code points it has a line (or a range) for
    bool loaded = false;

    UnicodeData()
        : upper(0x110000)
        , lower(0x110000)
        , listed(0x110000)
    {
        for (char32_t code = 0; code < 0x110000; ++code)
            upper[code] = lower[code] = code;
        QFile file(QStringLiteral("/usr/share/unicode/UnicodeData.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return;
        char32_t rangeStart = 0;
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().split(';');
            if (fields.size() < 14)
                continue;
            const char32_t code = fields[0].toUInt(nullptr, 16);
            listed[code] = true;
            if (fields[1].endsWith(", First>"))
                rangeStart = code;
            if (fields[1].endsWith(", Last>"))
                std::fill(listed.begin() + rangeStart, listed.begin() + code, true);
            if (!fields[12].isEmpty())
                upper[code] = fields[12].toUInt(nullptr, 16);
            if (!fields[13].isEmpty())
                lower[code] = fields[13].toUInt(nullptr, 16);
        }
        loaded = true;
    }

    // Whether the mapping of `code` can be judged: the database and ICU
    // both know the code point and every code point either maps it to.
    bool judges(char32_t code) const
    {
        const auto known = [this](char32_t c) { return listed[c] && u_charType(UChar32(c)) != U_UNASSIGNED; };
        return known(code) && known(upper[code]) && known(lower[code]) && known(CaseRules::simpleUpper(code))
            && known(CaseRules::simpleLower(code));
    }
};

const UnicodeData &unicodeData()
{
    static const UnicodeData data;
    return data;
}

// A mixed text: accents, sharp s, Greek, Cyrillic, Turkish i, right-to-left
// words, combining marks, emoji, letters outside the BMP, NUL, CR LF, a
// byte-order mark, and bytes that are not UTF-8 (stray, truncated,
// overlong, an encoded surrogate, beyond U+10FFFF, four-byte starts that
// break off); ASCII runs of every
// length, and every scalar value. `picks` pieces of words come first.
std::string mixedText(int picks = 4000)
{
    const std::string pieces[] = {
        "\xEF\xBB\xBF", "Caf\xC3\xA9 ", "Stra\xC3\x9F" "e ", "\xCE\xA3\xCF\x89\xCE\xBA\xCF\x81\xCE\xAC\xCF\x84\xCE\xB7\xCF\x82 ",
        "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 ", "\xC4\xB0stanbul \xC4\xB1l\xC4\xB1k ",
        "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ", "e\xCC\x81te\xCC\x81 ", "\xF0\x9F\x98\x80 ", "\xF0\x90\x90\xA8\xF0\x90\x91\x85 ",
        "\xC7\x85ungla ", "\xE2\x84\xAA ", "\r\n", std::string("a\0b ", 4), "\xFF", "\xC3(", "\xE0\x80\x80",
        "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80\xBF", "\xC0\xAF", "\xF0\x9F\x98", "Plain English words. ",
        "\xF0\x90\x41\x80", "\xF0\x90\xC3\xA9", "\xC3\xA9\xF0\x8F\xBF\xBF", // four bytes that are not a letter
    };
    std::string text;
    std::mt19937 pick(7);
    for (int i = 0; i < picks; ++i)
        text += pieces[pick() % std::size(pieces)];
    // ASCII runs of every length up to 130 between two-byte letters, every
    // ASCII byte at every place in them: the runs taken 8, 16, 32 and 64
    // bytes at a time and what is left of them.
    for (int length = 1; length <= 130; ++length) {
        for (int first = 0; first < 128; first += 37) {
            for (int k = 0; k < length; ++k)
                text += char((first + 5 * k + length) % 128);
            text += "\xC3\xA9";
        }
    }
    // Every scalar value once, in order: runs of two, three and four bytes.
    for (char32_t code = 0; code < 0x110000; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        if (code < 0x80) {
            text += char(code);
        } else if (code < 0x800) {
            text += char(0xC0 | (code >> 6));
            text += char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            text += char(0xE0 | (code >> 12));
            text += char(0x80 | ((code >> 6) & 0x3F));
            text += char(0x80 | (code & 0x3F));
        } else {
            text += char(0xF0 | (code >> 18));
            text += char(0x80 | ((code >> 12) & 0x3F));
            text += char(0x80 | ((code >> 6) & 0x3F));
            text += char(0x80 | (code & 0x3F));
        }
    }
    text += std::string("x\0y", 3);
    text += "\xE2\x82"; // a sequence the end cuts short
    return text;
}

std::string filtered(const std::string &input, std::uint64_t seed, std::size_t piece,
                     const CaseRules &rules = CaseRules(), const CaseMode &mode = CaseMode())
{
    CaseFilter filter(rules, seed, mode);
    std::string out;
    out.reserve(CaseFilter::room(input.size()));
    for (std::size_t at = 0; at < input.size(); at += piece)
        filter.feed(input.data() + at, std::min(piece, input.size() - at), out);
    filter.finish(out);
    return out;
}

std::string encoded(const std::vector<Unit> &units)
{
    std::string text;
    for (const Unit &unit : units) {
        const char32_t code = unit.code;
        if (unit.byte >= 0) {
            text += char(unit.byte);
        } else if (code < 0x80) {
            text += char(code);
        } else if (code < 0x800) {
            text += {char(0xC0 | (code >> 6)), char(0x80 | (code & 0x3F))};
        } else if (code < 0x10000) {
            text += {char(0xE0 | (code >> 12)), char(0x80 | ((code >> 6) & 0x3F)), char(0x80 | (code & 0x3F))};
        } else {
            text += {char(0xF0 | (code >> 18)), char(0x80 | ((code >> 12) & 0x3F)), char(0x80 | ((code >> 6) & 0x3F)),
                     char(0x80 | (code & 0x3F))};
        }
    }
    return text;
}

// A text alternated by the rule, unit by unit.
std::string alternated(const std::string &text, bool startUpper)
{
    const CaseRules rules;
    std::vector<Unit> units = unitsOf(text);
    for (std::size_t n = 0; n < units.size(); ++n)
        units[n].code = rules.toCase(units[n].code, (n % 2 == 1) != startUpper);
    return encoded(units);
}

// "random", "alternate", "alternate upper", "max-run N".
CaseMode modeOf(const QString &name)
{
    if (name.startsWith(QLatin1String("alternate")))
        return CaseMode::alternate(name.endsWith(QLatin1String("upper")));
    if (name.startsWith(QLatin1String("max-run ")))
        return CaseMode::limitedRuns(name.mid(8).toUInt());
    return CaseMode::random();
}

} // namespace

class tst_CaseFilter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyCodePointTakesItsSimpleMapping();
    void theDottedAndDotlessIOfTurkishAndAzerbaijani_data();
    void theDottedAndDotlessIOfTurkishAndAzerbaijani();
    void seedsGiveTheOutputTheyAlwaysGave_data();
    void seedsGiveTheOutputTheyAlwaysGave();
    void everythingButCaseSurvives();
    void drawsAreFair();
    void seedDecidesTheOutput_data();
    void seedDecidesTheOutput();
    void alternationGoesByUnit_data();
    void alternationGoesByUnit();
    void runsStayWithinTheLimit_data();
    void runsStayWithinTheLimit();
};

void tst_CaseFilter::initTestCase()
{
    QVERIFY2(unicodeData().loaded, "no UnicodeData.txt (scripts/install-deps.sh installs unicode-data)");
}

void tst_CaseFilter::everyCodePointTakesItsSimpleMapping()
{
    // All 1,114,112 code points, against the character database: the letters
    // whose full mapping has several code points (U+1F80, U+0130, ...) too.
    const CaseRules rules;
    const UnicodeData &data = unicodeData();
    int wrong = 0;
    int unjudged = 0;
    QString first;
    for (char32_t code = 0; code < 0x110000; ++code) {
        if (!data.judges(code)) {
            unjudged += CaseRules::simpleUpper(code) != code || CaseRules::simpleLower(code) != code;
            continue;
        }
        const char32_t upper = rules.toCase(code, true);
        const char32_t lower = rules.toCase(code, false);
        if (upper != data.upper[code] || lower != data.lower[code]) {
            if (wrong++ == 0)
                first = QStringLiteral("U+%1: %2 %3, wanted %4 %5").arg(code, 4, 16, QLatin1Char('0'))
                            .arg(upper, 0, 16).arg(lower, 0, 16).arg(data.upper[code], 0, 16).arg(data.lower[code], 0, 16);
        }
    }
    QVERIFY2(wrong == 0, qPrintable(QStringLiteral("%1 code points, first %2").arg(wrong).arg(first)));
    if (unjudged > 0)
        qInfo("%d code points with a case in ICU's Unicode %s are left unjudged: UnicodeData.txt is older",
              unjudged, CaseRules::unicodeVersion().c_str());
    // And the filter draws both cases of such a letter.
    const std::string text = std::string(2000, ' ').replace(0, 0, "\xE1\xBE\xB3\xC4\xB0"); // U+1FB3, U+0130
    const std::string output = filtered(text, 5, 3);
    QVERIFY(output.find("\xE1\xBE\xBC") != std::string::npos || output.find("\xE1\xBE\xB3") != std::string::npos);
    bool changed = false;
    for (std::uint64_t seed = 0; seed < 16 && !changed; ++seed) {
        const std::string out = filtered(text, seed, 7);
        changed = out.compare(0, 3, "\xE1\xBE\xBC") == 0 && out.compare(3, 1, "i") == 0;
    }
    QVERIFY2(changed, "U+1FB3 never came up as U+1FBC with U+0130 down as i");
}

void tst_CaseFilter::theDottedAndDotlessIOfTurkishAndAzerbaijani_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("dotted");
    QTest::newRow("Turkish") << "tr_TR.UTF-8" << true;
    QTest::newRow("Azerbaijani") << "az_AZ" << true;
    QTest::newRow("English") << "en_US.UTF-8" << false;
    QTest::newRow("C") << "C" << false;
    QTest::newRow("a language starting as Turkish does") << "tru" << false;
}

void tst_CaseFilter::theDottedAndDotlessIOfTurkishAndAzerbaijani()
{
    QFETCH(QString, locale);
    QFETCH(bool, dotted);
    const CaseRules rules{locale.toStdString()};
    // Groups of eight ASCII bytes go through at once; an i among them must
    // still take its language's rule. Other letters keep ASCII's.
    std::string input;
    for (int i = 0; i < 500; ++i)
        input += i % 3 ? "iiiiIIII" : "kiwI mix";
    std::set<std::string> seen;
    for (const std::size_t piece : {input.size(), std::size_t(5)}) {
        const std::string output = filtered(input, 11, piece, rules);
        const std::vector<Unit> before = unitsOf(input);
        const std::vector<Unit> after = unitsOf(output);
        QCOMPARE(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            const char32_t code = after[i].code;
            std::set<char32_t> allowed;
            if (before[i].code == 'i')
                allowed = dotted ? std::set<char32_t>{'i', 0x130} : std::set<char32_t>{'i', 'I'};
            else if (before[i].code == 'I')
                allowed = dotted ? std::set<char32_t>{'I', 0x131} : std::set<char32_t>{'i', 'I'};
            else
                allowed = {before[i].code, char32_t(unicodeData().upper[before[i].code]),
                           char32_t(unicodeData().lower[before[i].code])}; // ASCII: always judged
            QVERIFY2(allowed.count(code), qPrintable(QStringLiteral("unit %1: U+%2").arg(i).arg(code, 0, 16)));
            seen.insert(std::string(1, char(before[i].code)) + "->" + std::to_string(code));
        }
    }
    if (dotted) {
        QVERIFY(seen.count("i->304")); // İ
        QVERIFY(seen.count("I->305")); // ı
    }
}

void tst_CaseFilter::seedsGiveTheOutputTheyAlwaysGave_data()
{
    QTest::addColumn<QString>("seed");
    // Outputs kept from before the filter was made faster and its case rule
    // complete, over a text without the letters that rule mended.
    QTest::newRow("1") << "1";
    QTest::newRow("42") << "42";
    QTest::newRow("-1") << "-1";
}

void tst_CaseFilter::seedsGiveTheOutputTheyAlwaysGave()
{
    QFETCH(QString, seed);
    const QString folder = QStringLiteral(TESSALY_TEST_DATA);
    QFile text(folder + QStringLiteral("/seed-text.txt"));
    QFile kept(folder + QStringLiteral("/seed-text.seed%1.out").arg(seed));
    QVERIFY(text.open(QIODevice::ReadOnly) && kept.open(QIODevice::ReadOnly));
    const QByteArray input = text.readAll();
    const QByteArray expected = kept.readAll();
    const std::uint64_t value = seed.startsWith('-') ? std::uint64_t(seed.toLongLong()) : seed.toULongLong();
    for (const std::size_t piece : {std::size_t(input.size()), std::size_t(1), std::size_t(4093)}) {
        const std::string output = filtered(input.toStdString(), value, piece);
        QVERIFY2(QByteArray::fromStdString(output) == expected, qPrintable(QStringLiteral("in pieces of %1").arg(piece)));
    }
}

void tst_CaseFilter::everythingButCaseSurvives()
{
    const std::string input = mixedText();
    const std::vector<Unit> before = unitsOf(input);
    std::string first;
    // Whole, and cut into pieces of every awkward length: a sequence split
    // between two pieces must come out as when it is whole.
    for (std::size_t piece : {input.size(), std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(7),
                              std::size_t(4093)}) {
        const std::string output = filtered(input, 99, piece);
        if (first.empty())
            first = output;
        QCOMPARE(output.size() == first.size() && output == first, true);
        const std::vector<Unit> after = unitsOf(output);
        QCOMPARE(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            // Itself or its other case by the simple mapping, nothing else.
            const char32_t code = before[i].code;
            const char32_t out = after[i].code;
            if (after[i].byte != before[i].byte
                || (unicodeData().judges(code) && out != code && out != unicodeData().upper[code]
                    && out != unicodeData().lower[code]))
                QFAIL(qPrintable(QStringLiteral("in pieces of %1, unit %2: U+%3 (byte %4) came out as U+%5 (byte %6)")
                                     .arg(piece).arg(i).arg(code, 0, 16).arg(before[i].byte).arg(out, 0, 16)
                                     .arg(after[i].byte)));
        }
    }
    QVERIFY(first != input); // and some case did change
}

void tst_CaseFilter::drawsAreFair()
{
    // Over a million letters, ASCII and not: half of them upper case, and
    // each of the four pairs of neighbouring cases a quarter of the pairs.
    std::string input;
    for (int i = 0; i < 300000; ++i)
        input += "ab\xC3\xA9z";
    const std::string output = filtered(input, 20031220, 65536);
    std::vector<bool> upper;
    for (const Unit &unit : unitsOf(output))
        upper.push_back(unicodeData().lower[unit.code] != unit.code);
    QCOMPARE(upper.size(), std::size_t(1200000));
    std::size_t uppers = 0;
    std::size_t pairs[2][2] = {};
    for (std::size_t i = 0; i < upper.size(); ++i) {
        uppers += upper[i];
        if (i > 0)
            ++pairs[upper[i - 1]][upper[i]];
    }
    const double share = double(uppers) / double(upper.size());
    QVERIFY2(std::abs(share - 0.5) <= 0.005, qPrintable(QString::number(share)));
    for (auto &row : pairs) {
        for (std::size_t count : row) {
            const double pairShare = double(count) / double(upper.size() - 1);
            QVERIFY2(std::abs(pairShare - 0.25) <= 0.005, qPrintable(QString::number(pairShare)));
        }
    }
}

void tst_CaseFilter::seedDecidesTheOutput_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("seedCounts");
    QTest::newRow("random") << "random" << true;
    QTest::newRow("runs limited") << "max-run 2" << true;
    QTest::newRow("alternating: nothing is drawn") << "alternate" << false;
}

void tst_CaseFilter::seedDecidesTheOutput()
{
    QFETCH(QString, mode);
    QFETCH(bool, seedCounts);
    const CaseMode caseMode = modeOf(mode);
    const CaseRules rules;
    const std::string input = mixedText();
    const std::string once = filtered(input, 1, 1000, rules, caseMode);
    QCOMPARE(once == filtered(input, 1, 333, rules, caseMode), true);
    QCOMPARE(once == filtered(input, 2, 1000, rules, caseMode), !seedCounts);
    QCOMPARE(filtered(input, std::uint64_t(-1), 1000, rules, caseMode)
                 == filtered(input, std::uint64_t(-2), 1000, rules, caseMode),
             !seedCounts);
}

void tst_CaseFilter::alternationGoesByUnit_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("startUpper");
    QTest::addColumn<QByteArray>("expected");
    // Every unit takes its turn: a blank, a line break, a stray byte, a
    // letter outside the BMP.
    QTest::newRow("words") << QByteArray("alternating case") << false << QByteArray("aLtErNaTiNg cAsE");
    QTest::newRow("words, from upper") << QByteArray("alternating case") << true << QByteArray("AlTeRnAtInG CaSe");
    QTest::newRow("a line break") << QByteArray("ab\r\ncd ef") << false << QByteArray("aB\r\ncD Ef");
    QTest::newRow("not letters") << QByteArray("a-bc1de") << false << QByteArray("a-bC1De");
    QTest::newRow("stray bytes") << QByteArray("a\xFF\xC3(bc") << false << QByteArray("a\xFF\xC3(bC");
    QTest::newRow("a letter past the BMP, Greek") << QByteArray("\xCF\x89\xF0\x90\x90\xA8\xCF\x89\xCF\x89") << false
                                                   << QByteArray("\xCF\x89\xF0\x90\x90\x80\xCF\x89\xCE\xA9");
    // And over the mixed text, unit by unit by the rule: ASCII runs of every
    // length, every scalar value.
    const std::string mixed = mixedText();
    for (const bool startUpper : {false, true}) {
        QTest::addRow("mixed text, from %s", startUpper ? "upper" : "lower")
            << QByteArray::fromStdString(mixed) << startUpper
            << QByteArray::fromStdString(alternated(mixed, startUpper));
    }
}

void tst_CaseFilter::alternationGoesByUnit()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, startUpper);
    QFETCH(QByteArray, expected);
    const CaseRules rules;
    // The rhythm goes on from one piece to the next, wherever they are cut.
    for (const std::size_t piece : {std::size_t(input.size()), std::size_t(1), std::size_t(3), std::size_t(4093)}) {
        const std::string output =
            filtered(input.toStdString(), 7, piece, rules, CaseMode::alternate(startUpper));
        QVERIFY2(QByteArray::fromStdString(output) == expected, qPrintable(QStringLiteral("in pieces of %1").arg(piece)));
    }
}

void tst_CaseFilter::runsStayWithinTheLimit_data()
{
    QTest::addColumn<unsigned>("limit");
    QTest::addColumn<bool>("reached"); // whether a text this long has runs of the limit
    QTest::addColumn<QString>("locale");
    for (const unsigned limit : {1u, 2u, 8u, 9u, 12u})
        QTest::addRow("%u", limit) << limit << true << "C";
    QTest::newRow("65, past a word of draws") << 65u << false << "C";
    QTest::newRow("the longest") << CaseMode::kLongestRun << false << "C";
    // The i that may come out as İ, one letter like any other.
    QTest::newRow("2, Turkish") << 2u << true << "tr_TR.UTF-8";
}

void tst_CaseFilter::runsStayWithinTheLimit()
{
    QFETCH(unsigned, limit);
    QFETCH(bool, reached);
    QFETCH(QString, locale);
    static const std::string input = mixedText(60000);
    static const std::vector<Unit> before = unitsOf(input);
    const CaseRules rules{locale.toStdString()};
    std::string first;
    // Cut short, the ASCII runs go a letter at a time, not many at once.
    for (const std::size_t piece : {input.size(), std::size_t(7), std::size_t(4093)}) {
        const std::string output = filtered(input, 1993, piece, rules, CaseMode::limitedRuns(limit));
        if (first.empty())
            first = output;
        QVERIFY2(output == first, qPrintable(QStringLiteral("in pieces of %1").arg(piece)));
    }
    // Runs counted over the letters with case alone: what has none between
    // them passes unchanged and neither ends a run nor counts in it.
    const std::vector<Unit> after = unitsOf(first);
    QCOMPARE(after.size(), before.size());
    std::size_t longest = 0;
    std::size_t run = 0;
    std::size_t letters = 0;
    std::size_t uppers = 0;
    bool lastUpper = false;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const char32_t code = before[i].code;
        const char32_t upper = rules.toCase(code, true);
        const char32_t lower = rules.toCase(code, false);
        const bool hasCase = before[i].byte < 0 && upper != lower;
        if (!hasCase) {
            QVERIFY2(after[i].byte == before[i].byte && after[i].code == code, qPrintable(QString::number(i)));
            continue;
        }
        QVERIFY2(after[i].code == upper || after[i].code == lower, qPrintable(QString::number(i)));
        const bool isUpper = after[i].code == upper;
        run = letters > 0 && isUpper == lastUpper ? run + 1 : 1;
        longest = std::max(longest, run);
        lastUpper = isUpper;
        ++letters;
        uppers += isUpper;
    }
    QVERIFY2(longest <= limit, qPrintable(QStringLiteral("a run of %1").arg(longest)));
    if (reached)
        QCOMPARE(longest, std::size_t(limit));
    // Still drawn: as many upper as lower.
    const double share = double(uppers) / double(letters);
    QVERIFY2(std::abs(share - 0.5) <= 0.01, qPrintable(QString::number(share)));
}

QTEST_MAIN(tst_CaseFilter)
#include "tst_casefilter.moc"
