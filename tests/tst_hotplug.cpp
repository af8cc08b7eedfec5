// SPDX-License-Identifier: MIT
// Monitors plugged in and out for real while the screen saver runs: run by
// tests/dummyheads.sh in an X server whose outputs xrandr turns on and off.
#include "testsupport.h"

class HotplugTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void viewsFollowMonitors();
};

void HotplugTest::initTestCase()
{
    QVERIFY2(QFile::exists(QString::fromLocal8Bit(qgetenv("HEARTS_EXECUTABLE"))),
             "HEARTS_EXECUTABLE must name the built program");
    QVERIFY2(run("xrandr", {}).contains("DUMMY1 disconnected"), "run under tests/dummyheads.sh");
    // The driver calls an output connected only once it has had a mode. Had
    // once, and switched off again, giving it a mode is then what a monitor
    // plugged in and switched on looks like: a connected output with a mode.
    run("xrandr", {"--addmode", "DUMMY1", "640x480"});
    run("xrandr", {"--output", "DUMMY1", "--mode", "640x480", "--right-of", "DUMMY0"});
    run("xrandr", {"--output", "DUMMY1", "--off"});
    QVERIFY(run("xrandr", {}).contains("DUMMY1 connected"));
}

// Each step changes the monitors, then the views must be one full-screen
// window on each monitor there is, and the saver must run on.
void HotplugTest::viewsFollowMonitors()
{
    const QString both = "640x480+800+0 full, 800x600+0+0 full";
    const struct
    {
        const char *what;
        QStringList xrandr;
        QString views;
    } steps[] = {
        {"plugged in at the right", {"--output", "DUMMY1", "--mode", "640x480", "--right-of", "DUMMY0"}, both},
        {"unplugged at the right", {"--output", "DUMMY1", "--off"}, "800x600+0+0 full"},
        {"plugged in again", {"--output", "DUMMY1", "--mode", "640x480", "--right-of", "DUMMY0"}, both},
        {"left one unplugged, the right moves left", {"--output", "DUMMY0", "--off"}, "640x480+0+0 full"},
        {"left one back, the right moves right", {"--output", "DUMMY0", "--mode", "800x600", "--left-of", "DUMMY1"}, both},
    };
    xdotool({"mousemove", "100", "100"});
    Hearts hearts({"/s"});
    QTRY_COMPARE_WITH_TIMEOUT(hearts.layout(), QString("800x600+0+0 full"), programMs);
    for (const auto &step : steps) {
        run("xrandr", step.xrandr);
        QTRY_COMPARE_WITH_TIMEOUT(hearts.layout(), step.views, programMs);
        QVERIFY2(hearts.running(), step.what);
    }
    xdotool({"key", "a"});
    QVERIFY2(hearts.endsWithin(programMs), "a key did not end it");
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), 0);
}

QTEST_MAIN(HotplugTest)
#include "tst_hotplug.moc"
