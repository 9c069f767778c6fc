#include "app/core/CaseFilter.h"

#include <QtTest>

#include <random>
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

char32_t folded(char32_t code)
{
    return QChar::toLower(QChar::toUpper(code));
}

// A mixed text: accents, sharp s, Greek, Cyrillic, Turkish i, right-to-left
// words, combining marks, emoji, letters outside the BMP, NUL, CR LF, a
// byte-order mark, and bytes that are not UTF-8 (stray, truncated,
// overlong, an encoded surrogate, beyond U+10FFFF).
std::string mixedText()
{
    const std::string pieces[] = {
        "\xEF\xBB\xBF", "Caf\xC3\xA9 ", "Stra\xC3\x9F" "e ", "\xCE\xA3\xCF\x89\xCE\xBA\xCF\x81\xCE\xAC\xCF\x84\xCE\xB7\xCF\x82 ",
        "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 ", "\xC4\xB0stanbul \xC4\xB1l\xC4\xB1k ",
        "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ", "e\xCC\x81te\xCC\x81 ", "\xF0\x9F\x98\x80 ", "\xF0\x90\x90\xA8\xF0\x90\x91\x85 ",
        "\xC7\x85ungla ", "\xE2\x84\xAA ", "\r\n", std::string("a\0b ", 4), "\xFF", "\xC3(", "\xE0\x80\x80",
        "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80\xBF", "\xC0\xAF", "\xF0\x9F\x98", "Plain English words. ",
    };
    std::string text;
    std::mt19937 pick(7);
    for (int i = 0; i < 4000; ++i)
        text += pieces[pick() % std::size(pieces)];
    text += std::string("x\0y", 3);
    text += "\xE2\x82"; // a sequence the end cuts short
    return text;
}

std::string filtered(const std::string &input, std::uint64_t seed, std::size_t piece)
{
    static const CaseRules rules;
    CaseFilter filter(rules, seed);
    std::string out;
    for (std::size_t at = 0; at < input.size(); at += piece)
        filter.feed(input.data() + at, std::min(piece, input.size() - at), out);
    filter.finish(out);
    return out;
}

} // namespace

class tst_CaseFilter : public QObject {
    Q_OBJECT

private slots:
    void everythingButCaseSurvives();
    void drawsAreFair();
    void seedDecidesTheOutput();
};

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
            QVERIFY2(after[i].byte == before[i].byte, qPrintable(QStringLiteral("unit %1").arg(i)));
            QVERIFY2(folded(after[i].code) == folded(before[i].code), qPrintable(QStringLiteral("unit %1").arg(i)));
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
        upper.push_back(QChar::isUpper(unit.code));
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

void tst_CaseFilter::seedDecidesTheOutput()
{
    const std::string input = mixedText();
    QCOMPARE(filtered(input, 1, 1000) == filtered(input, 1, 333), true);
    QCOMPARE(filtered(input, 1, 1000) == filtered(input, 2, 1000), false);
    QCOMPARE(filtered(input, std::uint64_t(-1), 1000) == filtered(input, std::uint64_t(-2), 1000), false);
}

QTEST_MAIN(tst_CaseFilter)
#include "tst_casefilter.moc"
