// SPDX-License-Identifier: MIT
// The screen saver on two monitors: run by tests/twoheads.sh in a nested X
// server whose heads are 640x480 (4:3) at the left and 800x450 (16:9) at the
// right, or by tests/randrheads.sh with the same heads as RandR outputs. The real program with real input first, then the views' class itself.
#include "app/screensaverviews.h"
#include "view/myglwidget.h"
#include "testsupport.h"

#include <QPointer>

#include "xsupport.h"

namespace {

const QRect leftHead(0, 0, 640, 480);
const QRect rightHead(640, 0, 800, 450);
const QString twoViews = "640x480+0+0 full, 800x450+640+0 full";

// One head as the server shows it, in the head's own coordinates.
QImage grabHead(const QRect &head)
{
    QScreen *screen = QGuiApplication::screenAt(head.center());
    const QImage image = screen->grabWindow(0, 0, 0, head.width(), head.height()).toImage();
    const QString dir = QString::fromLocal8Bit(qgetenv("HEARTS_SCREENSHOT_DIR"));
    if (!dir.isEmpty()) // for a person to look at
        image.save(QString("%1/head-%2x%3.png").arg(dir).arg(head.width()).arg(head.height()));
    return image;
}

} // namespace

class MonitorsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyHeadCovered();
    void firstFrameCentred();
    void otherModesMapOneWindow_data();
    void otherModesMapOneWindow();
    void cursorBlankOnEveryHead();
    void inputOnAnyHeadEnds_data();
    void inputOnAnyHeadEnds();
    void viewsFollowScreens();
    void eachViewDrawsItsOwnField();
};

void MonitorsTest::initTestCase()
{
    QVERIFY2(QFile::exists(QString::fromLocal8Bit(qgetenv("HEARTS_EXECUTABLE"))),
             "HEARTS_EXECUTABLE must name the built program");
    const QList<QScreen *> screens = QGuiApplication::screens();
    QVERIFY2(screens.size() == 2, "run under tests/twoheads.sh or randrheads.sh: two monitors are needed");
    QCOMPARE(screens[0]->geometry(), leftHead);
    QCOMPARE(screens[1]->geometry(), rightHead);
    QVERIFY2(!run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("not found"),
             "a window manager must run in this X server");
}

// Enough hearts that the 4:3 picture is lit out to its edges on both heads.
void MonitorsTest::everyHeadCovered()
{
    QTemporaryDir dir;
    QVERIFY(putHeartCount(dir, 400));
    Hearts hearts({"/s"}, dir.path());
    QTRY_COMPARE_WITH_TIMEOUT(hearts.layout(), twoViews, programMs);

    for (const QRect &head : {leftHead, rightHead}) {
        // Two views of 400 hearts each, sanitized, take a while over their
        // first frames: the first grab in which the picture reaches both its
        // edges must have its bands black.
        const QRect picture = pictureIn(head.size());
        QImage image;
        int left = 0, right = 0;
        QVERIFY2(eventually([&] {
                     image = grabHead(head);
                     left = litPixelsIn(image, picture.adjusted(0, 0, 3 - picture.width(), 0));
                     right = litPixelsIn(image, picture.adjusted(picture.width() - 3, 0, 0, 0));
                     return left > 0 && right > 0;
                 }),
                 qPrintable(QString("the picture should reach its edges: %1 lit at the left, %2 at the right")
                                .arg(left).arg(right)));
        QCOMPARE(image.size(), head.size());
        QCOMPARE(litPixelsIn(image, image.rect()), litPixelsIn(image, picture)); // bands black
        QVERIFY(litPixelsIn(image, picture) > picture.width() * picture.height() / 10);
    }
    QCOMPARE(pictureIn(rightHead.size()), QRect(100, 0, 600, 450)); // bands at the sides
    QVERIFY(hearts.running());
}

// The first frame on a head is as right as any later one. Frames of 2000
// hearts are slow enough that the first one on the right head stays for a few
// grabs; the first grab that shows hearts is taken as it.
void MonitorsTest::firstFrameCentred()
{
    QTemporaryDir dir;
    QVERIFY(putHeartCount(dir, 2000));
    Hearts hearts({"/s"}, dir.path());
    const QRect picture = pictureIn(rightHead.size());
    QImage image;
    PictureCount n;
    QElapsedTimer clock;
    clock.start();
    while (n.shades < 1000 && clock.elapsed() < 60000 && hearts.running()) {
        image = grabHead(rightHead);
        n = countPicture(image, picture);
    }
    QVERIFY2(n.shades >= 1000 && n.inBands == 0, qPrintable(describe(n)));
    QVERIFY2(litPixelsIn(image, picture.adjusted(picture.width() - 3, 0, 0, 0)) > 0,
             "the first frame should reach the picture's right edge");
}

void MonitorsTest::otherModesMapOneWindow_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("windowed") << QStringList{};
    QTest::newRow("settings") << QStringList{"/c"};
}

void MonitorsTest::otherModesMapOneWindow()
{
    QFETCH(QStringList, args);
    Hearts hearts(args);
    QVERIFY(!hearts.window().isEmpty());
    QTest::qWait(1000); // time for a second window, were one coming
    QVERIFY2(!hearts.layout().contains(',') && !hearts.layout().contains("full"), qPrintable(hearts.layout()));
}

// The first move is ignored, so the pointer can visit the other head too.
void MonitorsTest::cursorBlankOnEveryHead()
{
    xdotool({"mousemove", "1000", "200"});
    QVERIFY2(cursorVisible(), "the root window's cursor shows before the saver starts");
    Hearts hearts({"/s"});
    QTRY_COMPARE_WITH_TIMEOUT(hearts.layout(), twoViews, programMs);
    QTRY_VERIFY_WITH_TIMEOUT(!cursorVisible(), programMs);
    xdotool({"mousemove", "300", "200"});
    QTest::qWait(300);
    QVERIFY(!cursorVisible());
    QVERIFY(hearts.running());
}

void MonitorsTest::inputOnAnyHeadEnds_data()
{
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("then");
    QTest::addColumn<bool>("ends");
    const QPoint onRight(1000, 200);
    const QStringList nothing;
    const QStringList move{"mousemove_relative", "--", "1", "0"};
    QTest::newRow("one move on the right") << onRight << move << nothing << false;
    QTest::newRow("second move on the right") << onRight << move << move << true;
    QTest::newRow("a move on each head") << QPoint(300, 200) << move
                                         << QStringList{"mousemove", "1000", "200"} << true;
    QTest::newRow("click on the right") << onRight << nothing << QStringList{"click", "1"} << true;
    QTest::newRow("key") << onRight << nothing << QStringList{"key", "a"} << true;
}

// The pointer waits where given before the saver starts.
void MonitorsTest::inputOnAnyHeadEnds()
{
    QFETCH(QPoint, pointer);
    QFETCH(QStringList, first);
    QFETCH(QStringList, then);
    QFETCH(bool, ends);
    xdotool({"mousemove", QString::number(pointer.x()), QString::number(pointer.y())});
    Hearts hearts({"/s"});
    QTRY_COMPARE_WITH_TIMEOUT(hearts.layout(), twoViews, programMs);
    saverInput(hearts, first, then, ends);
}

// The views' class with the two real screens; the application's own signals
// stand in for monitors that come and go (tst_hotplug plugs them for real).
void MonitorsTest::viewsFollowScreens()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    HeartSettings s;
    s.heartCount = 20;
    ScreenSaverViews views(s);
    views.showOnEveryScreen();
    for (QScreen *screen : screens)
        QTRY_VERIFY(views.viewOn(screen) && views.viewOn(screen)->field().size() == 20);
    QCOMPARE(HeartMesh::count(), 40);
    // Each placed a field of its own, though both were built within one second.
    const auto depths = [&](int i) {
        QList<double> z;
        for (const HeartInstance &h : views.viewOn(screens[i])->field())
            z << h.position.z;
        return z;
    };
    QVERIFY(depths(0) != depths(1));

    QPointer<MyGLWidget> unplugged = views.viewOn(screens[1]);
    QTRY_VERIFY(unplugged->isActiveWindow()); // the last shown
    emit qGuiApp->screenRemoved(screens[1]);
    QVERIFY2(unplugged.isNull() && views.count() == 1, "the view of a monitor that went must go with it");
    QCOMPARE(HeartMesh::count(), 20);
    QTRY_VERIFY(views.viewOn(screens[0])->isActiveWindow()); // keys still reach a view

    emit qGuiApp->screenAdded(screens[1]);
    emit qGuiApp->screenAdded(screens[1]); // told twice, it still gets one view
    QCOMPARE(views.count(), 2);
    QTRY_COMPARE(views.viewOn(screens[1])->geometry(), rightHead);
}

// Two views in one process each draw their own hearts, however many meshes
// live in the process as a whole.
void MonitorsTest::eachViewDrawsItsOwnField()
{
    MyGLWidget one(false), many(false);
    HeartSettings s;
    s.heartCount = 1;
    one.applySettings(s);
    s.heartCount = 300;
    many.applySettings(s);
    // Side by side, so that neither covers the other in the grabs.
    one.setGeometry(100, 100, 400, 300);
    many.setGeometry(800, 100, 400, 300);
    for (MyGLWidget *w : {&one, &many}) {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    // Each field is built as its view draws its first frame.
    QTRY_VERIFY_WITH_TIMEOUT(one.field().size() == 1 && many.field().size() == 300, programMs);
    QCOMPARE(HeartMesh::count(), 301);
    // The one heart falls 10 units a second, out of the picture and back:
    // grabbed well inside it.
    const Frustum f{10, 100, 45.0, 4.0 / 3.0};
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(one.field()[0].position.y) < f.halfHeightAt(-one.field()[0].position.z) - 3
                                 && std::abs(one.field()[0].position.x) < f.halfWidthAt(-one.field()[0].position.z) - 3,
                             20000);
    const QImage a = QGuiApplication::primaryScreen()->grabWindow(one.winId()).toImage();
    const QImage b = QGuiApplication::primaryScreen()->grabWindow(many.winId()).toImage();
    // One heart, even at the nearest distance, covers well under 15000 pixels.
    const int litOne = litPixelsIn(a, a.rect()), litMany = litPixelsIn(b, b.rect());
    QVERIFY2(litOne > 0 && litOne < 15000 && litMany > 15000,
             qPrintable(QString("%1 and %2").arg(litOne).arg(litMany)));
}

QTEST_MAIN(MonitorsTest)
#include "tst_monitors.moc"
