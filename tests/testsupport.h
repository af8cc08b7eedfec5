// SPDX-License-Identifier: MIT
// Shared by the tests that run the real program under the X server.
#pragma once

#include "config/settingsfile.h"
#include "view/projection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

// How long anything the program does (a window shown, a first frame, a redraw,
// its end) may take on a loaded machine: ten times what it takes on a quiet
// one under the sanitizers. A check waits until the thing holds, never a set
// time: how long it takes is the machine's, not the program's.
constexpr int programMs = 30000;

// Tries check until it holds, every tenth of a second, for up to timeoutMs;
// whether it held. Unlike QTRY's checks, it does not try once more after
// holding, so what the last try saw (a grab, say) is what held.
template <typename Check>
bool eventually(Check check, int timeoutMs = programMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!check()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

// Runs a helper command and returns what it printed, trimmed.
inline QString run(const QString &program, const QStringList &args, int timeoutMs = 15000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// Real input through the XTEST extension.
inline void xdotool(const QStringList &args)
{
    run(QStringLiteral("xdotool"), args);
}

// The visible windows of process pid whose name matches the pattern name.
// xdotool's walk of the window tree ends in an X error when any window in the
// server goes away under it, which says nothing of this process's windows: such
// a walk is taken again until one gets through.
inline QStringList visibleWindows(qint64 pid, const QString &name)
{
    QProcess p;
    eventually([&] {
        p.start("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid), "--name", name});
        p.waitForFinished(15000);
        return !p.readAllStandardError().contains("X Error");
    }, 5000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// A top-level window's place on the X screen, as the window manager left it.
inline QRect windowGeometry(const QString &id)
{
    const QString shell = run(QStringLiteral("xdotool"), {"getwindowgeometry", "--shell", id});
    QRect r;
    for (const QString &line : shell.split('\n')) {
        const QString value = line.section('=', 1);
        if (line.startsWith("X="))
            r.moveLeft(value.toInt());
        else if (line.startsWith("Y="))
            r.moveTop(value.toInt());
        else if (line.startsWith("WIDTH="))
            r.setWidth(value.toInt());
        else if (line.startsWith("HEIGHT="))
            r.setHeight(value.toInt());
    }
    return r;
}

inline bool fullScreen(const QString &id)
{
    return run(QStringLiteral("xprop"), {"-id", id, "_NET_WM_STATE"}).contains("_NET_WM_STATE_FULLSCREEN");
}

// Pixels of the area that are not black.
inline int litPixelsIn(const QImage &image, const QRect &area)
{
    int n = 0;
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (image.pixel(x, y) & 0xffffff) != 0;
    return n;
}

// Asks the window manager to focus the window and waits until the X server
// has the keyboard focus there: keys sent before then go wherever it was.
inline bool focusWindow(const QString &id, int timeoutMs = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        run(QStringLiteral("xdotool"), {"windowactivate", id});
        for (int i = 0; i < 10; ++i) {
            if (run(QStringLiteral("xdotool"), {"getwindowfocus"}) == id)
                return true;
            QTest::qWait(100);
        }
    }
    return false;
}

inline QImage grabWindow(const QString &id)
{
    return QGuiApplication::primaryScreen()->grabWindow(WId(id.toULong())).toImage();
}

inline QByteArray encoded(const HeartSettings &s)
{
    unsigned char bytes[settingsFileSize];
    encodeSettings(s, bytes);
    return QByteArray(reinterpret_cast<const char *>(bytes), int(settingsFileSize));
}

inline QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// "count frame near far", for comparisons that print well when they fail.
inline QString describe(const HeartSettings &s)
{
    return QString("%1 %2 %3 %4").arg(s.heartCount).arg(s.showFrame).arg(s.nearDistance).arg(s.farDistance);
}

inline bool put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A settings file of count hearts, and the defaults else, in dir.
inline bool putHeartCount(const QTemporaryDir &dir, int count)
{
    HeartSettings s;
    s.heartCount = count;
    return put(dir.filePath("KestaConfig.dat"), encoded(s));
}

// A copy of the program in dir, for a user who may not read the build folder
// (as under /root); empty if it could not be made.
inline QString programCopyIn(const QString &dir)
{
    const QString built = qEnvironmentVariable("HEARTS_EXECUTABLE");
    const QString copy = QDir(dir).filePath(QFileInfo(built).fileName());
    return QFile::copy(built, copy) ? copy : QString();
}

// One run of the real program. Without a directory it gets a fresh one of its
// own, so no settings file from elsewhere is read. A launcher (a tool and its
// options, such as valgrind) runs the program in place of starting it
// directly; the tool must keep the program's process id.
class Hearts
{
public:
    explicit Hearts(const QStringList &args, const QString &dir = QString(),
                    const QStringList &launcher = QStringList())
    {
        process.setWorkingDirectory(dir.isEmpty() ? ownDir.path() : dir);
        const QString program = QString::fromLocal8Bit(qgetenv("HEARTS_EXECUTABLE"));
        if (launcher.isEmpty())
            process.start(program, args);
        else
            process.start(launcher.first(), launcher.mid(1) + QStringList{program} + args);
        process.waitForStarted();
    }
    ~Hearts()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    // The program's visible window (with this title, if given), waiting up to
    // programMs or as long as given; empty if none came.
    QString window(const QString &title = QString(), int timeoutMs = programMs)
    {
        const QString name = title.isEmpty() ? "." : "^" + QRegularExpression::escape(title) + "$";
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs && process.state() == QProcess::Running) {
            const QStringList ids = visibleWindows(process.processId(), name);
            if (!ids.isEmpty()) {
                QTest::qWait(300); // let the window manager finish with it
                return ids.last();
            }
            QTest::qWait(100);
        }
        return {};
    }

    // The program's visible windows, sorted, as "WxH+X+Y", each followed by
    // " full" if it is full-screen.
    QString layout() const
    {
        QStringList placed;
        for (const QString &id : visibleWindows(process.processId(), ".")) {
            const QRect r = windowGeometry(id);
            placed << QString("%1x%2+%3+%4%5").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y())
                          .arg(fullScreen(id) ? " full" : "");
        }
        placed.sort();
        return placed.join(", ");
    }

    bool endsWithin(int ms) { return process.waitForFinished(ms); }
    bool running() const { return process.state() == QProcess::Running; }
    int exitCode() const { return process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return process.exitStatus(); }
    QByteArray output() { return process.readAllStandardOutput(); }
    QByteArray errorOutput() { return process.readAllStandardError(); }
    qint64 pid() const { return process.processId(); }

private:
    QTemporaryDir ownDir;
    QProcess process;
};

// The first input must leave the screen saver running for two seconds; the
// second must then end it with status 0, or leave it running for two more.
// Each input is a command for send: xdotool's, unless another is given.
inline void saverInput(Hearts &hearts, const QStringList &first, const QStringList &then, bool ends,
                       const std::function<void(const QStringList &)> &send = xdotool)
{
    if (!first.isEmpty())
        send(first);
    QVERIFY2(!hearts.endsWithin(2000), "ended before its time");
    if (!then.isEmpty())
        send(then);
    if (ends) {
        QVERIFY2(hearts.endsWithin(programMs), "still running");
        QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
        QCOMPARE(hearts.exitCode(), 0);
    } else {
        QVERIFY2(!hearts.endsWithin(2000), "ended");
    }
}

// The view's eight colours, as the palette in MyGLWidget gives them.
const QRgb heartPalette[8] = {qRgb(255, 128, 128), qRgb(255, 255, 128), qRgb(128, 255, 128), qRgb(0, 255, 128),
                              qRgb(128, 255, 255), qRgb(0, 128, 255),   qRgb(255, 128, 192), qRgb(255, 128, 255)};

inline bool isLit(QRgb p)
{
    return qRed(p) > 8 || qGreen(p) > 8 || qBlue(p) > 8;
}

// Whether p is a palette colour lit by the eye's light: the colour scaled by
// one factor from 0 to 1.2 (ambient plus diffuse), each channel capped at 255.
inline bool isPaletteShade(QRgb p)
{
    const int got[3] = {qRed(p), qGreen(p), qBlue(p)};
    for (QRgb colour : heartPalette) {
        const int base[3] = {qRed(colour), qGreen(colour), qBlue(colour)};
        for (int c = 0; c < 3; ++c) {
            if (base[c] == 0 || got[c] >= 254)
                continue; // this channel cannot tell the factor
            const double k = double(got[c]) / base[c];
            bool fits = k <= 1.25;
            for (int d = 0; d < 3 && fits; ++d)
                fits = std::abs(std::min(255.0, base[d] * k) - got[d]) <= 4;
            if (fits)
                return true;
        }
    }
    return false;
}

// Where the view's centred 4:3 picture lies in a window of this size, from the
// top (OpenGL counts from the bottom).
inline QRect pictureIn(QSize window)
{
    const Viewport v = centredViewport(window.width(), window.height(), 4.0 / 3.0);
    return QRect(v.x, window.height() - v.y - v.height, v.width, v.height);
}

// Lit pixels inside picture, how many of them are palette shades, the share
// of the picture's width between its leftmost and rightmost lit pixels, and
// lit pixels outside it (bands that should stay black).
struct PictureCount
{
    int lit = 0;
    int shades = 0;
    double span = 0.0;
    int inBands = 0;
};

inline PictureCount countPicture(const QImage &image, const QRect &picture)
{
    PictureCount n;
    int left = picture.right(), right = picture.left();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (!isLit(p))
                continue;
            if (picture.contains(x, y)) {
                ++n.lit;
                n.shades += isPaletteShade(p);
                left = std::min(left, x);
                right = std::max(right, x);
            } else {
                ++n.inBands;
            }
        }
    }
    n.span = n.lit ? double(right - left + 1) / picture.width() : 0.0;
    return n;
}

inline QString describe(const PictureCount &n)
{
    return QString("%1 lit, %2 palette shades, across %3 of the width, %4 lit in the bands")
        .arg(n.lit).arg(n.shades).arg(n.span, 0, 'f', 2).arg(n.inBands);
}

// Hearts drawn only inside the picture, in the palette's shades. Not every
// lit pixel is one: where a heart near the eye is lit past full brightness,
// its vertices' colours are capped channel by channel, and the shading between
// them leaves the palette's proportions (up to 3 % of the lit pixels of 600
// hearts in 800x400 were seen so).
inline bool drawnWithinPicture(const PictureCount &n, int atLeast)
{
    return n.inBands == 0 && n.lit >= atLeast && n.shades >= n.lit * 0.95;
}

// The whole screen, grabbed until hearts fill its 4:3 picture (a
// screen-saver daemon's first frames can take seconds on a busy machine),
// and saved as the PNG shot for a look by eye; what it shows.
inline PictureCount heartsOnScreen(const QString &shot)
{
    QImage screen;
    PictureCount n;
    eventually([&] {
        screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        n = countPicture(screen, pictureIn(screen.size()));
        return drawnWithinPicture(n, 10000);
    });
    screen.save(shot);
    qInfo("screenshot: %s", qPrintable(shot));
    return n;
}

// Permission bits do not stop root, and CI runs as root: there a test that
// needs a file or folder its user may not touch runs that part as nobody.
// Created as root, this hands the test's own folder to nobody and becomes
// nobody (real and effective ids) until destroyed; the saved id stays root's,
// so the process can come back. In-process, unlike a child run as nobody: the
// test's executable, and the X server's authority file, may lie where nobody
// cannot read them. Anyone else is already an ordinary user: nothing happens.
class AsOrdinaryUser
{
public:
    explicit AsOrdinaryUser(const QString &ownFolder)
    {
        if (::geteuid() != 0)
            return;
        wasRoot = true;
        rootGid = ::getegid();
        groups.resize(std::size_t(std::max(0, ::getgroups(0, nullptr))));
        const passwd *nobody = ::getpwnam("nobody");
        failed = !nobody || ::getgroups(int(groups.size()), groups.data()) != int(groups.size())
                 || ::chown(QFile::encodeName(ownFolder).constData(), nobody->pw_uid, nobody->pw_gid) != 0
                 || ::setgroups(0, nullptr) != 0 || ::setresgid(nobody->pw_gid, nobody->pw_gid, rootGid) != 0
                 || ::setresuid(nobody->pw_uid, nobody->pw_uid, 0) != 0;
    }
    ~AsOrdinaryUser()
    {
        if (wasRoot && ::setresuid(0, 0, 0) == 0) {
            ::setresgid(rootGid, rootGid, rootGid);
            ::setgroups(groups.size(), groups.data());
        }
    }
    AsOrdinaryUser(const AsOrdinaryUser &) = delete;
    AsOrdinaryUser &operator=(const AsOrdinaryUser &) = delete;

    // False when root could not become nobody.
    bool ok() const { return !failed; }

private:
    std::vector<gid_t> groups;
    gid_t rootGid = 0;
    bool wasRoot = false;
    bool failed = false;
};

// What one frame of the view shows, from its lit pixels.
struct Picture
{
    int lit = 0;
    QRect bounds;
    // Share of lit pixels whose eight neighbours are lit too: high for filled
    // surfaces, low for the thin lines of wire frames.
    double solid = 0.0;
};

inline Picture measure(const QImage &image)
{
    auto on = [&image](int x, int y) {
        return image.valid(x, y) && qGray(image.pixel(x, y)) > 30;
    };
    Picture p;
    int solid = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!on(x, y))
                continue;
            ++p.lit;
            p.bounds |= QRect(x, y, 1, 1);
            bool all = true;
            for (int dy = -1; dy <= 1 && all; ++dy)
                for (int dx = -1; dx <= 1 && all; ++dx)
                    all = on(x + dx, y + dy);
            solid += all;
        }
    }
    p.solid = p.lit ? double(solid) / p.lit : 0.0;
    return p;
}

// Frames in which a good part of a heart is in the picture: hearts fall out of
// view and come back, so keep grabbing until enough have been seen.
inline std::vector<Picture> framesWithHearts(const QString &id, int wanted)
{
    std::vector<Picture> frames;
    eventually([&] {
        const Picture p = measure(grabWindow(id));
        if (p.lit >= 1000)
            frames.push_back(p);
        return int(frames.size()) >= wanted;
    });
    return frames;
}

// The settings dialog of a "/c" run, driven by the keyboard alone: Tab between
// fields, digits typed over the selected text, Space for the check box and
// Return for "Ok". Saves {1, true, 25, 40}; the dialog must then close.
inline void saveByKeyboard(Hearts &dialog)
{
    const QString id = dialog.window("Configuration");
    QVERIFY2(!id.isEmpty(), "no dialog was shown");
    QVERIFY2(focusWindow(id), "the dialog never had the keyboard focus");
    // The heart count has the focus. Count 1, frame on, then past each
    // slider to its spin box: near 25, far 40 (exactly at the gap), "Ok".
    xdotool({"key", "--delay", "50", "ctrl+a", "1", "Tab", "space", "Tab", "Tab", "2", "5",
             "Tab", "Tab", "4", "0", "Return"});
    QVERIFY2(dialog.endsWithin(30000), "Return did not close the dialog");
    QCOMPARE(dialog.exitStatus(), QProcess::NormalExit);
    QCOMPARE(dialog.exitCode(), 0);
}

// What the view in window id draws for the settings saveByKeyboard saves: one
// wire-frame heart. label names the run in failures.
inline void drawsOneWireFrameHeart(const QString &id, const QString &label)
{
    const QImage whole = grabWindow(id);
    const std::vector<Picture> frames = framesWithHearts(id, 5);
    QVERIFY2(frames.size() >= 3, "the heart was hardly ever in the picture");
    std::vector<double> solid;
    for (const Picture &p : frames) {
        // One heart at distance 30 to 34 covers well under a quarter of the
        // picture's width; the default eighty would be all over it.
        QVERIFY2(p.bounds.width() < whole.width() / 4 && p.bounds.height() < whole.height() / 3,
                 qPrintable(label + QString(": lit area %1x%2").arg(p.bounds.width()).arg(p.bounds.height())));
        solid.push_back(p.solid);
    }
    // Filled hearts measure about 0.9, wire frames about 0.3 or less; a heart
    // seen edge on can look solid in one frame, so take the median.
    std::nth_element(solid.begin(), solid.begin() + solid.size() / 2, solid.end());
    QVERIFY2(solid[solid.size() / 2] < 0.6, qPrintable(label + ": " + QString::number(solid[solid.size() / 2])));
}
