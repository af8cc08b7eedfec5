// SPDX-License-Identifier: MIT
// The Windows program, hearts.scr (HEARTS_EXECUTABLE), under Wine in the
// suite's X server, with a Wine prefix of the test's own: its run modes must
// be the Linux program's. Under tests/twoheads.sh, "/s" covers both monitors
// where Wine reports them as the X server has them.
#include "testsupport.h"

#include "xsupport.h"

#include <QScopeGuard>

namespace {

const QStringList wine{"wine"};

// The program's windows as Hearts::layout() gives them when one full-screen
// view covers each monitor.
QString viewOnEveryScreen()
{
    QStringList views;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        views << QString("%1x%2+%3+%4 full").arg(g.width()).arg(g.height()).arg(g.x()).arg(g.y());
    }
    views.sort();
    return views.join(", ");
}

// The monitors Wine tells Windows programs of, in the same form.
QString wineMonitors()
{
    QStringList monitors = run("wine", {HEARTS_WINHELPERS "/winmonitors.exe"}).split('\n', Qt::SkipEmptyParts);
    for (QString &m : monitors)
        m = m.trimmed() + " full";
    monitors.sort();
    return monitors.join(", ");
}

} // namespace

class WindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void windowedAtUsableSize();
    void screenSaverOnEveryScreen();
    void screenSaverInput_data();
    void screenSaverInput();
    void settingsThenScreenSaver();
    void settingsFromAnyFolder();
    void fromSettings_data();
    void fromSettings();
    void endsAtOnce_data();
    void endsAtOnce();
    void whatWindowsShows();

private:
    QTemporaryDir prefix;
};

void WindowsTest::initTestCase()
{
    QVERIFY2(QFile::exists(QString::fromLocal8Bit(qgetenv("HEARTS_EXECUTABLE"))),
             "HEARTS_EXECUTABLE must name hearts.scr");
    QVERIFY2(!run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("not found"),
             "a window manager must run in this X server");
    // No .NET or browser engine: their installers would ask to download them.
    qputenv("WINEPREFIX", QFile::encodeName(prefix.path()));
    qputenv("WINEDEBUG", "-all");
    qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
    // Kept running between the program's runs, so that each starts at once.
    QCOMPARE(QProcess::execute("wineserver", {"--persistent"}), 0);
    QProcess boot;
    boot.start("wine", {"wineboot", "--init"});
    QVERIFY2(boot.waitForFinished(180000) && boot.exitCode() == 0, "wineboot could not make the prefix");
}

void WindowsTest::cleanupTestCase()
{
    QProcess::execute("wineserver", {"--kill"});
}

void WindowsTest::windowedAtUsableSize()
{
    Hearts hearts({}, QString(), wine);
    const QString id = hearts.window("Happy Valentines Day!", 30000);
    QVERIFY2(!id.isEmpty(), "no window was mapped");
    QCOMPARE(windowGeometry(id).size(), QSize(640, 480));
    QVERIFY(!fullScreen(id));
    QVERIFY(hearts.running());
}

// Enough hearts that the picture is lit out to its edges; on a screen of
// another shape the bands beside it stay black.
void WindowsTest::screenSaverOnEveryScreen()
{
    const QString told = wineMonitors();
    if (told != viewOnEveryScreen())
        QSKIP(qPrintable("this Wine reports the monitors as " + told + ", not as the X server has them"));
    QTemporaryDir dir;
    QVERIFY(putHeartCount(dir, 400));
    Hearts hearts({"/s"}, dir.path(), wine);
    QTRY_COMPARE_WITH_TIMEOUT(hearts.layout(), viewOnEveryScreen(), programMs);
    for (QScreen *screen : QGuiApplication::screens()) {
        QImage image;
        const QRect picture = pictureIn(screen->size());
        PictureCount n;
        const bool drawn = eventually([&] {
            image = screen->grabWindow(0).toImage();
            return drawnWithinPicture(n = countPicture(image, picture), picture.width() * picture.height() / 10);
        });
        const QString shot = QString("%1/wine-screensaver-%2x%3.png")
                                 .arg(QDir::currentPath()).arg(image.width()).arg(image.height());
        image.save(shot);
        qInfo("screenshot: %s", qPrintable(shot));
        QVERIFY2(drawn, qPrintable(describe(n)));
    }
    QVERIFY(hearts.running());
}

void WindowsTest::screenSaverInput_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("then");
    QTest::addColumn<bool>("ends");
    const QStringList nothing;
    const QStringList move{"mousemove_relative", "--", "1", "0"};
    QTest::newRow("key") << "/s" << nothing << QStringList{"key", "a"} << true;
    // As Explorer's "Test" and a double-click start it.
    QTest::newRow("key, capital S") << "/S" << nothing << QStringList{"key", "a"} << true;
    QTest::newRow("click") << "/s" << nothing << QStringList{"click", "1"} << true;
    QTest::newRow("one move") << "/s" << move << nothing << false;
    QTest::newRow("second move") << "/s" << move << move << true;
}

void WindowsTest::screenSaverInput()
{
    QFETCH(QString, mode);
    QFETCH(QStringList, first);
    QFETCH(QStringList, then);
    QFETCH(bool, ends);
    Hearts hearts({mode}, QString(), wine);
    QTRY_COMPARE_WITH_TIMEOUT(hearts.layout(), viewOnEveryScreen(), 30000);
    // Input counts once hearts are drawn. Before, the program is still busy
    // starting OpenGL, and Windows merges a move made then into the one it
    // sends when the window appears under the pointer, which Qt discards.
    const QRect screen(QPoint(), QGuiApplication::primaryScreen()->size());
    QTRY_VERIFY_WITH_TIMEOUT(litPixelsIn(grabWindow("0"), screen) > 0, 30000);
    saverInput(hearts, first, then, ends);
}

void WindowsTest::settingsThenScreenSaver()
{
    QTemporaryDir dir;
    {
        Hearts dialog({"/c"}, dir.path(), wine);
        saveByKeyboard(dialog);
    }
    QCOMPARE(contents(dir.filePath("KestaConfig.dat")).toHex(), encoded(HeartSettings{1, true, 25, 40}).toHex());

    Hearts view({"/s"}, dir.path(), wine);
    const QString id = view.window("Happy Valentines Day!", 30000);
    QVERIFY2(!id.isEmpty(), "no view was shown");
    drawsOneWireFrameHeart(id, "/s");
}

// As Windows runs it: a standard user, and folders the user may not write
// to, which the settings and the screen saver are started in.
void WindowsTest::settingsFromAnyFolder()
{
    QTemporaryDir ownPrefix, settingsIn, screenSaverIn;
    for (const QTemporaryDir *dir : {&settingsIn, &screenSaverIn})
        QVERIFY(QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther
                                                       | QFile::ExeOther));
    run("xhost", {"+si:localuser:nobody"});
    const QByteArray built = qgetenv("HEARTS_EXECUTABLE");
    const QString program = programCopyIn(ownPrefix.path());
    QVERIFY(!program.isEmpty());
    AsOrdinaryUser user(ownPrefix.path()); // Wine wants its prefix owned by whoever runs it
    QVERIFY2(user.ok(), "root could not become nobody");
    const QByteArray shared = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", QFile::encodeName(ownPrefix.path()));
    qputenv("HEARTS_EXECUTABLE", QFile::encodeName(program));
    auto restore = qScopeGuard([&] {
        QProcess::execute("wineserver", {"--kill"});
        qputenv("WINEPREFIX", shared);
        qputenv("HEARTS_EXECUTABLE", built);
    });
    QCOMPARE(QProcess::execute("wine", {"wineboot", "--init"}), 0);
    {
        Hearts dialog({"/c"}, settingsIn.path(), wine);
        saveByKeyboard(dialog);
    }
    const QString saved = QString("%1/drive_c/users/%2/AppData/Local/hearts/KestaConfig.dat")
                              .arg(ownPrefix.path(), ::getpwuid(::geteuid())->pw_name);
    QCOMPARE(contents(saved).toHex(), encoded(HeartSettings{1, true, 25, 40}).toHex());
    Hearts view({"/s"}, screenSaverIn.path(), wine);
    const QString id = view.window("Happy Valentines Day!", 30000);
    QVERIFY2(!id.isEmpty(), "no view was shown");
    drawsOneWireFrameHeart(id, "/s");
}

// The preview, and the dialog the settings' "Settings..." button opens.
void WindowsTest::fromSettings_data()
{
    QTest::addColumn<QString>("args"); // %llu: the settings' window
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("told");
    const auto preview = [](QSize s) {
        return QString("child %1x%2, resized %3x%4, input running")
            .arg(s.width()).arg(s.height()).arg(s.width() + 100).arg(s.height() + 60);
    };
    QTest::newRow("/p, Windows' size") << "/p %llu" << QSize(152, 112) << preview(QSize(152, 112));
    QTest::newRow("/p:, larger") << "/p:%llu" << QSize(400, 300) << preview(QSize(400, 300));
    QTest::newRow("/P, capital") << "/P %llu" << QSize(152, 112) << preview(QSize(152, 112));
    QTest::newRow("/C") << "/C" << QSize(400, 300) << "dialog, owner none";
    QTest::newRow("/c:, owned") << "/c:%llu" << QSize(400, 300) << "dialog, owner host, centred";
}

// Under Wine the preview's picture cannot be grabbed: Wine does not draw a
// window that another process made a child of its own.
void WindowsTest::fromSettings()
{
    QFETCH(QString, args);
    QFETCH(QSize, size);
    QFETCH(QString, told);
    const QString program = "Z:" + QString(qgetenv("HEARTS_EXECUTABLE")).replace('/', '\\');
    const QStringList lines = run("wine", {HEARTS_WINHELPERS "/winpreview.exe", program, args,
                                           QString::number(size.width()), QString::number(size.height())},
                                  90000).remove('\r').split('\n');
    QCOMPARE(lines.mid(0, lines.size() - 1).join(", "), told);
    // Ended with the host or the dialog's close, with status 0.
    QVERIFY2(QRegularExpression("^ended \\d+ 0$").match(lines.last()).hasMatch(), qPrintable(lines.last()));
}

void WindowsTest::endsAtOnce_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("preview of no window") << QStringList{"/p", "1234"};
    QTest::newRow("preview without a window") << QStringList{"/p"};
    QTest::newRow("preview of window 0") << QStringList{"/p", "0"};
    QTest::newRow("preview of text") << QStringList{"/p", "abc"};
    QTest::newRow("hack") << QStringList{"--root"};
    QTest::newRow("empty") << QStringList{""};
}

// With the prefix's server already running, such a run takes Wine a fifth of
// a second here.
void WindowsTest::endsAtOnce()
{
    QFETCH(QStringList, args);
    Display *display = XOpenDisplay(nullptr);
    QVERIFY(display);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    mapsSeen(display);
    Hearts hearts(args, QString(), wine);
    QVERIFY2(hearts.endsWithin(programMs), "still running");
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), 0);
    QCOMPARE(mapsSeen(display), 0);
    XCloseDisplay(display);
}

// Read back by Windows itself: the name the screen-saver settings list, the
// version details and the icon Explorer shows.
void WindowsTest::whatWindowsShows()
{
    const QString program = "Z:" + QString(qgetenv("HEARTS_EXECUTABLE")).replace('/', '\\');
    QCOMPARE(run("wine", {HEARTS_WINHELPERS "/winpreview.exe", program}, 90000).remove('\r').replace('\n', ", "),
             QString("name Hearts, FileDescription Hearts screen saver, ProductName hearts, FileVersion " HEARTS_VERSION
                     ", ProductVersion " HEARTS_VERSION ", LegalCopyright Copyright (c) The hearts authors, "
                     "OriginalFilename hearts.scr, icons 1, the first loads"));
}

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
