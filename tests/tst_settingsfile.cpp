// SPDX-License-Identifier: MIT
// The settings file's bytes, and what reading and writing do with whatever
// sits at its name.
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(HeartSettings)

namespace {

const HeartSettings prior = HeartSettings{7, true, 20, 300};

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void encoding_data();
    void encoding();
    void decoding_data();
    void decoding();
    void reading_data();
    void reading();
    void fifoRenamedOverWhileReading();
    void writing_data();
    void writing();
};

void TestSettingsFile::encoding_data()
{
    QTest::addColumn<HeartSettings>("settings");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("defaults") << HeartSettings() << QByteArray("50000000 00 000000 0a000000 64000000");
    QTest::newRow("byte order, sign")
        << HeartSettings{0x12345678, true, -2, INT32_MIN} << QByteArray("78563412 01 000000 feffffff 00000080");
}

// Exact bytes, pads as zeros, and back again.
void TestSettingsFile::encoding()
{
    QFETCH(HeartSettings, settings);
    QFETCH(QByteArray, hex);
    QCOMPARE(encoded(settings), QByteArray::fromHex(hex.replace(' ', "")));
    const HeartSettings back = decodeSettings(
        reinterpret_cast<const unsigned char *>(encoded(settings).constData()), 16, prior);
    QCOMPARE(describe(back), describe(settings));
}

void TestSettingsFile::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<HeartSettings>("expected");

    QTest::newRow("flag 2, junk pads") << QByteArray::fromHex("01000000 02 abcdef 02000000 03000000")
                                       << HeartSettings{1, true, 2, 3};
    // Each field that a short file does not wholly cover keeps its value.
    const QByteArray full = QByteArray::fromHex("01000000 00 000000 02000000 03000000");
    const struct { int size; HeartSettings expected; } cut[] = {
        {0, prior}, {3, prior}, {4, HeartSettings{1, true, 20, 300}}, {5, HeartSettings{1, false, 20, 300}},
        {11, HeartSettings{1, false, 20, 300}}, {12, HeartSettings{1, false, 2, 300}}, {15, HeartSettings{1, false, 2, 300}},
    };
    for (const auto &c : cut)
        QTest::newRow(qPrintable(QString("%1 bytes").arg(c.size))) << full.left(c.size) << c.expected;
}

void TestSettingsFile::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(HeartSettings, expected);
    const HeartSettings s = decodeSettings(reinterpret_cast<const unsigned char *>(bytes.constData()),
                                           std::size_t(bytes.size()), prior);
    QCOMPARE(describe(s), describe(expected));
}

void TestSettingsFile::reading_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<HeartSettings>("expected");

    const HeartSettings inFile = HeartSettings{3, true, 30, 400};
    QTest::newRow("missing") << "missing" << false << prior;
    QTest::newRow("16 bytes") << "exact" << true << inFile;
    QTest::newRow("longer: first 16 bytes") << "longer" << true << inFile;
    QTest::newRow("5 bytes") << "short" << true << HeartSettings{3, true, 20, 300};
    QTest::newRow("symlink to a file") << "link" << true << inFile;
    QTest::newRow("dangling symlink") << "dangling" << false << prior;
    QTest::newRow("directory") << "directory" << false << prior;
    QTest::newRow("fifo") << "fifo" << false << prior; // opening one would block
    QTest::newRow("device") << "device" << false << prior;
    QTest::newRow("unreadable") << "unreadable" << false << prior;
}

void TestSettingsFile::reading()
{
    QFETCH(QString, kind);
    QFETCH(bool, readable);
    QFETCH(HeartSettings, expected);

    QTemporaryDir dir;
    AsOrdinaryUser user(dir.path());
    QVERIFY2(user.ok(), "root could not become nobody");
    const QString name = dir.filePath("KestaConfig.dat");
    const QByteArray file = encoded(HeartSettings{3, true, 30, 400});
    const QByteArray other = encoded(HeartSettings{9, false, 90, 900});
    bool made = true;
    if (kind == "exact" || kind == "unreadable")
        made = put(name, file);
    else if (kind == "longer")
        made = put(name, file + other);
    else if (kind == "short")
        made = put(name, file.left(5));
    else if (kind == "link")
        made = put(dir.filePath("target"), file) && QFile::link(dir.filePath("target"), name);
    else if (kind == "dangling")
        made = QFile::link(dir.filePath("nowhere"), name);
    else if (kind == "directory")
        made = QDir(dir.path()).mkdir("KestaConfig.dat");
    else if (kind == "fifo")
        made = mkfifo(QFile::encodeName(name).constData(), 0644) == 0;
    else if (kind == "device")
        made = QFile::link("/dev/zero", name);
    QVERIFY(made);
    if (kind == "unreadable") {
        QVERIFY(QFile::setPermissions(name, QFileDevice::Permissions()));
        QVERIFY2(!QFile(name).open(QIODevice::ReadOnly), "permission bits are not enforced for this user");
    }

    HeartSettings s = prior;
    QCOMPARE(readSettingsFile(QFile::encodeName(name).constData(), s), readable);
    QCOMPARE(describe(s), describe(expected));
}

// The name flips between a regular file and a FIFO while another thread reads
// it, so now and then the FIFO arrives between the reader's look and its open.
// Each read must get the file's bytes or nothing, and none may block.
void TestSettingsFile::fifoRenamedOverWhileReading()
{
    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.filePath("KestaConfig.dat"));
    const QByteArray file = QFile::encodeName(dir.filePath("file"));
    const QByteArray fifo = QFile::encodeName(dir.filePath("fifo"));
    const QByteArray spare = QFile::encodeName(dir.filePath("spare"));
    const HeartSettings inFile = HeartSettings{3, true, 30, 400};
    QVERIFY(put(QFile::decodeName(file), encoded(inFile)));
    QVERIFY(mkfifo(fifo.constData(), 0644) == 0);

    std::atomic<bool> stop{false}, finished{false};
    std::atomic<int> reads{0}, refused{0}, wrong{0};
    std::thread reader([&] {
        for (int i = 0; i < 20000 && !stop; ++i) {
            HeartSettings s = prior;
            if (!readSettingsFile(name.constData(), s))
                ++refused;
            else if (describe(s) != describe(inFile))
                ++wrong;
            ++reads;
        }
        finished = true;
    });
    // link() then rename() replaces the name in one step, never leaving it empty.
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    int seen = 0;
    bool blocked = false;
    while (!finished && !blocked) {
        for (const QByteArray &next : {file, fifo}) {
            ::link(next.constData(), spare.constData());
            ::rename(spare.constData(), name.constData());
        }
        if (reads != seen) {
            seen = reads;
            sinceProgress.restart();
        }
        blocked = sinceProgress.elapsed() > 3000;
    }
    // A writer's open lets a reader stuck in the FIFO's open go on.
    stop = true;
    while (!finished) {
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        QThread::msleep(10);
    }
    reader.join();
    QVERIFY2(!blocked, "a read blocked on a FIFO");
    QCOMPARE(int(wrong), 0);
    QVERIFY2(refused > 0 && refused < reads, qPrintable(QString("%1 of %2 refused").arg(refused).arg(reads)));
}

void TestSettingsFile::writing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::addColumn<bool>("written");

    QTest::newRow("new file") << "none" << false << true;
    QTest::newRow("replaces a longer file") << "longer" << false << true;
    QTest::newRow("directory at the name") << "directory" << false << false;
    // No temporary file can be made beside it: rewritten in place.
    QTest::newRow("read-only folder") << "longer" << true << true;
    // Nor in place: it cannot be created, is not writable, or is no file.
    QTest::newRow("read-only folder, no file") << "none" << true << false;
    QTest::newRow("read-only folder and file") << "readonly" << true << false;
    QTest::newRow("read-only folder, FIFO") << "fifo" << true << false; // must not wait for a reader
    // The temporary file is made, but no name for it fits: the old file stays.
    QTest::newRow("no room for a temporary name") << "longname" << false << false;
}

void TestSettingsFile::writing()
{
    QFETCH(QString, kind);
    QFETCH(bool, readOnlyFolder);
    QFETCH(bool, written);

    QTemporaryDir dir;
    AsOrdinaryUser user(dir.path());
    QVERIFY2(user.ok(), "root could not become nobody");
    const QString base = kind == "longname" ? QString(250, 'k') : "KestaConfig.dat";
    const QString name = dir.filePath(base);
    const QByteArray old = encoded(HeartSettings{9, false, 90, 900}) + "tail";
    if (kind == "directory")
        QVERIFY(QDir(dir.path()).mkdir(base));
    else if (kind == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(name).constData(), 0644), 0);
    else if (kind != "none")
        QVERIFY(put(name, old));
    if (kind == "readonly")
        QVERIFY(QFile::setPermissions(name, QFileDevice::ReadOwner));
    const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    if (readOnlyFolder) {
        QVERIFY(QFile::setPermissions(dir.path(), all & ~QFileDevice::WriteOwner));
        const bool probed = put(dir.filePath("probe"), "x");
        QFile::remove(dir.filePath("probe"));
        QVERIFY2(!probed, "permission bits are not enforced for this user");
    }

    const HeartSettings s = HeartSettings{3, true, 30, 400};
    const bool ok = writeSettingsFile(QFile::encodeName(name).constData(), s);
    QFile::setPermissions(dir.path(), all);
    QCOMPARE(ok, written);
    const QFileInfo info(name);
    if (kind == "directory" || kind == "fifo")
        QVERIFY(kind == "directory" ? info.isDir() : !info.isFile() && info.exists());
    else if (written || kind != "none")
        QCOMPARE(contents(name), written ? encoded(s) : old);
    else
        QVERIFY(!info.exists());
    // No temporary file is left behind, whether or not the write succeeded.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             kind == "none" && !written ? QStringList() : QStringList{base});
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
