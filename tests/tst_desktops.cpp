// SPDX-License-Identifier: MIT
// The installed theme file under MATE's and Xfce's screen-saver daemons, each
// on a session bus of its own and told to run hearts alone.
#include "testsupport.h"

#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QStandardPaths>

class DesktopsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void underTheDaemon_data();
    void underTheDaemon();

private:
    QTemporaryDir stage;
};

// The daemons run hacks only from their own folders and xscreensaver's, so
// the files go where the package puts them, under /usr; each daemon sees
// them there in a mount namespace of its own, the machine's /usr untouched.
void DesktopsTest::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("the files are shown at /usr by a mount, which needs root");
    QProcess install;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DESTDIR", stage.path());
    install.setProcessEnvironment(environment);
    install.start("cmake", {"--install", HEARTS_BINARY_DIR, "--prefix", "/usr"});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
}

void DesktopsTest::underTheDaemon_data()
{
    QTest::addColumn<QStringList>("daemon"); // and its options
    QTest::addColumn<QStringList>("settings"); // shell commands
    QTest::addColumn<QString>("missing"); // why the daemon may be missing
    QTest::newRow("MATE") << QStringList{"mate-screensaver", "--no-daemon"}
                          << QStringList{"gsettings set org.mate.screensaver mode single",
                                         "gsettings set org.mate.screensaver themes \"['screensavers-hearts']\"",
                                         "gsettings set org.mate.screensaver lock-enabled false"}
                          << QString();
    const QString xfconf = "xfconf-query -c xfce4-screensaver -n -p ";
    QTest::newRow("Xfce") << QStringList{"xfce4-screensaver"}
                          << QStringList{xfconf + "/saver/mode -t int -s 2",
                                         xfconf + "/saver/themes/list -a -t string -s screensavers-hearts",
                                         xfconf + "/lock/enabled -t bool -s false"}
                          << "Debian has Xfce's screen saver from Debian 13 on";
}

void DesktopsTest::underTheDaemon()
{
    QFETCH(QStringList, daemon);
    QFETCH(QStringList, settings);
    QFETCH(QString, missing);
    if (!missing.isEmpty() && QStandardPaths::findExecutable(daemon.first()).isEmpty())
        QSKIP(qPrintable(daemon.first() + " is not installed: " + missing));
    QTemporaryDir home;
    // Read from the daemon's folder, as by any hack: enough hearts to fill the picture.
    QVERIFY(put(home.filePath("KestaConfig.dat"), encoded(HeartSettings{400, false, 10, 100})));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path()); // for the settings' services the bus starts too
    QProcess bus;
    bus.setProcessEnvironment(environment);
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    QVERIFY(bus.waitForReadyRead(10000));
    environment.insert("DBUS_SESSION_BUS_ADDRESS", QString(bus.readLine()).trimmed());
    const auto execute = [&](const QStringList &command) {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(command.first(), command.mid(1));
        return p.waitForFinished(15000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    for (const QString &setting : settings)
        QCOMPARE(execute({"sh", "-c", setting}), 0);

    QProcess saver;
    saver.setProcessEnvironment(environment);
    saver.setWorkingDirectory(home.path());
    saver.start("unshare", QStringList{"--mount", "--propagation", "private", "sh", "-c",
                                       "mount -t overlay overlay -o lowerdir=\"$0/usr:/usr\" /usr && exec \"$@\"",
                                       stage.path()}
                               + daemon);
    const QString command = daemon.first() + "-command";
    // The hack, by its command line: its program's path as seen from here
    // depends on the mounts.
    const auto hacks = [] {
        int n = 0;
        for (const QString &pid : QDir("/proc").entryList(QDir::Dirs))
            n += contents("/proc/" + pid + "/cmdline") == QByteArray("hearts\0--root\0", 14);
        return n;
    };
    const auto stop = qScopeGuard([&] {
        execute({command, "--exit"});
        for (QProcess *p : {&saver, &bus}) {
            if (!p->waitForFinished(5000))
                p->kill();
            p->waitForFinished();
        }
    });
    QTRY_VERIFY2_WITH_TIMEOUT(execute({command, "--query"}) == 0, saver.readAllStandardError().constData(), 10000);
    xdotool({"mousemove", "640", "500"});
    QCOMPARE(execute({command, "--activate"}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(hacks(), 1, 10000);
    const PictureCount n = heartsOnScreen(QDir(HEARTS_BINARY_DIR).filePath("hearts-under-" + daemon.first() + ".png"));
    QVERIFY2(drawnWithinPicture(n, 10000), qPrintable(describe(n)));
    QCOMPARE(execute({command, "--exit"}), 0);
    QTRY_COMPARE_WITH_TIMEOUT(hacks(), 0, 5000);
}

QTEST_MAIN(DesktopsTest)
#include "tst_desktops.moc"
