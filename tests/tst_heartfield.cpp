// SPDX-License-Identifier: MIT
#include "config/heartsettings.h"
#include "view/heartfield.h"
#include "view/projection.h"

#include <QtTest>

#include <climits>
#include <cstdlib>
#include <random>
#include <set>

namespace {

// Replays a fixed script of rand() values. Reading past its end is fatal (the
// caller may loop on whatever it gets back); tests also check the script was
// used up, which pins down the number and order of draws.
QVector<int> script;
int drawn = 0;

int scripted()
{
    if (drawn >= script.size())
        qFatal("random source read past the end of its %d-value script", int(script.size()));
    return script[drawn++];
}

void load(const QVector<int> &values)
{
    script = values;
    drawn = 0;
}

Frustum frustum(int nearDistance = 10, int farDistance = 100)
{
    return Frustum{nearDistance, farDistance, 45.0, 4.0 / 3.0};
}

QVector<double> motion(const HeartInstance &h)
{
    return {h.position.x, h.position.y, h.position.z, h.angle, h.axis.x, h.axis.y, h.axis.z};
}

} // namespace

using Ints = QVector<int>;
using Doubles = QVector<double>;

class TestHeartField : public QObject
{
    Q_OBJECT

private slots:
    void drawDistance_data()
    {
        QTest::addColumn<int>("nearDistance");
        QTest::addColumn<int>("farDistance");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");

        QTest::newRow("defaults") << 10 << 100 << 15 << 94;
        QTest::newRow("smallest gap") << 1 << 16 << 6 << 10;
        QTest::newRow("farthest") << 985 << 1000 << 990 << 994;
    }

    // Every value rand() can give, modulo far (some of them above far): taken
    // at once exactly when in range, else the next, admissible draw is; and the
    // whole range is reachable.
    void drawDistance()
    {
        QFETCH(int, nearDistance);
        QFETCH(int, farDistance);
        QFETCH(int, lowest);
        QFETCH(int, highest);

        std::set<int> taken;
        for (int v = 0; v < farDistance; ++v) {
            load({v + farDistance * (v % 3), lowest + 5});
            const int d = HeartField::drawDistance(frustum(nearDistance, farDistance), scripted);
            QVERIFY2(d >= lowest && d <= highest, QByteArray::number(d));
            QCOMPARE(d, drawn == 1 ? v - 5 : lowest);
            if (drawn == 1)
                taken.insert(d);
        }
        QCOMPARE(int(taken.size()), highest - lowest + 1);
    }

    void place_data()
    {
        QTest::addColumn<Ints>("values");
        QTest::addColumn<int>("colour");
        QTest::addColumn<Doubles>("expected"); // x, y, z, angle, axis

        // d 15 gives w 8, h 6; d 94 gives w 51, h 38: each magnitude shows its range.
        QTest::newRow("axis redrawn") << Ints{20, 17, 4, 23, 3, 13, 200, 2, 0, 2, 4, 1, 0, 7} << 5
                                      << Doubles{7, -5, -15, -19, 1, 0, 1};
        QTest::newRow("distance redrawn") << Ints{3, 99, 40, 9, 100, 6, 7, 180, 11, 0, 1, 0} << 7
                                          << Doubles{-49, 2, -94, 180, 0, 1, 0};
    }

    // Order: distance, y magnitude and coin, x magnitude and coin, colour,
    // angle magnitude and coin, axis coins.
    void place()
    {
        QFETCH(Ints, values);
        QFETCH(int, colour);
        QFETCH(Doubles, expected);
        HeartInstance heart;
        load(values);
        QCOMPARE(HeartField::place(heart, frustum(), scripted), colour);
        QCOMPARE(drawn, script.size());
        QCOMPARE(motion(heart), expected);
    }

    void placeStaysInsidePicture()
    {
        std::srand(12345);
        for (const Frustum &f : {frustum(10, 100), frustum(1, 16), frustum(1, 1000)}) {
            for (int i = 0; i < 20000; ++i) {
                HeartInstance heart;
                const int colour = HeartField::place(heart, f, std::rand);
                const double d = -heart.position.z;
                const Vector3D &a = heart.axis;
                QVERIFY(d >= f.nearDistance + 5 && d <= f.farDistance - 6);
                QVERIFY(std::abs(heart.position.x) <= int(f.halfWidthAt(d)) - 1);
                QVERIFY(std::abs(heart.position.y) <= int(f.halfHeightAt(d)) - 1);
                QVERIFY(colour >= 0 && colour < 8 && std::abs(heart.angle) <= 180.0);
                QVERIFY((a.x == 0 || a.x == 1) && (a.y == 0 || a.y == 1) && (a.z == 0 || a.z == 1));
                QVERIFY(a.x + a.y + a.z > 0);
            }
        }
    }

    void fall_data()
    {
        QTest::addColumn<double>("oldDistance");
        QTest::addColumn<double>("oldY");
        QTest::addColumn<Ints>("values");
        QTest::addColumn<Doubles>("expected"); // x, y, z, angle, axis

        QTest::newRow("falls") << 15.0 << 0.0 << Ints{} << Doubles{1, -0.1, -15, 33, 0, 0, 1};
        // At d 15 the threshold is -trunc(6.21) - 5 = -11.
        QTest::newRow("just above threshold") << 15.0 << -10.85 << Ints{} << Doubles{1, -10.95, -15, 33, 0, 0, 1};
        // The new x range is the old distance's: 13 % 8 here, not 13 % 51...
        QTest::newRow("to farther") << 15.0 << -10.9 << Ints{99, 13, 2, 5, 1, 1, 1}
                                    << Doubles{-5, 43, -94, 1, 1, 1, 1};
        // ...and 50 % 51 here, beside the new picture, not 50 % 8.
        QTest::newRow("to nearer") << 94.0 << -42.95 << Ints{3, 20, 50, 1, 8, 0, 0, 0, 0, 0, 1}
                                   << Doubles{50, 11, -15, -1, 0, 0, 1};
    }

    void fall()
    {
        QFETCH(double, oldDistance);
        QFETCH(double, oldY);
        QFETCH(Ints, values);
        QFETCH(Doubles, expected);
        HeartInstance heart;
        heart.position = Vector3D{1, oldY, -oldDistance};
        heart.angle = 33;
        const double colour[4] = {0.25, 0.5, 0.75, 1.0};
        std::copy(colour, colour + 4, heart.color);
        load(values);
        QCOMPARE(HeartField::fall(heart, frustum(), scripted), !values.isEmpty());
        QCOMPARE(drawn, script.size());
        QCOMPARE(motion(heart), expected);
        QVERIFY(std::equal(colour, colour + 4, heart.color));
        QVERIFY(!heart.mesh);
    }

    void respawnCycle()
    {
        HeartInstance heart;
        heart.position = Vector3D{0, 11, -15};
        load({20, 3, 1, 1, 1, 0, 0});
        int ticks = 1;
        while (!HeartField::fall(heart, frustum(), scripted) && ticks < 1000)
            ++ticks;
        QCOMPARE(drawn, script.size());
        // 22 units at 0.1 a tick; rounding may leave the 220th a hair above -11.
        QVERIFY2(ticks == 220 || ticks == 221, QByteArray::number(ticks));
        QCOMPARE(heart.position.y, 11.0);
    }

    void spin()
    {
        for (const Doubles &c : {Doubles{5, 6}, Doubles{-3, -4}, Doubles{0, 0}, Doubles{0.5, 1.5}}) {
            double angle = c[0];
            HeartField::spin(angle);
            QCOMPARE(angle, c[1]);
        }
    }

    void pictureSize()
    {
        for (double d : {1.0, 15.0, 94.0, 1000.0}) {
            QVERIFY(std::abs(frustum().halfHeightAt(d) - d * 0.41421356) < 1e-8 * d);
            QVERIFY(std::abs(frustum().halfWidthAt(d) - d * 0.55228475) < 1e-8 * d);
        }
    }

    void centredViewport_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<Ints>("viewport");

        QTest::newRow("wide") << 1000 << 500 << Ints{167, 0, 666, 500};
        QTest::newRow("tall") << 600 << 800 << Ints{0, 175, 600, 450};
        // Odd sizes: the half is an integer division before the scaling.
        QTest::newRow("wide, odd") << 1001 << 503 << Ints{166, 0, 670, 503};
        QTest::newRow("tall, odd") << 603 << 900 << Ints{0, 225, 603, 452};
        QTest::newRow("5:4") << 1280 << 1024 << Ints{0, 32, 1280, 960};
        // Exactly 4:3 fills the window, odd heights too (a wide-branch answer
        // would be a pixel off).
        for (int w : {640, 800, 1020, 1024, 1100, 1600})
            QTest::newRow(qPrintable(QString("%1 4:3").arg(w))) << w << w * 3 / 4 << Ints{0, 0, w, w * 3 / 4};
    }

    void centredViewport()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(Ints, viewport);
        const Viewport v = ::centredViewport(w, h, 4.0 / 3.0);
        QCOMPARE((Ints{v.x, v.y, v.width, v.height}), viewport);
    }

    void withinLimits_data()
    {
        QTest::addColumn<Ints>("in"); // count, near, far
        QTest::addColumn<Ints>("out");

        QTest::newRow("defaults kept") << Ints{80, 10, 100} << Ints{80, 10, 100};
        QTest::newRow("count 0, far 0") << Ints{0, 10, 0} << Ints{1, 1, 16};
        QTest::newRow("count 9999") << Ints{9999, 10, 100} << Ints{5000, 10, 100};
        QTest::newRow("near over far") << Ints{80, 900, 100} << Ints{80, 85, 100};
        QTest::newRow("far too small") << Ints{80, 5, 3} << Ints{80, 1, 16};
        QTest::newRow("near 986") << Ints{80, 986, 1000} << Ints{80, 985, 1000};
        QTest::newRow("limits kept") << Ints{5000, 1, 16} << Ints{5000, 1, 16};
        QTest::newRow("all INT_MIN") << Ints{INT_MIN, INT_MIN, INT_MIN} << Ints{1, 1, 16};
        QTest::newRow("all INT_MAX") << Ints{INT_MAX, INT_MAX, INT_MAX} << Ints{5000, 985, 1000};
        QTest::newRow("near INT_MAX, far INT_MIN") << Ints{80, INT_MAX, INT_MIN} << Ints{80, 1, 16};
    }

    void withinLimits()
    {
        QFETCH(Ints, in);
        QFETCH(Ints, out);
        HeartSettings s;
        s.heartCount = in[0];
        s.nearDistance = in[1];
        s.farDistance = in[2];
        s.showFrame = true;
        const HeartSettings r = ::withinLimits(s);
        QCOMPARE((Ints{r.heartCount, r.nearDistance, r.farDistance}), out);
        QVERIFY(r.showFrame);
    }

    // Whatever a settings file holds, the field built from it must neither
    // hang in drawDistance nor take a remainder by zero.
    void withinLimitsAlwaysUsable()
    {
        std::mt19937 gen(2024);
        std::uniform_int_distribution<int> any(INT_MIN, INT_MAX), small(-50, 1100);
        std::srand(99);
        for (int i = 0; i < 3000; ++i) {
            auto pick = [&] { return i % 2 ? any(gen) : small(gen); };
            HeartSettings s;
            s.heartCount = pick();
            s.nearDistance = pick();
            s.farDistance = pick();
            const HeartSettings r = ::withinLimits(s);
            QVERIFY(r.heartCount >= 1 && r.heartCount <= 5000);
            QVERIFY(r.nearDistance + 5 <= r.farDistance - 6);
            const Frustum f = frustum(r.nearDistance, r.farDistance);
            const int d = HeartField::drawDistance(f, std::rand);
            QVERIFY(d >= r.nearDistance + 5 && d <= r.farDistance - 6);
            // The nearest admissible distance gives the smallest moduli.
            QVERIFY(int(f.halfHeightAt(r.nearDistance + 5)) >= 2);
            QVERIFY(int(f.halfWidthAt(r.nearDistance + 5)) >= 3);
        }
    }
};

QTEST_APPLESS_MAIN(TestHeartField)
#include "tst_heartfield.moc"
