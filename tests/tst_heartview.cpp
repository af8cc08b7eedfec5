// SPDX-License-Identifier: MIT
// The real view in a real window: what it draws, where, and how it ends.
#include "view/myglwidget.h"
#include "testsupport.h"

#include <GL/gl.h>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// A scripted random source: the listed values first, then rand() so a late
// respawn can never loop on an exhausted script.
std::vector<int> script;
std::size_t scriptPos = 0;
int scripted()
{
    return scriptPos < script.size() ? script[scriptPos++] : std::rand();
}

QImage grab(QWidget &w)
{
    QCoreApplication::processEvents();
    return QGuiApplication::primaryScreen()->grabWindow(w.winId()).toImage().convertToFormat(
        QImage::Format_RGB32);
}

bool lit(QRgb p)
{
    return qRed(p) > 8 || qGreen(p) > 8 || qBlue(p) > 8;
}

// Even-odd test of a point against a closed polygon.
bool inside(const std::vector<QPointF> &poly, QPointF p)
{
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const QPointF &a = poly[i], &b = poly[j];
        if ((a.y() > p.y()) != (b.y() > p.y())
            && p.x() < (b.x() - a.x()) * (p.y() - a.y()) / (b.y() - a.y()) + a.x())
            in = !in;
    }
    return in;
}

// Shows a view of one heart at distance 20, its colour from the palette index
// given, and stops the animation so it holds still. It faces the eye at x = 0,
// unless given an x and an angle about the y axis.
void showOneHeart(MyGLWidget &w, int colorIndex, bool frame, int x = 0, int angle = 0)
{
    HeartSettings s;
    s.heartCount = 1;
    s.showFrame = frame;
    w.applySettings(s);
    // distance 25 % 100 - 5 = 20; y 0; x; colour; angle (0: no spin); axis x or y
    const int sign = angle >= 0 ? 1 : 0;
    script = {25, 0, 1, std::abs(x), x >= 0 ? 1 : 0, colorIndex, std::abs(angle), sign};
    script.insert(script.end(), angle ? std::initializer_list<int>{0, 1, 0} : std::initializer_list<int>{1, 0, 0});
    scriptPos = 0;
    w.setRandomSource(scripted);
    w.resize(640, 480);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.findChild<QTimer *>()->stop();
    QCOMPARE(scriptPos, script.size());
    w.repaint(); // a whole frame, drawn now
    w.makeCurrent();
    glFinish();
}

// A view of one heart far off, which falls for seconds before it comes back,
// or of one near and low, which soon does, noting where each frame draws it,
// where the field has it and when; each frame takes at least the next of the
// holds given, in turn.
const std::vector<int> farHeart = {95, 36, 1, 0, 1, 0, 10, 1, 0, 1, 0}; // distance 90, y +36, the top; angle +10
const std::vector<int> nearHeart = {20, 5, 0, 0, 1, 0, 10, 1, 0, 1, 0}; // distance 15, y -5, out in 0.6 s

class Probe : public MyGLWidget
{
public:
    explicit Probe(std::vector<int> holdsUs, const std::vector<int> &heart = farHeart)
        : MyGLWidget(false)
        , holdsUs(std::move(holdsUs))
    {
        HeartSettings s;
        s.heartCount = 1;
        applySettings(s);
        script = heart; // x 0, colour 0, axis y
        scriptPos = 0;
        setRandomSource(scripted);
        frames.reserve(1000);
        clock.start();
    }
    struct Frame
    {
        qint64 ms;
        double y, angle, fieldY;
        qint64 frameNs;
    };
    std::vector<Frame> frames;
    // How far the heart fell in frame i.
    double drop(std::size_t i) const { return frames[i - 1].y - frames[i].y; }

protected:
    void paintGL() override
    {
        const HeartField::Pose p = drawnPose(0);
        frames.push_back({clock.elapsed(), p.position.y, p.angle, field()[0].position.y, frameNs()});
        QThread::usleep(holdsUs[frames.size() % holdsUs.size()]);
        MyGLWidget::paintGL();
    }

private:
    std::vector<int> holdsUs;
    QElapsedTimer clock;
};

const int palette[8][3] = {{255, 128, 128}, {255, 255, 128}, {128, 255, 128}, {0, 255, 128},
                           {128, 255, 255}, {0, 128, 255},   {255, 128, 192}, {255, 128, 255}};

} // namespace

class HeartViewTest : public QObject
{
    Q_OBJECT

private slots:
    void lifecycle();
    void heartMatchesItsOutline_data();
    void heartMatchesItsOutline();
    void turnedHeartSpinsInPlace();
    void frameModeDrawsLinesOnly();
    void bandsStayBlack_data();
    void bandsStayBlack();
    void heartsFallBetweenFrames();
    void speedByTheClock_data();
    void speedByTheClock();
    void respawnDrawnAtItsNewPlace();
    void minimizedViewRests();
    // Last: they end the application's event loop.
    void inputEndsOnlyTheScreenSaver_data();
    void inputEndsOnlyTheScreenSaver();
};

void HeartViewTest::lifecycle()
{
    QCOMPARE(HeartMesh::count(), 0);
    {
        MyGLWidget w(false);
        QCOMPARE(w.windowTitle(), QStringLiteral("Happy Valentines Day!"));
        QVERIFY(w.hasMouseTracking());
        auto *timer = w.findChild<QTimer *>();
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 10);
        QVERIFY(!timer->isActive()); // no tick may reach a view without hearts
        QVERIFY(w.field().empty());
        const HeartSettings s = w.settings();
        QCOMPARE(s.heartCount, 80);
        QCOMPARE(s.showFrame, false);
        QCOMPARE(s.nearDistance, 10);
        QCOMPARE(s.farDistance, 100);

        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(timer->isActive());
        QCOMPARE(HeartMesh::count(), 80);
        QCOMPARE(int(w.field().size()), 80);
        for (const HeartInstance &h : w.field()) {
            QVERIFY(h.mesh);
            QVERIFY(-h.position.z >= 15 && -h.position.z <= 94);
        }
    }
    QCOMPARE(HeartMesh::count(), 0); // every display list released with the view
}

void HeartViewTest::heartMatchesItsOutline_data()
{
    QTest::addColumn<int>("colorIndex");
    for (int i = 0; i < 8; ++i)
        QTest::addRow("colour %d", i) << i;
}

// Mesh, display list, light and projection together: the lit pixels are the
// heart's outline projected from its front rim, in a lit shade of its colour.
void HeartViewTest::heartMatchesItsOutline()
{
    QFETCH(int, colorIndex);
    MyGLWidget w(false);
    showOneHeart(w, colorIndex, false);
    if (QTest::currentTestFailed())
        return;
    const QImage image = grab(w);
    QCOMPARE(image.size(), QSize(640, 480));

    const Vector3D c = w.drawnPose(0).position;
    QCOMPARE(c.z, -20.0);
    const double f = 1.0 / std::tan(M_PI / 8); // 45 degree field of view
    const double rimZ = c.z + 0.5 - 0.15 / std::sqrt(2.0);
    HeartShape::Outline outline;
    HeartShape::buildOutline(outline);
    std::vector<QPointF> projected;
    for (const Vector3D &p : outline) {
        const double ndcX = f / (4.0 / 3.0) * (c.x + p.x) / -rimZ;
        const double ndcY = f * (c.y + p.y) / -rimZ;
        projected.emplace_back((ndcX + 1) / 2 * 640, 480 - (ndcY + 1) / 2 * 480);
    }
    int both = 0, either = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const bool expected = inside(projected, QPointF(x + 0.5, y + 0.5));
            const bool seen = lit(image.pixel(x, y));
            both += expected && seen;
            either += expected || seen;
        }
    }
    QVERIFY2(either > 10000, qPrintable(QString::number(either)));
    QVERIFY2(double(both) / either >= 0.99,
             qPrintable(QStringLiteral("agreement %1 of %2").arg(both).arg(either)));

    // The front cap faces the light at the eye: full diffuse plus the 0.2
    // global ambient, clamped.
    const QPointF centre((f / (4.0 / 3.0) * c.x / -(c.z + 0.5) + 1) / 2 * 640,
                         480 - (f * c.y / -(c.z + 0.5) + 1) / 2 * 480);
    const QRgb p = image.pixel(centre.toPoint());
    const int seen[3] = {qRed(p), qGreen(p), qBlue(p)};
    for (int k = 0; k < 3; ++k) {
        const int expected = std::min(255, int(std::lround(palette[colorIndex][k] * 1.2)));
        QVERIFY2(std::abs(seen[k] - expected) <= 6,
                 qPrintable(QStringLiteral("channel %1: %2, expected %3").arg(k).arg(seen[k]).arg(expected)));
    }
}

// Turned a quarter about y, the heart shows its side: a thin upright sliver
// where it stands. Rotated before it is moved, it would orbit the eye instead.
void HeartViewTest::turnedHeartSpinsInPlace()
{
    MyGLWidget w(false);
    showOneHeart(w, 0, false, 4, 90);
    if (QTest::currentTestFailed())
        return;
    const QImage image = grab(w);
    QRect seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (lit(image.pixel(x, y)))
                seen |= QRect(x, y, 1, 1);

    // The solid's corners turned about y by the angle the last frame drew,
    // about 90 degrees: the timer may run a few ticks before it stops.
    const Vector3D c = w.drawnPose(0).position;
    const double a = w.drawnPose(0).angle * M_PI / 180;
    const double f = 1.0 / std::tan(M_PI / 8);
    HeartShape::Outline outline;
    HeartShape::buildOutline(outline);
    QRectF expected;
    for (const Vector3D &p : outline) {
        for (double z : {-0.5, 0.5}) {
            const double x = p.x * std::cos(a) + z * std::sin(a);
            const double depth = -(c.z - p.x * std::sin(a) + z * std::cos(a));
            const QPointF at((f / (4.0 / 3.0) * (c.x + x) / depth + 1) / 2 * 640,
                             480 - (f * (c.y + p.y) / depth + 1) / 2 * 480);
            expected |= QRectF(at, QSizeF(0.001, 0.001));
        }
    }
    const QString report = QStringLiteral("lit %1,%2 %3x%4, expected %5,%6 %7x%8")
                               .arg(seen.x()).arg(seen.y()).arg(seen.width()).arg(seen.height())
                               .arg(expected.x()).arg(expected.y()).arg(expected.width()).arg(expected.height());
    QVERIFY2(!seen.isEmpty(), qPrintable(report));
    for (double edge : {seen.left() - expected.left(), seen.right() + 1 - expected.right(),
                        seen.top() - expected.top(), seen.bottom() + 1 - expected.bottom()})
        QVERIFY2(std::abs(edge) <= 4, qPrintable(report));
}

void HeartViewTest::frameModeDrawsLinesOnly()
{
    int litPixels[2];
    for (bool frame : {false, true}) {
        MyGLWidget w(false);
        showOneHeart(w, 0, frame);
        if (QTest::currentTestFailed())
            return;
        const QImage image = grab(w);
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += lit(image.pixel(x, y));
        litPixels[frame] = n;
    }
    // Lines of the front faces only: far fewer pixels than the solid, but some.
    QVERIFY2(litPixels[1] > 500 && litPixels[1] < litPixels[0] * 0.6,
             qPrintable(QStringLiteral("frame %1, solid %2").arg(litPixels[1]).arg(litPixels[0])));
}

void HeartViewTest::bandsStayBlack_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QRect>("picture");
    QTest::newRow("wide") << QSize(1000, 500) << QRect(167, 0, 666, 500);
    QTest::newRow("tall") << QSize(600, 800) << QRect(0, 175, 600, 450);
}

void HeartViewTest::bandsStayBlack()
{
    QFETCH(QSize, window);
    QFETCH(QRect, picture);
    MyGLWidget w(false);
    HeartSettings s;
    s.heartCount = 400; // enough that hearts reach every edge of the picture
    w.applySettings(s);
    w.resize(window);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(w.size(), window);
    // The first frame that reaches the picture's edges, at this size.
    int inBands = 0;
    int edgeLit = 0;
    const auto count = [&] {
        const QImage image = grab(w);
        inBands = edgeLit = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const bool on = lit(image.pixel(x, y));
                if (!picture.contains(x, y))
                    inBands += on;
                // Within 3 pixels inside the picture's long edges.
                const bool nearEdge = window.width() > window.height()
                                          ? (x - picture.left() < 3 || picture.right() - x < 3)
                                          : (y - picture.top() < 3 || picture.bottom() - y < 3);
                if (picture.contains(x, y) && nearEdge)
                    edgeLit += on;
            }
        }
        return edgeLit > 0;
    };
    QVERIFY2(eventually(count), "the picture should reach its edges");
    QCOMPARE(inBands, 0);
}

// On its own timer, every heart falls by the same whole number of ticks, or
// comes back above the top once it has fallen out of view.
void HeartViewTest::heartsFallBetweenFrames()
{
    MyGLWidget w(false);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    std::vector<double> before;
    for (const HeartInstance &h : w.field())
        before.push_back(h.position.y);
    const QImage first = grab(w);
    QVERIFY(eventually([&] { return grab(w) != first; }));

    double drop = -1;
    int stayed = 0, fell = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const double after = w.field()[i].position.y;
        if (after > before[i])
            continue; // respawned
        if (drop < 0)
            drop = before[i] - after;
        ++stayed;
        fell += std::abs(before[i] - after - drop) < 1e-6;
    }
    const double ticks = drop / HeartField::fallPerTick;
    QVERIFY2(ticks > 0.5 && std::abs(ticks - std::round(ticks)) < 1e-6, qPrintable(QString::number(drop)));
    QVERIFY2(fell == stayed && stayed > int(before.size()) / 2,
             qPrintable(QStringLiteral("%1 of %2 fell %3, %4 respawned").arg(fell).arg(stayed).arg(drop)
                            .arg(before.size() - stayed)));
}

// However long frames take, up to a tenth of a second, and however unevenly
// they come, each shows the hearts where they are at its moment: they fall 10
// units and turn 100 degrees a second, each frame's drop in proportion to its
// time. Past a tenth, a unit and ten degrees a frame, never more.
void HeartViewTest::speedByTheClock_data()
{
    QTest::addColumn<QList<int>>("holdsUs");
    QTest::newRow("frames of 25 ms") << QList<int>{25000};
    QTest::newRow("frames of 60 ms") << QList<int>{60000};
    QTest::newRow("frames of 150 ms") << QList<int>{150000};
    QTest::newRow("frames of 16.7 ms, as at 60 Hz") << QList<int>{16700};
    QTest::newRow("frames of 10 to 35 ms in turn") << QList<int>{3000, 27000, 11000, 35000};
}

void HeartViewTest::speedByTheClock()
{
    QFETCH(QList<int>, holdsUs);
    const bool slow = *std::max_element(holdsUs.begin(), holdsUs.end()) >= 100000;
    Probe w({holdsUs.begin(), holdsUs.end()});
    w.resize(320, 240);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(300); // past the window manager's exposures
    w.frames.clear();
    const auto &f = w.frames; // two seconds of them, however many that is here
    QVERIFY(eventually([&] { return f.size() > 8 && f.back().ms - f.front().ms >= 2000; }));
    const double fell = f.front().y - f.back().y, turned = f.back().angle - f.front().angle;
    const double perSecond = fell * 1000.0 / double(f.back().ms - f.front().ms);
    QVERIFY2(std::abs(turned - fell / HeartField::fallPerTick) < 1e-6, qPrintable(QString("%1 degrees").arg(turned)));
    for (std::size_t i = 1; i < f.size(); ++i) {
        const double seconds = (f[i].frameNs - f[i - 1].frameNs) / 1e9; // 0 for an exposure
        const double speed = seconds > 0 ? w.drop(i) / seconds : 10.0;
        QVERIFY2(w.drop(i) < 1.0 + 1e-9 && (slow ? w.drop(i) > 1.0 - 1e-9 || seconds == 0 : std::abs(speed - 10.0) <= 0.5),
                 qPrintable(QString("frame %1 of %2: %3 in %4 s").arg(i).arg(f.size()).arg(w.drop(i)).arg(seconds)));
    }
    if (!slow)
        QVERIFY2(std::abs(perSecond - 10.0) <= 0.5, qPrintable(QString("%1 units a second").arg(perSecond)));
}

// A heart that comes back above the top between two ticks is drawn at its new
// place in the next frame, never on its way there.
void HeartViewTest::respawnDrawnAtItsNewPlace()
{
    Probe w({0}, nearHeart);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const auto &f = w.frames;
    QVERIFY(eventually([&] { return f.size() > 1 && f.back().y > 0; })); // drawn back at the top
    for (std::size_t i = 1; i < f.size(); ++i)
        QVERIFY2(w.drop(i) >= 0 || std::abs(f[i].y - f[i].fieldY) <= HeartField::fallPerTick + 1e-9,
                 qPrintable(QString("frame %1: drawn at %2, where the field has it at %3").arg(i).arg(f[i].y).arg(f[i].fieldY)));
}

// Minimized, the view neither ticks (its heart stays where it is) nor draws (it
// does not turn); restored, it does both again from where it was: the time it
// was not seen is not made up for.
void HeartViewTest::minimizedViewRests()
{
    Probe w({0});
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(200);
    w.showMinimized();
    QTRY_VERIFY(!w.windowHandle()->isExposed());
    const double y = w.field()[0].position.y, a = w.field()[0].angle;
    QTest::qWait(1000);
    QCOMPARE(w.field()[0].position.y, y);
    QCOMPARE(w.field()[0].angle, a);
    const std::size_t shown = w.frames.size();
    w.showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(eventually([&] { return w.field()[0].position.y < y && w.field()[0].angle > a; }));
    const auto &f = w.frames;
    QCOMPARE(f[shown].y, f[shown - 1].y); // where it was left
    for (std::size_t i = shown + 1; i < f.size(); ++i)
        QVERIFY2(w.drop(i) <= (f[i].frameNs - f[i - 1].frameNs) / 1e8 + 1e-9, qPrintable(QString::number(w.drop(i))));
}

void HeartViewTest::inputEndsOnlyTheScreenSaver_data()
{
    QTest::addColumn<bool>("screenSaver");
    QTest::addColumn<QString>("events");
    QTest::addColumn<bool>("ends");
    for (bool saver : {true, false}) {
        const char *mode = saver ? "screen saver" : "windowed";
        QTest::addRow("%s: key", mode) << saver << "key" << saver;
        QTest::addRow("%s: shift alone", mode) << saver << "shift" << saver;
        QTest::addRow("%s: button", mode) << saver << "press" << saver;
        QTest::addRow("%s: right button after a move", mode) << saver << "move rightpress" << saver;
        QTest::addRow("%s: one move", mode) << saver << "move" << false;
        QTest::addRow("%s: two moves", mode) << saver << "move move" << saver;
        QTest::addRow("%s: wheel", mode) << saver << "wheel wheel" << false;
        QTest::addRow("%s: releases", mode) << saver << "keyrelease release" << false;
    }
}

// Each row runs the application's own event loop, as main does, and sees
// whether the input ends it with 0 or the loop runs on to a timeout.
void HeartViewTest::inputEndsOnlyTheScreenSaver()
{
    QFETCH(bool, screenSaver);
    QFETCH(QString, events);
    QFETCH(bool, ends);

    MyGLWidget w(screenSaver);
    HeartSettings s;
    s.heartCount = 1;
    w.applySettings(s);
    w.resize(200, 150);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    const QPoint at(50, 50);
    QTimer::singleShot(0, &w, [&] {
        for (const QString &e : events.split(' ')) {
            if (e == "key")
                QTest::keyPress(&w, Qt::Key_A);
            else if (e == "shift")
                QTest::keyPress(&w, Qt::Key_Shift);
            else if (e == "keyrelease")
                QTest::keyRelease(&w, Qt::Key_A);
            else if (e == "press")
                QTest::mousePress(&w, Qt::LeftButton, {}, at);
            else if (e == "rightpress")
                QTest::mousePress(&w, Qt::RightButton, {}, at);
            else if (e == "release")
                QTest::mouseRelease(&w, Qt::LeftButton, {}, at);
            else if (e == "move") {
                QMouseEvent move(QEvent::MouseMove, at, w.mapToGlobal(at), Qt::NoButton, {}, {});
                QCoreApplication::sendEvent(&w, &move);
            } else if (e == "wheel") {
                QWheelEvent wheel(at, w.mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, {},
                                  Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(&w, &wheel);
            }
        }
    });
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, [] { QCoreApplication::exit(42); });
    timeout.start(400);
    const int result = QCoreApplication::exec();
    QCOMPARE(result, ends ? 0 : 42);
    QVERIFY(w.isVisible()); // the handlers end the loop, never close the window
}

QTEST_MAIN(HeartViewTest)
#include "tst_heartview.moc"
