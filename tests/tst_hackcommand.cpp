// SPDX-License-Identifier: MIT
// The screen-saver daemon's command line, read without any X server.
#include "app/hackcommand.h"
#include "app/runmode.h"
#include "testsupport.h"

namespace {

// "count frame near far" of the settings a command line gives over a file.
QString applied(const HackCommand &c, const HeartSettings &file)
{
    return describe(withHackOptions(file, c));
}

HackCommand parse(const QStringList &args, const QByteArray &environment)
{
    QList<QByteArray> bytes{"hearts"};
    for (const QString &a : args)
        bytes << a.toUtf8();
    std::vector<const char *> argv;
    for (const QByteArray &b : bytes)
        argv.push_back(b.constData());
    argv.push_back(nullptr);
    return hackCommandFor(int(bytes.size()), argv.data(), environment.isNull() ? nullptr : environment.constData());
}

} // namespace

class HackCommandTest : public QObject
{
    Q_OBJECT

private slots:
    void firstArgument_data();
    void firstArgument();
    void reads_data();
    void reads();
    void rejects_data();
    void rejects();
};

void HackCommandTest::firstArgument_data()
{
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<bool>("hack");
    for (const char *a : {"--root", "-root", "--window-id", "-window-id"})
        QTest::newRow(a) << QByteArray(a) << true;
    for (const char *a : {"root", "---root", "--Root", "--roots", "--root=1", "--window", "-window-id=5", "--", "-", ""})
        QTest::newRow(a) << QByteArray(a) << false;
}

// The Windows command line never sees a hack argument as one of its own.
void HackCommandTest::firstArgument()
{
    QFETCH(QByteArray, argument);
    QFETCH(bool, hack);
    QCOMPARE(isHackArgument(argument.constData()), hack);
    QCOMPARE(runModeFor(argument.constData()), RunMode::Unrecognised);
}

void HackCommandTest::reads_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("environment");
    QTest::addColumn<uint>("window");
    QTest::addColumn<QString>("settings"); // over a file of 200 hearts, near 50, far 400

    const QByteArray none;
    QTest::newRow("root, file as it is") << QStringList{"--root"} << none << 0u << "200 0 50 400";
    QTest::newRow("daemon's window, hex") << QStringList{"-root"} << QByteArray("0x1a00007") << 0x1a00007u
                                          << "200 0 50 400";
    QTest::newRow("daemon's window, decimal") << QStringList{"--root"} << QByteArray("4242") << 4242u << "200 0 50 400";
    QTest::newRow("empty variable means root") << QStringList{"--root"} << QByteArray("") << 0u << "200 0 50 400";
    QTest::newRow("window id over the variable")
        << QStringList{"--window-id", "0X2A", "--count", "7"} << QByteArray("99") << 42u << "7 0 50 400";
    QTest::newRow("every option, either dash")
        << QStringList{"-window-id", "12", "-count", "300", "--wireframe", "-near", "20", "--far", "600"} << none
        << 12u << "300 1 20 600";
    QTest::newRow("last one counts") << QStringList{"--root", "--count", "5", "--count", "+9"} << none << 0u
                                     << "9 0 50 400";
    QTest::newRow("count 0 is one heart") << QStringList{"--root", "--count", "0"} << none << 0u << "1 0 50 400";
    QTest::newRow("beyond 32 bits") << QStringList{"--root", "--count", "99999999999999999999999", "--near",
                                                   "-99999999999"}
                                    << none << 0u << "5000 0 1 400";
    QTest::newRow("far pulls near down") << QStringList{"--root", "--far", "40"} << none << 0u << "200 0 25 40";
    QTest::newRow("far below its range") << QStringList{"--root", "--far", "3", "--near", "900"} << none << 0u
                                         << "200 0 1 16";
}

void HackCommandTest::reads()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, environment);
    QFETCH(uint, window);
    QFETCH(QString, settings);
    const HackCommand c = parse(args, environment);
    QCOMPARE(QString::fromStdString(c.error), QString());
    QCOMPARE(uint(c.window), window);
    HeartSettings file;
    file.heartCount = 200;
    file.nearDistance = 50;
    file.farDistance = 400;
    QCOMPARE(applied(c, file), settings);
}

void HackCommandTest::rejects_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("environment");
    QTest::addColumn<QString>("error");
    const QByteArray none;
    QTest::newRow("no window id") << QStringList{"--window-id"} << none << "--window-id needs a window id";
    QTest::newRow("window id text") << QStringList{"-window-id", "abc"} << none << "-window-id: 'abc' is not a window id";
    QTest::newRow("window id 0") << QStringList{"--window-id", "0"} << none << "--window-id: '0' is not a window id";
    QTest::newRow("bare 0x") << QStringList{"--window-id", "0x"} << none << "--window-id: '0x' is not a window id";
    QTest::newRow("window id signed") << QStringList{"--window-id", "-5"} << none
                                      << "--window-id: '-5' is not a window id";
    QTest::newRow("window id past 32 bits") << QStringList{"--window-id", "0x100000000"} << none
                                            << "--window-id: '0x100000000' is not a window id";
    QTest::newRow("variable not a number") << QStringList{"--root"} << QByteArray("screen0") << "XSCREENSAVER_WINDOW: "
                                                                                                 "'screen0' is not a "
                                                                                                 "window id";
    QTest::newRow("unknown option") << QStringList{"--root", "--speed", "3"} << none << "unknown option '--speed'";
    QTest::newRow("second host") << QStringList{"--root", "--window-id", "5"} << none
                                 << "unknown option '--window-id'";
    QTest::newRow("missing value") << QStringList{"--root", "--count"} << none << "--count needs a number";
    QTest::newRow("value not a number") << QStringList{"--root", "-near", "1.5"} << none
                                        << "-near: '1.5' is not a number";
    QTest::newRow("empty value") << QStringList{"--root", "--far", ""} << none << "--far: '' is not a number";
    QTest::newRow("control bytes stay on one line") << QStringList{"--root", "--x\ny"} << none
                                                    << "unknown option '--x?y'";
    QTest::newRow("long one cut short") << QStringList{"--root", QString(200, 'a')} << none
                                        << "unknown option '" + QString(79, 'a') + "...'";
}

void HackCommandTest::rejects()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, environment);
    QFETCH(QString, error);
    QCOMPARE(QString::fromStdString(parse(args, environment).error), error);
}

QTEST_APPLESS_MAIN(HackCommandTest)
#include "tst_hackcommand.moc"
