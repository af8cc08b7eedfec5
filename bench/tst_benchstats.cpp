// SPDX-License-Identifier: MIT
// The figures the benchmark prints rest on these: order statistics and the
// reading of what each measuring process reports.
#include "benchstats.h"

#include <QtTest>

#include <cmath>

class BenchStatsTest : public QObject
{
    Q_OBJECT

private slots:
    void quartilesInterpolateBetweenRanks();
    void evenCountTakesTheMiddlePair();
    void oneSampleIsItsOwnSpread();
    void reportKeepsTheRestOfTheLine();
    void reportRejectsWhatDoesNotParse();
};

void BenchStatsTest::quartilesInterpolateBetweenRanks()
{
    const Spread s = summarize({9.0, 1.0, 5.0, 3.0, 7.0});
    QCOMPARE(s.count, std::size_t(5));
    QCOMPARE(s.median, 5.0);
    QCOMPARE(s.p25, 3.0);
    QCOMPARE(s.p75, 7.0);
    QCOMPARE(s.min, 1.0);
    QCOMPARE(s.max, 9.0);

    const Spread t = summarize({10.0, 0.0, 20.0});
    QCOMPARE(t.p25, 5.0); // a quarter of the way between the lowest two
    QCOMPARE(t.p75, 15.0);
}

void BenchStatsTest::evenCountTakesTheMiddlePair()
{
    const Spread s = summarize({4.0, 1.0, 3.0, 2.0});
    QCOMPARE(s.median, 2.5);
    QCOMPARE(s.p25, 1.75);
    QCOMPARE(s.p75, 3.25);
}

void BenchStatsTest::oneSampleIsItsOwnSpread()
{
    const Spread s = summarize({7.5});
    QCOMPARE(s.median, 7.5);
    QCOMPARE(s.p25, 7.5);
    QCOMPARE(s.p75, 7.5);
}

void BenchStatsTest::reportKeepsTheRestOfTheLine()
{
    const ChildReport r = parseReport("mode program\n"
                                      "gl_renderer llvmpipe (LLVM 15.0.6, 256 bits)\n"
                                      "QXcbConnection: a stray warning\n"
                                      "noise\n"
                                      "tick_ms 1.5 2 0.25\n"
                                      "build_ms 12.5\n"
                                      "build_ms 13\n");
    QCOMPARE(r.text("gl_renderer"), std::string("llvmpipe (LLVM 15.0.6, 256 bits)"));
    QVERIFY(!r.has("noise"));
    QCOMPARE(r.number("build_ms"), 13.0); // the later line wins
    QCOMPARE(r.numbers("tick_ms"), (std::vector<double>{1.5, 2.0, 0.25}));
}

void BenchStatsTest::reportRejectsWhatDoesNotParse()
{
    const ChildReport r = parseReport("hearts 80x\ntick_ms 1 2 three\nempty \n");
    QVERIFY(std::isnan(r.number("hearts")));
    QVERIFY(std::isnan(r.number("missing")));
    QVERIFY(r.numbers("tick_ms").empty()); // one bad figure spoils the list
    QVERIFY(r.numbers("missing").empty());
    QVERIFY(std::isnan(r.number("empty")));
}

QTEST_APPLESS_MAIN(BenchStatsTest)
#include "tst_benchstats.moc"
