// SPDX-License-Identifier: MIT
// A long windowed run at the most hearts the settings allow: the resident
// memory must level off once the field is built. HEARTS_SOAK_SECONDS sets the
// length (60 by default; hours make a real soak).
#include "testsupport.h"

#include <QApplication>

#include <numeric>

namespace {

qint64 residentKb(qint64 pid)
{
    const QByteArray status = contents(QString("/proc/%1/status").arg(pid));
    for (const QByteArray &line : status.split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

int soakSeconds()
{
    const int asked = qEnvironmentVariableIntValue("HEARTS_SOAK_SECONDS");
    return asked > 0 ? qMax(asked, 20) : 60;
}

double mean(const QVector<qint64> &v)
{
    return double(std::accumulate(v.begin(), v.end(), qint64(0))) / v.size();
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void residentMemoryStaysFlat();
};

void TestSoak::residentMemoryStaysFlat()
{
    const int seconds = soakSeconds();
    const int warmUp = qBound(10, seconds / 4, 60);
    const int every = qBound(1, seconds / 20, 30);

    // Caches that grow or shrink with timing alone are pinned, so that any
    // growth left is the program's: glibc neither trims the top of its heap
    // nor hands large blocks to mmap; AddressSanitizer keeps what it has and
    // fills its small quarantine of freed blocks within the warm-up (the
    // default 256 MB takes many minutes); the software renderer draws on the
    // calling thread (with worker threads it keeps a varying number of 40 MB
    // frames in flight).
    qputenv("MALLOC_TRIM_THRESHOLD_", "1073741824");
    qputenv("MALLOC_MMAP_THRESHOLD_", "33554432");
    qputenv("ASAN_OPTIONS",
            qgetenv("ASAN_OPTIONS") + ":allocator_release_to_os_interval_ms=-1:quarantine_size_mb=4");
    qputenv("LP_NUM_THREADS", "0");

    QTemporaryDir dir;
    QVERIFY(put(dir.filePath("KestaConfig.dat"), encoded(HeartSettings{5000, false, 10, 100})));
    Hearts hearts({}, dir.path());
    const QString id = hearts.window(QString(), 60000);
    QVERIFY(!id.isEmpty());

    QElapsedTimer clock;
    clock.start();
    QVector<qint64> samples;
    while (clock.elapsed() < seconds * 1000) {
        QTest::qWait(every * 1000);
        QVERIFY2(hearts.running(), "the program ended during the run");
        samples += residentKb(hearts.pid());
        qInfo("%lld s: %lld KiB", clock.elapsed() / 1000, samples.last());
    }
    // Still animating at the end: an idle program would trivially stay flat.
    const QImage before = grabWindow(id);
    QVERIFY(!before.isNull());
    QTRY_VERIFY2_WITH_TIMEOUT(grabWindow(id) != before, "the picture stopped moving", programMs);

    // Three samples each, against the sampling noise of a busy allocator.
    const int settled = warmUp / every;
    QVERIFY(samples.size() >= settled + 6);
    const double start = mean(samples.mid(settled, 3));
    const double end = mean(samples.mid(samples.size() - 3));
    const double growth = (end - start) / start;
    qInfo("resident after %d s warm-up %.0f KiB, at %d s %.0f KiB: %+.2f%%", warmUp, start, seconds, end,
          100.0 * growth);
    QVERIFY2(growth < 0.02, "resident memory grew by 2% or more after warm-up");

    run("wmctrl", {"-i", "-c", id});
    QVERIFY2(hearts.endsWithin(30000), "closing the window did not end it");
    QCOMPARE(hearts.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hearts.exitCode(), 0);
}

int main(int argc, char **argv)
{
    // Qt Test ends any test function after five minutes unless told otherwise.
    qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((soakSeconds() + 240) * 1000));
    QApplication app(argc, argv);
    TestSoak test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_soak.moc"
