// SPDX-License-Identifier: MIT
// The real program as an X11 screen-saver hack: in a window of the test's own,
// over the root window, installed and packaged, and run by the real
// xscreensaver daemon.
#include "app/hackcommand.h"
#include "testsupport.h"
#include "xsupport.h"

#include <QDir>
#include <QScopeGuard>
#include <QXmlStreamReader>

#include <signal.h>
#include <unistd.h>

namespace {

// A plain window of the test's own for the hack to fill, placed at a known
// spot past the window manager. The same connection counts windows mapped
// anywhere on the screen.
class HostWindow
{
public:
    explicit HostWindow(QSize size) : display(XOpenDisplay(nullptr))
    {
        XSetWindowAttributes a;
        a.override_redirect = True;
        a.background_pixel = BlackPixel(display, DefaultScreen(display));
        window = XCreateWindow(display, DefaultRootWindow(display), origin.x(), origin.y(), unsigned(size.width()),
                               unsigned(size.height()), 0, CopyFromParent, InputOutput, CopyFromParent,
                               CWOverrideRedirect | CWBackPixel, &a);
        id_ = window;
        XMapWindow(display, window);
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
        XSync(display, True); // drops this window's own map
    }
    ~HostWindow()
    {
        destroy();
        XCloseDisplay(display);
    }
    QString id() const { return QString::number(id_); }
    void resize(QSize size)
    {
        XResizeWindow(display, window, unsigned(size.width()), unsigned(size.height()));
        XSync(display, False);
    }
    void destroy()
    {
        if (window)
            XDestroyWindow(display, window);
        window = 0;
        XSync(display, False);
    }
    // The size of the mapped child the hack put in it, or none.
    QSize childSize()
    {
        Window root, parent, *children = nullptr;
        unsigned n = 0;
        QSize size;
        if (XQueryTree(display, window, &root, &parent, &children, &n)) {
            for (unsigned i = 0; i < n; ++i) {
                XWindowAttributes a;
                if (XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable)
                    size = QSize(a.width, a.height);
            }
            XFree(children);
        }
        return size;
    }
    // Windows mapped anywhere since the last call.
    int maps() { return mapsSeen(display); }
    QImage grab(QSize size) const
    {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, origin.x(), origin.y(), size.width(), size.height())
            .toImage();
    }

private:
    const QPoint origin{40, 40};
    Display *display;
    Window window = 0;
    Window id_ = 0; // kept once destroyed
};

// Running processes of this executable, whoever runs them.
int processesOf(const QString &executable)
{
    int n = 0;
    for (const QString &pid : QDir("/proc").entryList(QDir::Dirs))
        n += QFile::symLinkTarget("/proc/" + pid + "/exe") == executable;
    return n;
}

const QString binaryDir = QStringLiteral(HEARTS_BINARY_DIR);

} // namespace

class HackTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void badInput_data();
    void badInput();
    void withoutX11EndsAtOnce();
    void fillsAndFollowsItsHost_data();
    void fillsAndFollowsItsHost();
    void inputDoesNotEndIt();
    void endsWithItsHost();
    void endsOnSigterm_data();
    void endsOnSigterm();
    void installedTree();
    void debianPackage();
    void underTheDaemon();

private:
    QTemporaryDir runtimeDir;
    QTemporaryDir prefix;
};

void HackTest::initTestCase()
{
    QVERIFY2(QFile::exists(QString::fromLocal8Bit(qgetenv("HEARTS_EXECUTABLE"))),
             "HEARTS_EXECUTABLE must name the built program");
    // Qt warns on stderr without one, and stderr is checked here.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
    qunsetenv("XSCREENSAVER_WINDOW");
    // World-readable, so that the daemon's unprivileged user can run it.
    QVERIFY(QFile::setPermissions(prefix.path(), QFile::permissions(prefix.path()) | QFile::ReadOther
                                                     | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
    QProcess install;
    install.start("cmake", {"--install", binaryDir, "--prefix", prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
}

void HackTest::badInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("environment");
    QTest::addColumn<QString>("error");
    QTest::newRow("no window id") << QStringList{"--window-id"} << QByteArray() << "needs a window id";
    QTest::newRow("window id text") << QStringList{"-window-id", "x12"} << QByteArray() << "is not a window id";
    QTest::newRow("no such window") << QStringList{"--window-id", "gone"} << QByteArray() << "does not exist";
    QTest::newRow("no such daemon window") << QStringList{"--root"} << QByteArray("gone") << "does not exist";
    QTest::newRow("unknown option") << QStringList{"-root", "--speed", "2"} << QByteArray() << "unknown option";
    QTest::newRow("value not a number") << QStringList{"--root", "--count", "many"} << QByteArray()
                                        << "is not a number";
}

void HackTest::badInput()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, environment);
    QFETCH(QString, error);
    // A destroyed window's id names no window while its client keeps the
    // connection: no other client is given ids from that range.
    HostWindow watcher(QSize(10, 10));
    const QString gone = watcher.id();
    watcher.destroy();
    watcher.maps();
    args.replaceInStrings(QRegularExpression("^gone$"), gone);
    if (!environment.isEmpty())
        qputenv("XSCREENSAVER_WINDOW", environment == "gone" ? gone.toLatin1() : environment);
    Hearts hearts(args);
    qunsetenv("XSCREENSAVER_WINDOW");
    QVERIFY(hearts.endsWithin(programMs));
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), 1);
    const QStringList lines = QString::fromLocal8Bit(hearts.errorOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith("hearts: ") && lines[0].contains(error), qPrintable(lines[0]));
    QCOMPARE(watcher.maps(), 0);
}

// Another platform plugin has no X11 windows to draw into: the hack arguments
// are then as unknown as any other.
void HackTest::withoutX11EndsAtOnce()
{
    const QByteArray asan = qgetenv("ASAN_OPTIONS");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // That plugin never frees its screen, which a leak check would report.
    qputenv("ASAN_OPTIONS", asan + ":detect_leaks=0");
    Hearts hearts({"--root", "--bogus"});
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("ASAN_OPTIONS", asan);
    QVERIFY(hearts.endsWithin(programMs));
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), 0);
    QCOMPARE(hearts.errorOutput(), QByteArray());
}

// The host's size is in device pixels at any scale Qt is given.
void HackTest::fillsAndFollowsItsHost_data()
{
    QTest::addColumn<QSize>("first");
    QTest::addColumn<QSize>("then");
    QTest::addColumn<QByteArray>("scale");
    QTest::newRow("wide, then tall") << QSize(800, 400) << QSize(400, 600) << QByteArray("1");
    QTest::newRow("tall, then wide") << QSize(300, 700) << QSize(900, 300) << QByteArray("1");
    QTest::newRow("at scale 2") << QSize(800, 400) << QSize(400, 600) << QByteArray("2");
}

void HackTest::fillsAndFollowsItsHost()
{
    QFETCH(QSize, first);
    QFETCH(QSize, then);
    QFETCH(QByteArray, scale);
    qputenv("QT_SCALE_FACTOR", scale); // for the program started next
    const auto unscaled = qScopeGuard([] { qunsetenv("QT_SCALE_FACTOR"); });
    HostWindow host(first);
    // Enough hearts to reach every edge of the picture.
    Hearts hearts({"--window-id", host.id(), "--count", "600"});
    QTRY_COMPARE_WITH_TIMEOUT(host.childSize(), first, programMs);
    // A frame of the old size shows in the bands of the new: drawn again.
    for (const QSize size : {first, then}) {
        host.resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(host.childSize(), size, programMs);
        PictureCount n;
        QVERIFY2(eventually([&] { return drawnWithinPicture(n = countPicture(host.grab(size), pictureIn(size)), 2000); }),
                 qPrintable(describe(n)));
    }
    QVERIFY(hearts.running());
}

void HackTest::inputDoesNotEndIt()
{
    HostWindow host(QSize(640, 480));
    Hearts hearts({"-window-id", host.id()});
    QTRY_COMPARE_WITH_TIMEOUT(host.childSize(), QSize(640, 480), programMs);
    xdotool({"mousemove", "300", "300"});
    for (const QStringList &input : {QStringList{"mousemove_relative", "--", "5", "5"},
                                     QStringList{"mousemove_relative", "--", "5", "5"}, QStringList{"key", "a"},
                                     QStringList{"key", "Escape"}, QStringList{"click", "1"},
                                     QStringList{"click", "3"}})
        xdotool(input);
    QVERIFY2(!hearts.endsWithin(1500), "input ended the hack");
}

void HackTest::endsWithItsHost()
{
    HostWindow host(QSize(500, 500));
    Hearts hearts({"--window-id", host.id()});
    QTRY_COMPARE_WITH_TIMEOUT(host.childSize(), QSize(500, 500), programMs);
    QVERIFY2(eventually([&] { return litPixelsIn(host.grab(QSize(500, 500)), QRect(0, 0, 500, 500)) > 0; }),
             "nothing drawn");
    host.destroy();
    QVERIFY2(hearts.endsWithin(programMs), "still running without its host");
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), 0);
    QCOMPARE(hearts.errorOutput(), QByteArray());
}

void HackTest::endsOnSigterm_data()
{
    QTest::addColumn<bool>("root");
    QTest::newRow("in a window") << false;
    QTest::newRow("over the root window") << true;
}

void HackTest::endsOnSigterm()
{
    QFETCH(bool, root);
    HostWindow host(QSize(320, 240));
    // A heavy field: the signal must not wait for a slow frame. How long one
    // takes here and now, the program's pace log says.
    Hearts hearts(root ? QStringList{"--root", "--count", "5000"}
                       : QStringList{"--window-id", host.id(), "--count", "5000"},
                  QString(), {"env", "QT_LOGGING_RULES=hearts.pace.debug=true"});
    const QString id = hearts.window(QString(), programMs);
    QVERIFY2(!id.isEmpty(), "no window was mapped");
    if (root) {
        const QString shell = run("xdotool", {"getwindowgeometry", "--shell", id});
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QVERIFY2(shell.contains(QString("WIDTH=%1\nHEIGHT=%2").arg(screen.width()).arg(screen.height())),
                 qPrintable(shell));
    }
    QByteArray said;
    QRegularExpressionMatch pace;
    QVERIFY2(eventually([&] {
                 said += hearts.errorOutput();
                 return (pace = QRegularExpression(": ([0-9.]+) frames").match(said)).hasMatch();
             }, 2 * programMs),
             said.constData());
    const double frameMs = 1000 / pace.captured(1).toDouble();
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(hearts.pid()), SIGTERM);
    QVERIFY(hearts.endsWithin(programMs));
    QVERIFY2(clock.elapsed() < frameMs, qPrintable(QString("%1 ms, frames of %2 ms").arg(clock.elapsed()).arg(frameMs)));
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), 0);
}

void HackTest::installedTree()
{
    const QDir p(prefix.path());
    QVERIFY(QFileInfo(p.filePath("bin/hearts")).isExecutable());
    const QFileInfo hack(p.filePath("libexec/xscreensaver/hearts"));
    QCOMPARE(hack.symLinkTarget(), QFileInfo(p.filePath("bin/hearts")).canonicalFilePath());
    QVERIFY(QFileInfo(p.filePath("share/man/man6/hearts.6.gz")).size() > 0);

    // The settings dialog's description: well formed, and every option it
    // can pass, at its default, is one the program takes.
    QFile xml(p.filePath("share/xscreensaver/config/hearts.xml"));
    QVERIFY(xml.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(&xml);
    QStringList args{"hearts"};
    int controls = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        if (reader.name() == QLatin1String("screensaver")) {
            QCOMPARE(a.value("name"), QLatin1String("hearts"));
            QCOMPARE(a.value("gl"), QLatin1String("yes"));
        } else if (reader.name() == QLatin1String("command")) {
            args << a.value("arg").toString();
        } else if (a.hasAttribute("arg") || a.hasAttribute("arg-set")) {
            ++controls;
            args << (a.hasAttribute("arg") ? a.value("arg").toString().replace("%", a.value("default").toString())
                                           : a.value("arg-set").toString())
                        .split(' ');
        }
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QCOMPARE(controls, 4);
    QCOMPARE(args.mid(0, 2), (QStringList{"hearts", "--root"}));
    std::vector<QByteArray> bytes;
    std::vector<const char *> argv;
    for (const QString &a : args)
        bytes.push_back(a.toUtf8());
    for (const QByteArray &b : bytes)
        argv.push_back(b.constData());
    const HackCommand c = hackCommandFor(int(argv.size()), argv.data(), nullptr);
    QCOMPARE(QString::fromStdString(c.error), QString());
    QCOMPARE(::describe(withHackOptions(HeartSettings(), c)), ::describe(HeartSettings{80, true, 10, 100}));
}

void HackTest::debianPackage()
{
    QTemporaryDir out;
    QProcess cpack;
    cpack.setWorkingDirectory(binaryDir);
    cpack.start("cpack", {"-G", "DEB", "-B", out.path()});
    QVERIFY(cpack.waitForFinished(180000));
    QVERIFY2(cpack.exitCode() == 0, cpack.readAllStandardOutput() + cpack.readAllStandardError());
    const QStringList debs = QDir(out.path()).entryList({"hearts_*.deb"});
    QCOMPARE(debs.size(), 1);
    const QString deb = out.filePath(debs[0]);

    const QString listing = run("dpkg-deb", {"-c", deb});
    for (const char *entry : {"./usr/bin/hearts", "./usr/libexec/xscreensaver/hearts -> ../../bin/hearts",
                              "./usr/share/xscreensaver/config/hearts.xml", "./usr/share/man/man6/hearts.6.gz",
                              "./usr/share/applications/screensavers/hearts.desktop",
                              "./usr/share/icons/hicolor/16x16/apps/hearts.png",
                              "./usr/share/icons/hicolor/256x256/apps/hearts.png"})
        QVERIFY2(listing.contains(QRegularExpression(" " + QRegularExpression::escape(entry) + "$",
                                                     QRegularExpression::MultilineOption)),
                 qPrintable(listing));
    // Library dependencies computed from the program, not written by hand.
    const QString depends = run("dpkg-deb", {"-f", deb, "Depends"});
    const QString glWidgetLibrary = QT_VERSION_MAJOR >= 6 ? "libqt6gui6" : "libqt5opengl5";
    QVERIFY2(depends.contains(glWidgetLibrary) && depends.contains("libc6") && depends.contains("libxcb1"),
             qPrintable(depends));

    // The hack as the package installs it, in a window of another shape.
    QVERIFY(QProcess::execute("dpkg", {"-x", deb, out.filePath("root")}) == 0);
    HostWindow host(QSize(600, 300));
    QProcess hack;
    hack.setWorkingDirectory(out.path());
    hack.start(out.filePath("root/usr/libexec/xscreensaver/hearts"), {"--window-id", host.id(), "--count", "300"});
    QTRY_COMPARE_WITH_TIMEOUT(host.childSize(), QSize(600, 300), programMs);
    PictureCount n;
    QVERIFY2(eventually([&] {
                 return drawnWithinPicture(n = countPicture(host.grab(QSize(600, 300)), pictureIn(QSize(600, 300))), 1000);
             }),
             qPrintable(describe(n)));
    hack.terminate();
    QVERIFY(hack.waitForFinished(programMs));
    QCOMPARE(hack.exitCode(), 0);
}

// xscreensaver refuses to run hacks as root: as root, the daemon runs as
// nobody, with a home of its own and the X server's cookie.
void HackTest::underTheDaemon()
{
    QTemporaryDir home;
    const QString executable = QFileInfo(prefix.filePath("bin/hearts")).canonicalFilePath();
    QVERIFY(put(home.filePath(".xscreensaver"),
                "mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\nsplash: False\n"
                "timeout: 60\nprograms: GL: "
                    + prefix.filePath("libexec/xscreensaver/hearts").toUtf8() + " --root --count 400 \\n\n"));
    const QString xauthority = qEnvironmentVariable("XAUTHORITY");
    if (!xauthority.isEmpty())
        QVERIFY(QFile::copy(xauthority, home.filePath(".Xauthority")));
    QStringList asUser;
    if (::geteuid() == 0) {
        QVERIFY(QProcess::execute("chown", {"-R", "nobody:nogroup", home.path()}) == 0);
        asUser = QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    }
    // A clean environment: the user could not reach what a sanitized run
    // preloads or logs to.
    asUser << "env" << "-i" << "HOME=" + home.path() << "DISPLAY=" + qEnvironmentVariable("DISPLAY")
           << "PATH=/usr/bin:/bin";
    if (!xauthority.isEmpty())
        asUser << "XAUTHORITY=" + home.filePath(".Xauthority");
    const auto command = [&](const QString &what) {
        return QProcess::execute(asUser.first(), asUser.mid(1) + QStringList{"xscreensaver-command", what});
    };

    QProcess daemon;
    daemon.setWorkingDirectory(home.path());
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(asUser.first(), asUser.mid(1) + QStringList{"xscreensaver", "-no-splash"});
    QVERIFY(daemon.waitForStarted());
    // Should a check fail, neither the daemon nor a hack of its may outlive
    // the test: they would cover the screen the tests after it look at.
    const auto stop = qScopeGuard([&] {
        command("-exit");
        if (!daemon.waitForFinished(5000)) {
            daemon.terminate();
            daemon.waitForFinished();
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(command("-time") == 0, programMs);

    xdotool({"mousemove", "640", "500"}); // over the saver, and before it starts
    QCOMPARE(command("-activate"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(processesOf(executable), 1, programMs);
    const PictureCount n = heartsOnScreen(QDir(binaryDir).filePath("hearts-under-xscreensaver.png"));
    QVERIFY2(drawnWithinPicture(n, 10000), qPrintable(describe(n)));
    QVERIFY2(!cursorVisible(), "the hack shows a cursor over the saver");

    QCOMPARE(command("-deactivate"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(processesOf(executable), 0, programMs);
}

QTEST_MAIN(HackTest)
#include "tst_hack.moc"
