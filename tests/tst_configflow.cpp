// SPDX-License-Identifier: MIT
// From the settings file to the picture: the view reads the file before it is
// shown, and the real program's dialog, driven by keyboard alone, writes a file
// that the next windowed run draws.
#include "testsupport.h"
#include "view/myglwidget.h"

#include <GL/gl.h>

#include <sys/stat.h>

class TestConfigFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void viewTakesTheFile_data();
    void viewTakesTheFile();
    void dialogByKeyboardThenView();
    void okInDeletedFolder();
    void closeButtonKeepsTheFile();
    void fifoAtTheName_data();
    void fifoAtTheName();
};

void TestConfigFlow::initTestCase()
{
    QVERIFY2(QFile::exists(QString::fromLocal8Bit(qgetenv("HEARTS_EXECUTABLE"))),
             "HEARTS_EXECUTABLE must name the built program");
}

// Expected as "count frame near far": what withinLimits makes of the file.
void TestConfigFlow::viewTakesTheFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");

    QByteArray wild = encoded(HeartSettings{0, false, 900, 100});
    wild[4] = 2;
    QTest::newRow("no file") << QByteArray() << "80 0 10 100";
    QTest::newRow("in range") << encoded(HeartSettings{3, true, 30, 400}) << "3 1 30 400";
    QTest::newRow("out of range") << wild << "1 1 85 100";
    QTest::newRow("9 bytes") << encoded(HeartSettings{3, true, 30, 400}).left(9) << "3 1 10 100";
}

void TestConfigFlow::viewTakesTheFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.filePath("KestaConfig.dat"));
    if (!file.isEmpty())
        QVERIFY(put(name, file));
    MyGLWidget view(false);
    view.loadSettings(name.constData());
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    const HeartSettings s = view.settings();
    QCOMPARE(QString("%1 %2 %3 %4").arg(s.heartCount).arg(s.showFrame).arg(s.nearDistance).arg(s.farDistance),
             expected);
    QCOMPARE(int(view.field().size()), s.heartCount);
    // gluPerspective puts -(f+n)/(f-n) at [10] and -2fn/(f-n) at [14].
    view.makeCurrent();
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    QVERIFY(qAbs(m[14] / (m[10] - 1.0) - s.nearDistance) < 1e-3);
    QVERIFY(qAbs(m[14] / (m[10] + 1.0) - s.farDistance) < 1e-3 * s.farDistance);
}

// "/c", then the keyboard alone: Tab between fields, digits typed over the
// selected text, Space for the check box and Return for "Ok". The next
// windowed run, and the next screen saver, must draw one wire-frame heart.
void TestConfigFlow::dialogByKeyboardThenView()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("KestaConfig.dat");
    {
        Hearts dialog({"/c"}, dir.path());
        saveByKeyboard(dialog);
    }
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toHex(), encoded(HeartSettings{1, true, 25, 40}).toHex());

    for (const QStringList &mode : {QStringList{}, QStringList{"/s"}}) {
        Hearts view(mode, dir.path());
        const QString id = view.window("Happy Valentines Day!");
        QVERIFY2(!id.isEmpty(), "no view was shown");
        drawsOneWireFrameHeart(id, mode.join(""));
    }
}

// A daemon's or a terminal's working folder can be deleted while the dialog
// is open, and still look writable: "Ok" saves to the user's own folder.
void TestConfigFlow::okInDeletedFolder()
{
    QTemporaryDir config, dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    Hearts dialog({"/c"}, dir.path());
    qunsetenv("XDG_CONFIG_HOME");
    QVERIFY(dir.remove());
    saveByKeyboard(dialog);
    QCOMPARE(contents(config.filePath("hearts/KestaConfig.dat")).toHex(),
             encoded(HeartSettings{1, true, 25, 40}).toHex());
}

// Edited first, so that saving would show; then the window manager's close.
void TestConfigFlow::closeButtonKeepsTheFile()
{
    QTemporaryDir dir;
    const QByteArray before = encoded(HeartSettings{7, false, 30, 400}) + "tail";
    QVERIFY(put(dir.filePath("KestaConfig.dat"), before));

    Hearts dialog({"/c:1234"}, dir.path());
    const QString id = dialog.window("Configuration");
    QVERIFY2(!id.isEmpty(), "no dialog was shown");
    QVERIFY2(focusWindow(id), "the dialog never had the keyboard focus");
    xdotool({"key", "--delay", "50", "ctrl+a", "3", "Tab", "space"});
    QTest::qWait(200);
    run("wmctrl", {"-i", "-c", id});
    QVERIFY2(dialog.endsWithin(30000), "the dialog did not close");
    QCOMPARE(dialog.exitCode(), 0);

    QFile file(dir.filePath("KestaConfig.dat"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

// A FIFO at the name, which would block a plain open, stops neither mode.
void TestConfigFlow::fifoAtTheName_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("title");
    QTest::newRow("view") << QStringList{} << "Happy Valentines Day!";
    QTest::newRow("dialog") << QStringList{"/c"} << "Configuration";
}

void TestConfigFlow::fifoAtTheName()
{
    QFETCH(QStringList, args);
    QFETCH(QString, title);
    QTemporaryDir dir;
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("KestaConfig.dat")).constData(), 0644), 0);
    Hearts hearts(args, dir.path());
    QVERIFY2(!hearts.window(title).isEmpty(), "no window came up");
}

QTEST_MAIN(TestConfigFlow)
#include "tst_configflow.moc"
