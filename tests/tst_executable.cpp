// SPDX-License-Identifier: MIT
// The real program under the X server and its window manager, driven with
// real input through the XTEST extension (xdotool).
#include "app/runmode.h"
#include "testsupport.h"
#include "xsupport.h"

#include <QScopeGuard>

Q_DECLARE_METATYPE(RunMode)

class ExecutableTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void modeFromFirstArgument_data();
    void modeFromFirstArgument();
    void unrecognisedEndsAtOnce_data();
    void unrecognisedEndsAtOnce();
    void withoutDisplay_data();
    void withoutDisplay();
    void opensItsWindow_data();
    void opensItsWindow();
    void screenSaverHidesCursor();
    void heartsMoveOnScreen();
    void screenSaverAtScale2();
    void screenSaverInput_data();
    void screenSaverInput();
    void windowedIgnoresInputAndCloses();
};

void ExecutableTest::initTestCase()
{
    QVERIFY2(QFile::exists(QString::fromLocal8Bit(qgetenv("HEARTS_EXECUTABLE"))),
             "HEARTS_EXECUTABLE must name the built program");
    QVERIFY2(!run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("not found"),
             "a window manager must run in this X server");
}

void ExecutableTest::modeFromFirstArgument_data()
{
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<bool>("none");
    QTest::addColumn<RunMode>("mode");
    QTest::newRow("none") << QByteArray() << true << RunMode::Windowed;
    QTest::newRow("/c") << QByteArray("/c") << false << RunMode::Configure;
    QTest::newRow("/c:1234") << QByteArray("/c:1234") << false << RunMode::Configure;
    QTest::newRow("/s") << QByteArray("/s") << false << RunMode::ScreenSaver;
    QTest::newRow("/sfoo") << QByteArray("/sfoo") << false << RunMode::ScreenSaver;
    // Windows sends the capital: the letter counts in either case.
    QTest::newRow("/C:1234") << QByteArray("/C:1234") << false << RunMode::Configure;
    QTest::newRow("/S") << QByteArray("/S") << false << RunMode::ScreenSaver;
    for (const char *other : {"/", "/p", "abc", "", "s", "-s", "//s"})
        QTest::newRow(other) << QByteArray(other) << false << RunMode::Unrecognised;
}

void ExecutableTest::modeFromFirstArgument()
{
    QFETCH(QByteArray, argument);
    QFETCH(bool, none);
    QFETCH(RunMode, mode);
    QCOMPARE(runModeFor(none ? nullptr : argument.constData()), mode);
}

void ExecutableTest::unrecognisedEndsAtOnce_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("bare slash") << QStringList{"/"};
    QTest::newRow("preview") << QStringList{"/p", "123"};
    QTest::newRow("no slash") << QStringList{"abc"};
    QTest::newRow("empty") << QStringList{""};
    QTest::newRow("mode only second") << QStringList{"x", "/s"};
}

void ExecutableTest::unrecognisedEndsAtOnce()
{
    QFETCH(QStringList, args);
    Hearts hearts(args);
    QVERIFY(hearts.endsWithin(programMs));
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), 0);
    QVERIFY(hearts.output().isEmpty());
}

void ExecutableTest::withoutDisplay_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("display");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says"); // the start of what it prints, on stdout if 0, else stderr
    QTest::newRow("--help") << QStringList{"--help"} << "" << 0 << "Usage: hearts [/s | /c]\n";
    QTest::newRow("--version") << QStringList{"--version"} << "" << 0 << "hearts " HEARTS_VERSION "\n";
    QTest::newRow("no display") << QStringList{"/s"} << "" << 1 << "hearts: no display to draw on (DISPLAY is not";
    QTest::newRow("display not running") << QStringList{} << ":1999" << 1 << "hearts: no display to draw on (DISPLAY=:1999";
    QTest::newRow("unknown argument") << QStringList{"/x"} << "" << 0 << "";
}

// Status 1 and one line, not Qt's abort and a core file; an argument the
// program does not know ends it as quietly as with a display.
void ExecutableTest::withoutDisplay()
{
    QFETCH(QStringList, args);
    QFETCH(QString, display);
    QFETCH(int, status);
    QFETCH(QString, says);
    QStringList environment{"env", "-u", "WAYLAND_DISPLAY"};
    environment << (display.isEmpty() ? QStringList{"-u", "DISPLAY"} : QStringList{"DISPLAY=" + display});
    Hearts hearts(args, QString(), environment);
    QVERIFY(hearts.endsWithin(programMs));
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), status);
    const QString out = status ? hearts.errorOutput() : hearts.output();
    QVERIFY2(says.isEmpty() ? out.isEmpty() : out.startsWith(says) && out.endsWith('\n'), qPrintable(out));
    QCOMPARE(status ? hearts.output() : hearts.errorOutput(), QByteArray());
    if (status)
        QCOMPARE(out.count('\n'), 1);
    else if (args == QStringList{"--help"})
        QVERIFY(out.contains("--window-id ID") && out.contains("--count N") && out.contains("/c "));
}

void ExecutableTest::opensItsWindow_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("full");
    QTest::newRow("windowed") << QStringList{} << "Happy Valentines Day!" << false;
    QTest::newRow("screen saver") << QStringList{"/s"} << "Happy Valentines Day!" << true;
    QTest::newRow("screen saver, suffix") << QStringList{"/sfoo"} << "Happy Valentines Day!" << true;
    QTest::newRow("screen saver, capital") << QStringList{"/S"} << "Happy Valentines Day!" << true;
    QTest::newRow("Qt option first") << QStringList{"-reverse", "/s"} << "Happy Valentines Day!" << true;
    QTest::newRow("later arguments ignored") << QStringList{"/s", "/c"} << "Happy Valentines Day!" << true;
    QTest::newRow("settings") << QStringList{"/c"} << "Configuration" << false;
    QTest::newRow("settings with handle") << QStringList{"/c:1234"} << "Configuration" << false;
}

void ExecutableTest::opensItsWindow()
{
    QFETCH(QStringList, args);
    QFETCH(QString, title);
    QFETCH(bool, full);
    Hearts hearts(args);
    const QString id = hearts.window();
    QVERIFY2(!id.isEmpty(), "no window was mapped");
    QCOMPARE(run("xdotool", {"getwindowname", id}), title);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    // The window manager may still be applying the state: wait for it, not
    // for a set time.
    if (full)
        QTRY_VERIFY_WITH_TIMEOUT(fullScreen(id) && windowGeometry(id).size() == screen, programMs);
    QCOMPARE(fullScreen(id), full);
    if (!full)
        QVERIFY(windowGeometry(id).size().width() < screen.width());
    QVERIFY(hearts.running());
}

void ExecutableTest::screenSaverHidesCursor()
{
    {
        Hearts hearts({});
        const QString id = hearts.window();
        QVERIFY(!id.isEmpty());
        xdotool({"mousemove", "--window", id, "100", "100"});
        QVERIFY2(eventually(cursorVisible), "the windowed view keeps the normal cursor");
    }
    Hearts hearts({"/s"});
    QVERIFY(!hearts.window().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!cursorVisible(), programMs);
    QVERIFY(hearts.running());
}

void ExecutableTest::heartsMoveOnScreen()
{
    Hearts hearts({});
    const QString id = hearts.window();
    QVERIFY(!id.isEmpty());
    QImage first;
    QVERIFY(eventually([&] { return litPixelsIn(first = grabWindow(id), first.rect()) > 1000; }));
    QVERIFY(eventually([&] { return grabWindow(id) != first; }));
}

// At a scale of 2 the window is half as many of Qt's pixels wide as the
// screen's: the picture still takes the screen's 4:3 place, in its pixels.
void ExecutableTest::screenSaverAtScale2()
{
    qputenv("QT_SCALE_FACTOR", "2"); // for the program started next
    const auto unscaled = qScopeGuard([] { qunsetenv("QT_SCALE_FACTOR"); });
    QTemporaryDir dir;
    QVERIFY(putHeartCount(dir, 400));
    Hearts hearts({"/s"}, dir.path());
    const QString id = hearts.window();
    QVERIFY(!id.isEmpty());
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QTRY_VERIFY_WITH_TIMEOUT(fullScreen(id) && windowGeometry(id).size() == screen, programMs);
    const QRect picture = pictureIn(screen);
    PictureCount n;
    QVERIFY2(eventually([&] { return drawnWithinPicture(n = countPicture(grabWindow(id), picture), 10000) && n.span > 0.9; }),
             qPrintable(describe(n)));
}

void ExecutableTest::screenSaverInput_data()
{
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("then");
    QTest::addColumn<bool>("ends");
    const QStringList nothing;
    const QStringList move{"mousemove_relative", "--", "1", "0"};
    QTest::newRow("one move") << move << nothing << false;
    QTest::newRow("second move") << move << move << true;
    QTest::newRow("shift alone") << nothing << QStringList{"key", "shift"} << true;
    QTest::newRow("letter after a move") << move << QStringList{"key", "a"} << true;
    QTest::newRow("button") << nothing << QStringList{"click", "1"} << true;
    QTest::newRow("wheel") << nothing << QStringList{"click", "--repeat", "3", "4"} << false;
}

void ExecutableTest::screenSaverInput()
{
    QFETCH(QStringList, first);
    QFETCH(QStringList, then);
    QFETCH(bool, ends);
    Hearts hearts({"/s"});
    QVERIFY(!hearts.window().isEmpty());
    saverInput(hearts, first, then, ends);
}

void ExecutableTest::windowedIgnoresInputAndCloses()
{
    Hearts hearts({});
    const QString id = hearts.window();
    QVERIFY(!id.isEmpty());
    xdotool({"mousemove", "--window", id, "100", "100"});
    for (const QStringList &input : {QStringList{"mousemove_relative", "--", "5", "5"},
                                     QStringList{"mousemove_relative", "--", "5", "5"},
                                     QStringList{"key", "shift"}, QStringList{"key", "Escape"},
                                     QStringList{"key", "space"}, QStringList{"click", "1"},
                                     QStringList{"click", "3"}, QStringList{"click", "4"}})
        xdotool(input);
    QVERIFY2(!hearts.endsWithin(1500), "input ended the windowed view");
    run("wmctrl", {"-i", "-c", id}); // the window manager's close
    QVERIFY2(hearts.endsWithin(programMs), "closing the window did not end it");
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), 0);
}

QTEST_MAIN(ExecutableTest)
#include "tst_executable.moc"
