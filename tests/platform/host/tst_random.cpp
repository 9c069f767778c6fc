#include "platform/host/Random.h"

#include <QtTest>

#include <algorithm>
#include <array>

class tst_Random : public QObject {
    Q_OBJECT

private slots:
    void firstDrawIsTheSameAtEveryStart();
    void drawsStayInTheUnitInterval();
    void reseedingWithTheSameTimeStillVaries();
    void reseedingChangesTheSequence();
    void drawsAreUniform();
};

void tst_Random::firstDrawIsTheSameAtEveryStart()
{
    platform::Pcg32Random first;
    platform::Pcg32Random second;
    QCOMPARE(first.next(), second.next());
}

void tst_Random::drawsStayInTheUnitInterval()
{
    platform::Pcg32Random generator;
    for (int i = 0; i < 100000; ++i) {
        const float r = generator.next();
        QVERIFY2(r >= 0.0f && r < 1.0f, qPrintable(QString::number(r)));
        if (i % 97 == 0)
            generator.reseed(float(i) * 0.37f);
    }
}

void tst_Random::reseedingWithTheSameTimeStillVaries()
{
    // Draws in one tick of the clock reseed with one value; they must not
    // fall into a loop that repeats the same draw.
    platform::Pcg32Random generator;
    QSet<float> draws;
    for (int i = 0; i < 50; ++i) {
        draws.insert(generator.next());
        generator.reseed(43200.5f);
    }
    QVERIFY2(draws.size() > 45, qPrintable(QString::number(draws.size())));
}

void tst_Random::reseedingChangesTheSequence()
{
    platform::Pcg32Random plain;
    platform::Pcg32Random reseeded;
    plain.next();
    reseeded.next();
    reseeded.reseed(1234.25f);
    int equal = 0;
    for (int i = 0; i < 20; ++i)
        equal += plain.next() == reseeded.next() ? 1 : 0;
    QVERIFY(equal < 20);
}

void tst_Random::drawsAreUniform()
{
    // Sixteen equal bins, as the program reseeds between draws: a generator
    // that favours any part of the interval (not only a half) lands far
    // above the chi-square bound (15 degrees of freedom, p = 0.001).
    platform::Pcg32Random generator;
    constexpr int kBins = 16;
    constexpr int kDraws = 32000;
    std::array<int, kBins> counts{};
    for (int i = 0; i < kDraws; ++i) {
        ++counts[std::min(kBins - 1, int(generator.next() * kBins))];
        generator.reseed(float(i / 16) * 0.01f); // many draws share one clock value
    }
    const double expected = double(kDraws) / kBins;
    double chiSquare = 0;
    for (int count : counts)
        chiSquare += (count - expected) * (count - expected) / expected;
    QVERIFY2(chiSquare < 37.7, qPrintable(QString::number(chiSquare)));
}

QTEST_APPLESS_MAIN(tst_Random)
#include "tst_random.moc"
