// SPDX-License-Identifier: MIT
// The package's files under MATE's and Xfce's screen-saver daemons, each on a
// session bus of its own and told to run hearts alone.
#include "testsupport.h"

#include <QScopeGuard>
#include <QStandardPaths>

class DesktopsTest : public QObject
{
    Q_OBJECT

private slots:
    void underTheDaemon_data();
    void underTheDaemon();
};

void DesktopsTest::underTheDaemon_data()
{
    QTest::addColumn<QStringList>("daemon"); // and its options
    QTest::addColumn<QString>("settings"); // shell commands
    QTest::newRow("MATE") << QStringList{"mate-screensaver", "--no-daemon"}
                          << "gsettings set org.mate.screensaver mode single && gsettings set org.mate.screensaver "
                             "themes \"['screensavers-hearts']\" && gsettings set org.mate.screensaver lock-enabled false";
    QTest::newRow("Xfce") << QStringList{"xfce4-screensaver"}
                          << "q='xfconf-query -c xfce4-screensaver -n -p' && $q /saver/mode -t int -s 2 && $q "
                             "/saver/themes/list -a -t string -s screensavers-hearts && $q /lock/enabled -t bool -s false";
}

// The daemons run hacks only from their own folders and xscreensaver's: the
// files go where the package puts them, under /usr, which the daemon alone
// sees through an overlay in a mount namespace of its own.
void DesktopsTest::underTheDaemon()
{
    QFETCH(QStringList, daemon);
    QFETCH(QString, settings);
    if (::geteuid() != 0)
        QSKIP("the files are shown at /usr by a mount, which needs root");
    if (QStandardPaths::findExecutable(daemon.first()).isEmpty() && daemon.first().startsWith("xfce"))
        QSKIP("xfce4-screensaver is not installed: Debian has it from Debian 13 on");
    QTemporaryDir home; // with the settings file the hack reads, of enough hearts to fill the picture
    QVERIFY(put(home.filePath("KestaConfig.dat"), encoded(HeartSettings{400, false, 10, 100})));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path()); // for the settings' services the bus starts too
    environment.insert("DESTDIR", home.filePath("stage"));
    QProcess bus, saver;
    const auto execute = [&](const QString &command) {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start("sh", {"-c", command});
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QCOMPARE(execute("cmake --install " HEARTS_BINARY_DIR " --prefix /usr >/dev/null"), 0);
    bus.setProcessEnvironment(environment);
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    QVERIFY(bus.waitForReadyRead(10000));
    environment.insert("DBUS_SESSION_BUS_ADDRESS", QString(bus.readLine()).trimmed());
    QCOMPARE(execute(settings), 0);

    saver.setProcessEnvironment(environment);
    saver.setWorkingDirectory(home.path());
    saver.start("unshare", QStringList{"--mount", "--propagation", "private", "sh", "-c",
                                       "mount -t overlay overlay -o lowerdir=\"$0/usr:/usr\" /usr && exec \"$@\"",
                                       home.filePath("stage")} + daemon);
    const QString command = daemon.first() + "-command";
    const auto stop = qScopeGuard([&] {
        execute(command + " --exit");
        if (!saver.waitForFinished(5000))
            saver.kill();
        bus.kill();
        for (QProcess *p : {&saver, &bus})
            p->waitForFinished();
    });
    QTRY_VERIFY2_WITH_TIMEOUT(execute(command + " --query") == 0, saver.readAllStandardError().constData(), programMs);
    xdotool({"mousemove", "640", "500"});
    QCOMPARE(execute(command + " --activate"), 0);
    const auto hacks = [] { return run("pgrep", {"-c", "-x", "-f", "hearts --root"}).toInt(); };
    QTRY_COMPARE_WITH_TIMEOUT(hacks(), 1, programMs);
    const PictureCount n = heartsOnScreen(QString(HEARTS_BINARY_DIR "/hearts-under-%1.png").arg(daemon.first()));
    QVERIFY2(drawnWithinPicture(n, 10000), qPrintable(describe(n)));
    QCOMPARE(execute(command + " --exit"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(hacks(), 0, programMs);
}

QTEST_MAIN(DesktopsTest)
#include "tst_desktops.moc"
