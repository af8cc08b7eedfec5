// SPDX-License-Identifier: MIT
// The real program against input no user means to send: random first
// arguments, and a storm of X input all at once on the screen saver.
#include "testsupport.h"

#include "xsupport.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

extern char **environ;

namespace {

// Counts the windows mapped on the screen, whichever client maps them.
class MapWatcher
{
public:
    MapWatcher() : display(XOpenDisplay(nullptr))
    {
        if (display) {
            XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
            XSync(display, False);
        }
    }
    ~MapWatcher()
    {
        if (display)
            XCloseDisplay(display);
    }
    bool ok() const { return display != nullptr; }
    // Maps seen since the last call.
    int maps() { return mapsSeen(display); }

private:
    Display *display;
};

struct Outcome
{
    bool ended = false;
    int status = -1; // the wait status
    qint64 ms = 0;
    QByteArray output;
};

// Runs the program with exactly these bytes as its first argument (QProcess
// would encode them as text first), in dir, killing it after limitMs.
Outcome runWithArgument(const QByteArray &argument, const QString &dir, int limitMs)
{
    const QByteArray program = qgetenv("HEARTS_EXECUTABLE");
    const QByteArray where = QFile::encodeName(dir);
    const QByteArray outName = QFile::encodeName(dir + "/stdout");
    char *argv[] = {const_cast<char *>(program.constData()), const_cast<char *>(argument.constData()), nullptr};
    Outcome o;
    const int out = ::open(outName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0)
        return o;
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Nothing but async-signal-safe calls between fork and exec.
        if (::chdir(where.constData()) == 0 && ::dup2(out, 1) == 1)
            ::execve(program.constData(), argv, environ);
        ::_exit(127);
    }
    ::close(out);
    if (pid < 0)
        return o;
    while (!(o.ended = ::waitpid(pid, &o.status, WNOHANG) == pid) && clock.elapsed() < limitMs)
        ::usleep(2000);
    o.ms = clock.elapsed();
    if (!o.ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &o.status, 0);
    }
    o.output = contents(dir + "/stdout");
    return o;
}

// At least 200 first arguments, none starting with "/c" or "/s", from a fixed
// seed: random bytes, invalid UTF-8, very long ones and near misses.
QList<QByteArray> hostileArguments()
{
    std::mt19937 generator(20240214);
    const auto below = [&](int n) { return int(generator() % unsigned(n)); };
    const auto randomBytes = [&](int size, int lowest) {
        QByteArray bytes;
        for (int i = 0; i < size; ++i)
            bytes += char(lowest + below(256 - lowest));
        return bytes;
    };
    // Broken sequences: lone continuations, truncated leads, overlong forms,
    // surrogates, bytes UTF-8 never uses.
    const QByteArray broken[] = {"\x80", "\xbf", "\xc3", "\xe2\x82", "\xf0\x9f\x98", "\xc0\xaf", "\xe0\x80\xaf",
                                 "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xf8\x88\x80\x80\x80", "\xfe", "\xff"};
    QList<QByteArray> arguments{QByteArray()};
    while (arguments.size() < 201) {
        QByteArray a;
        switch (arguments.size() % 4) {
        case 0:
            a = randomBytes(1 + below(64), 1);
            break;
        case 1:
            for (int parts = 1 + below(6); parts > 0; --parts)
                a += broken[below(int(std::size(broken)))] + randomBytes(below(3), 0x20);
            break;
        case 2: // up to the kernel's limit for one argument, 128 KiB with its NUL
            a = randomBytes(arguments.size() % 8 == 2 ? 131071 : 1000 + below(50000), 1);
            break;
        case 3:
            a = QByteArray("/") + char(" /CSpa.:\xc3\xe3"[below(10)]) + randomBytes(below(8), 1);
            break;
        }
        if (!a.toLower().startsWith("/c") && !a.toLower().startsWith("/s")) // the letter in either case
            arguments += a;
    }
    return arguments;
}

QString shown(const QByteArray &argument)
{
    return QString("%1 bytes: %2").arg(argument.size()).arg(QString(argument.left(24).toHex(' ')));
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT

private slots:
    void randomFirstArgument();
    void inputStorm_data();
    void inputStorm();
};

// Each ends at once with status 0, prints nothing and maps no window.
void TestHostileInput::randomFirstArgument()
{
    MapWatcher watcher;
    QVERIFY(watcher.ok());
    {
        // The watcher does see a window when one is mapped.
        Hearts windowed({});
        int maps = 0;
        QTRY_VERIFY_WITH_TIMEOUT((maps += watcher.maps()) > 0, programMs);
    }
    QTest::qWait(500);
    watcher.maps();

    QTemporaryDir dir;
    const QList<QByteArray> arguments = hostileArguments();
    QStringList failures;
    qint64 slowest = 0;
    for (const QByteArray &argument : arguments) {
        const Outcome o = runWithArgument(argument, dir.path(), 1000);
        const int maps = watcher.maps();
        slowest = qMax(slowest, o.ms);
        if (!o.ended || !WIFEXITED(o.status) || WEXITSTATUS(o.status) != 0 || maps > 0 || !o.output.isEmpty())
            failures += QString("%1: %2 in %3 ms, status %4, %5 maps, %6 bytes out")
                            .arg(shown(argument), o.ended ? "ended" : "still running")
                            .arg(o.ms).arg(o.status).arg(maps).arg(o.output.size());
    }
    qInfo("%d arguments, slowest ended after %lld ms", int(arguments.size()), slowest);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
}

void TestHostileInput::inputStorm_data()
{
    QTest::addColumn<int>("moves");
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("clicks");
    QTest::newRow("moves") << 5000 << 0 << 0;
    QTest::newRow("keys") << 0 << 3000 << 0;
    QTest::newRow("clicks") << 0 << 0 << 3000;
    QTest::newRow("all three, interleaved") << 2000 << 2000 << 2000;
}

// Everything is queued in the server before the program can answer the first
// event, so most of it arrives while the program is already on its way out.
void TestHostileInput::inputStorm()
{
    QFETCH(int, moves);
    QFETCH(int, keys);
    QFETCH(int, clicks);
    Hearts hearts({"/s"});
    QVERIFY(!hearts.window().isEmpty());

    Display *display = XOpenDisplay(nullptr);
    QVERIFY(display);
    int event, error, major, minor;
    QVERIFY(XTestQueryExtension(display, &event, &error, &major, &minor));
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    // Letters and the left button only: nothing the window manager binds.
    for (int i = 0; i < qMax(moves, qMax(keys, clicks)); ++i) {
        if (i < moves)
            XTestFakeMotionEvent(display, -1, (i * 37) % width, (i * 53) % height, CurrentTime);
        if (i < keys) {
            const KeyCode key = XKeysymToKeycode(display, XK_a + i % 26);
            XTestFakeKeyEvent(display, key, True, CurrentTime);
            XTestFakeKeyEvent(display, key, False, CurrentTime);
        }
        if (i < clicks) {
            XTestFakeButtonEvent(display, 1, True, CurrentTime);
            XTestFakeButtonEvent(display, 1, False, CurrentTime);
        }
    }
    XSync(display, False);
    XCloseDisplay(display);

    QVERIFY2(hearts.endsWithin(programMs), "still running after the storm");
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QVERIFY2(hearts.exitCode() == 0, hearts.errorOutput().constData());
    QVERIFY(hearts.output().isEmpty());
}

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
