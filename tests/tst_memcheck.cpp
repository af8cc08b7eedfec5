// SPDX-License-Identifier: MIT
// A few seconds of the windowed program under valgrind's memcheck, closed the
// way a user closes it: no invalid access and no definite leak, apart from the
// system libraries' own listed in sanitizers/valgrind.supp.
#include "testsupport.h"

namespace {

// The first number after label in valgrind's summary, commas removed.
qint64 figure(const QString &log, const QString &label)
{
    const QRegularExpression re(QRegularExpression::escape(label) + " ([\\d,]+)");
    const QRegularExpressionMatch m = re.match(log);
    return m.hasMatch() ? m.captured(1).remove(',').toLongLong() : -1;
}

} // namespace

class TestMemcheck : public QObject
{
    Q_OBJECT

private slots:
    void windowedRun();
};

void TestMemcheck::windowedRun()
{
    QTemporaryDir dir;
    const QString log = dir.filePath("memcheck.log");
    Hearts hearts({}, dir.path(),
                  {"valgrind", "--leak-check=full", "--show-leak-kinds=definite", "--errors-for-leak-kinds=definite",
                   // Frames in a library unloaded before the check keep their names.
                   "--keep-debuginfo=yes", "--child-silent-after-fork=yes", "--num-callers=40",
                   "--suppressions=" HEARTS_SOURCE_DIR "/tests/sanitizers/valgrind.supp", "--log-file=" + log});
    const QString id = hearts.window(QString(), 120000);
    QVERIFY2(!id.isEmpty(), "no window under valgrind");
    QTest::qWait(3000);
    run("wmctrl", {"-i", "-c", id});
    QVERIFY2(hearts.endsWithin(120000), "closing the window did not end it");
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), 0);

    const QString report = QString::fromLocal8Bit(contents(log));
    const qint64 errors = figure(report, "ERROR SUMMARY:");
    QVERIFY2(errors >= 0, qPrintable(report));
    const bool noLeaks = report.contains("no leaks are possible");
    const qint64 definite = noLeaks ? 0 : figure(report, "definitely lost:");
    qInfo("definitely lost %lld bytes, indirectly %lld, possibly %lld; suppressed %lld bytes; %lld errors, "
          "%lld suppressed",
          definite, figure(report, "indirectly lost:"), figure(report, "possibly lost:"),
          figure(report, "suppressed:"), errors, figure(report, "contexts (suppressed:"));
    QVERIFY2(errors == 0 && definite == 0, qPrintable(report));
}

QTEST_MAIN(TestMemcheck)
#include "tst_memcheck.moc"
