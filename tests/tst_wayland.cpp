// The program natively on Wayland: run by tests/swaysession.sh beside a
// headless sway whose outputs are HEADLESS-1, 640x480 (4:3) at the left, in
// 1280x960 pixels at scale 2, and HEADLESS-2, 800x450 (16:9) at the right, at
// scale 1. sway runs no X11, so any window it
// holds is a Wayland client's. The program, and every tool that talks to
// sway, runs as sway's user.
#include "testsupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QMap<QString, QRect> outputs{{"HEADLESS-1", QRect(0, 0, 640, 480)}, {"HEADLESS-2", QRect(640, 0, 800, 450)}};
const QString twoViews = "HEADLESS-1 640x480+0+0 full, HEADLESS-2 800x450+640+0 full";

// A window as sway holds it: on which output, where its contents lie (in the
// layout of all outputs), and whether it is full-screen there.
struct View
{
    QString output;
    QRect rect;
    bool full = false;
};

QRect rectOf(const QJsonValue &r)
{
    return QRect(r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt());
}

void collectViews(const QJsonObject &node, const QString &output, qint64 pid, QVector<View> &views)
{
    const QString on = node["type"].toString() == "output" ? node["name"].toString() : output;
    if (node["pid"].toInt() == pid) {
        // Contents: inside the border and below the title bar.
        const QRect contents = rectOf(node["window_rect"]).translated(rectOf(node["rect"]).topLeft());
        views.push_back({on, contents, node["fullscreen_mode"].toInt() != 0});
    }
    for (const char *children : {"nodes", "floating_nodes"})
        for (const QJsonValue &child : node[children].toArray())
            collectViews(child.toObject(), on, pid, views);
}

QString describe(const QVector<View> &views)
{
    QStringList placed;
    for (const View &v : views)
        placed << QString("%1 %2x%3+%4+%5%6").arg(v.output).arg(v.rect.width()).arg(v.rect.height())
                      .arg(v.rect.x()).arg(v.rect.y()).arg(v.full ? " full" : "");
    placed.sort();
    return placed.join(", ");
}

} // namespace

class WaylandTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void everyOutputCovered();
    void inputEnds_data();
    void inputEnds();
    void windowWithWaylandAlone();

private:
    // A command run as sway's user in a clean environment that names sway.
    QStringList asUser(const QStringList &environment = {}) const;
    QByteArray tool(const QStringList &command);
    QVector<View> viewsOf(const Hearts &hearts);
    QImage grab(const QString &output);
    PictureCount shown(const QString &output, QRect window = {});
    bool point(const QString &command);
    void send(const QStringList &input);
    void passSanitizers();

    QTemporaryDir shared; // what sway's user may read
    QStringList sanitizerEnvironment;
    QString reports; // where the suite collects a sanitized run's reports
    QProcess pointer;
};

QStringList WaylandTest::asUser(const QStringList &environment) const
{
    QStringList command;
    if (::geteuid() == 0)
        command << "setpriv" << "--reuid=nobody" << "--regid=nogroup" << "--clear-groups";
    return command << "env" << "-i" << "PATH=/usr/bin:/bin"
                   << "XDG_RUNTIME_DIR=" + qEnvironmentVariable("HEARTS_WAYLAND_RUNTIME")
                   << "WAYLAND_DISPLAY=" + qEnvironmentVariable("HEARTS_WAYLAND_DISPLAY") << environment;
}

QByteArray WaylandTest::tool(const QStringList &command)
{
    QProcess p;
    const QStringList line = asUser({"SWAYSOCK=" + qEnvironmentVariable("HEARTS_SWAYSOCK")}) + command;
    p.start(line.first(), line.mid(1));
    if (!p.waitForFinished(15000))
        p.kill();
    return p.readAllStandardOutput();
}

QVector<View> WaylandTest::viewsOf(const Hearts &hearts)
{
    QVector<View> views;
    collectViews(QJsonDocument::fromJson(tool({"swaymsg", "-t", "get_tree"})).object(), {}, hearts.pid(), views);
    return views;
}

// An output as sway shows it, cursor included.
QImage WaylandTest::grab(const QString &output)
{
    const QImage image = QImage::fromData(tool({"grim", "-c", "-o", output, "-"}), "PNG");
    const QString dir = qEnvironmentVariable("HEARTS_SCREENSHOT_DIR");
    if (!dir.isEmpty()) // for a person to look at
        image.save(QString("%1/wayland-%2-%3.png").arg(dir, QTest::currentTestFunction(), output));
    return image;
}

// What an output shows in the picture of a window there: the whole output
// unless a window's place on it is given. sway places windows in the outputs'
// layout; grim grabs each output in its own pixels.
PictureCount WaylandTest::shown(const QString &output, QRect window)
{
    const QImage image = grab(output);
    const int scale = image.width() / outputs[output].width();
    window = window.isNull() ? image.rect()
                             : QRect(window.topLeft() * scale, window.size() * scale);
    return countPicture(image.copy(window), pictureIn(window.size()));
}

// "to X Y" in the layout of both outputs, "by DX DY" or "click".
bool WaylandTest::point(const QString &command)
{
    pointer.write(command.toLatin1() + (command.startsWith("to") ? " 1440 480\n" : "\n"));
    while (!pointer.canReadLine())
        if (!pointer.waitForReadyRead(5000))
            return false;
    return pointer.readLine() == "done\n";
}

void WaylandTest::send(const QStringList &input)
{
    if (input.first() == "key") // after a pause: the view gets the new keyboard first
        tool({"wtype", "-s", "500", input.last()});
    else
        QVERIFY(point(input.join(' ')));
}

// A sanitized build's settings for the program as sway's user: reports go
// where that user may write, and after each test to where the suite collects
// them. No leak check: Qt 5's Wayland plugin leaves its seat's objects at exit,
// even in an application without a window, and their allocations cannot be
// told from the program's own.
void WaylandTest::passSanitizers()
{
    const QDir ownReports(shared.filePath("reports"));
    for (const QString name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        QStringList options = qEnvironmentVariable(qPrintable(name)).split(':', Qt::SkipEmptyParts);
        if (options.isEmpty())
            continue;
        for (QString &option : options) {
            if (option.startsWith("log_path=")) {
                const QFileInfo path(option.mid(9));
                reports = path.absolutePath();
                option = "log_path=" + ownReports.filePath(path.fileName());
            }
        }
        if (name == "ASAN_OPTIONS")
            options << "detect_leaks=0";
        sanitizerEnvironment << name + '=' + options.join(':');
    }
    QVERIFY(ownReports.mkpath("."));
    if (const passwd *nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr)
        QVERIFY(::chown(QFile::encodeName(ownReports.path()).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
}

void WaylandTest::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("HEARTS_WAYLAND_DISPLAY"), "run under tests/swaysession.sh");
    QVERIFY(QFile::setPermissions(shared.path(), QFile::permissions(shared.path()) | QFile::ReadOther
                                                     | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
    // Where a build under root's home cannot be read by sway's user.
    const QString program = shared.filePath("hearts");
    QVERIFY(QFile::copy(qEnvironmentVariable("HEARTS_EXECUTABLE"), program));
    qputenv("HEARTS_EXECUTABLE", QFile::encodeName(program));
    QVERIFY(QFile::copy(HEARTS_POINTER, shared.filePath("virtualpointer")));

    passSanitizers();
    const QStringList line = asUser() + QStringList{shared.filePath("virtualpointer")};
    pointer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pointer.start(line.first(), line.mid(1));
    QVERIFY(pointer.waitForStarted());
}

void WaylandTest::cleanup()
{
    if (reports.isEmpty())
        return;
    const QDir own(shared.filePath("reports"));
    for (const QString &report : own.entryList(QDir::Files))
        QFile::rename(own.filePath(report), QDir(reports).filePath(report));
}

// The pointer waits in the left band of HEADLESS-2, where a cursor would
// light band pixels: the grabs include it.
void WaylandTest::everyOutputCovered()
{
    QVERIFY(point("to 690 200"));
    const QImage before = grab("HEADLESS-2").copy(40, 190, 40, 40);
    int cursor = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            cursor += before.pixel(x, y) != before.pixel(0, 0);
    QVERIFY2(cursor > 20, "sway shows no cursor here: the grabs below could not show one either");

    // Whatever the session's other variables say, WAYLAND_DISPLAY decides.
    Hearts hearts({"/s"}, {},
                  asUser(QStringList{"DISPLAY=" + qEnvironmentVariable("DISPLAY", ":0"), "XDG_SESSION_TYPE=x11"}
                         + sanitizerEnvironment));
    QTRY_COMPARE_WITH_TIMEOUT(describe(viewsOf(hearts)), twoViews, 10000);
    for (const QString &output : outputs.keys()) {
        PictureCount n;
        // A loaded machine can take a while over the first frame. The
        // default eighty hearts reach across most of the picture.
        QTRY_VERIFY2_WITH_TIMEOUT(drawnWithinPicture(n = shown(output), 2000) && n.span > 0.6,
                                  qPrintable(output + ": " + describe(n)), 10000);
    }
    QVERIFY(hearts.running());
}

void WaylandTest::inputEnds_data()
{
    QTest::addColumn<QString>("pointerAt");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("then");
    const QStringList move{"by", "1", "0"};
    QTest::newRow("second move") << "to 300 200" << move << move;
    QTest::newRow("click on the second output") << "to 1000 200" << QStringList{} << QStringList{"click"};
    QTest::newRow("key") << "to 300 200" << QStringList{} << QStringList{"key", "a"};
}

// The pointer waits where given before the saver starts: entering a view is
// no move.
void WaylandTest::inputEnds()
{
    QFETCH(QString, pointerAt);
    QFETCH(QStringList, first);
    QFETCH(QStringList, then);
    QVERIFY(point(pointerAt));
    Hearts hearts({"/s"}, {}, asUser(sanitizerEnvironment));
    QTRY_COMPARE_WITH_TIMEOUT(describe(viewsOf(hearts)), twoViews, 10000);
    // Drawn: sway has put the views in place, under the pointer too.
    for (const QString &output : outputs.keys())
        QTRY_VERIFY_WITH_TIMEOUT(shown(output).shades > 0, 10000);
    saverInput(hearts, first, then, true, [this](const QStringList &input) { send(input); });
}

// As when sway is started from a console: no DISPLAY, no XDG_SESSION_TYPE.
// The space is black, not the desktop grey behind a window.
void WaylandTest::windowWithWaylandAlone()
{
    QVERIFY(point("to 320 240")); // the window opens on this output, around it
    Hearts hearts({}, {}, asUser(sanitizerEnvironment));
    // Read again on every try: sway may move the window before it settles.
    QVector<View> views;
    PictureCount n;
    const auto drawn = [&] {
        views = viewsOf(hearts);
        if (views.size() != 1 || views[0].full || !outputs.contains(views[0].output))
            return false;
        n = shown(views[0].output, views[0].rect.translated(-outputs[views[0].output].topLeft()));
        return drawnWithinPicture(n, 2000);
    };
    QTRY_VERIFY2_WITH_TIMEOUT(drawn(), qPrintable(describe(views) + ": " + describe(n)), 10000);
    QVERIFY(hearts.running());
}

QTEST_GUILESS_MAIN(WaylandTest)
#include "tst_wayland.moc"
