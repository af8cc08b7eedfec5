// SPDX-License-Identifier: MIT
// Seeded random settings files: whatever 0 to 32 bytes a file holds, reading
// it never fails and the view ends up with values its heart field can be
// built from.
#include "testsupport.h"
#include "view/heartfield.h"
#include "view/myglwidget.h"

#include <cstdint>
#include <memory>
#include <random>

namespace {

constexpr int inputs = 100000;
constexpr int viaViewEvery = 100; // the real view is slow to construct
constexpr std::uint32_t seed = 20240214;

// Values at and around every limit, which plain random bytes almost never hit.
const std::int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -1000, -1, 0, 1, 2, 5, 6, 10, 11, 14, 15, 16, 17,
                              20, 100, 984, 985, 986, 995, 999, 1000, 1001, 4999, 5000, 5001, INT32_MAX};

std::mt19937 generator(seed);

// The field's random source, seeded like everything else here.
int draw()
{
    return int(generator() >> 1);
}

QString hex(const unsigned char *bytes, int size)
{
    return QString(QByteArray(reinterpret_cast<const char *>(bytes), size).toHex(' '));
}

// Why v could not build a field, or empty if it could.
QString unbuildable(const HeartSettings &v)
{
    using namespace SettingsLimits;
    if (v.heartCount < minHeartCount || v.heartCount > maxHeartCount)
        return "heart count out of range";
    // drawDistance takes a remainder by far and loops until it lands in
    // [near + 5, far - 6]; place takes remainders by the picture's half size
    // at the nearest such distance.
    if (v.nearDistance < 1 || v.farDistance - 6 < v.nearDistance + 5)
        return "empty distance range";
    const Frustum f{v.nearDistance, v.farDistance, 45.0, 4.0 / 3.0};
    if (int(f.halfHeightAt(v.nearDistance + 5)) < 1)
        return "remainder by zero in place";
    // And build it for real: one heart placed, then moved below the picture
    // so that its next tick brings it back at a new distance.
    HeartInstance heart;
    HeartField::place(heart, f, &draw);
    const double d = -heart.position.z;
    if (d < v.nearDistance + 5 || d > v.farDistance - 6)
        return QString("placed at %1").arg(d);
    heart.position.y = -f.halfHeightAt(d) - 10.0;
    if (!HeartField::fall(heart, f, &draw))
        return "did not come back";
    const double back = -heart.position.z;
    if (back < v.nearDistance + 5 || back > v.farDistance - 6)
        return QString("came back at %1").arg(back);
    return QString();
}

} // namespace

class TestSettingsFuzz : public QObject
{
    Q_OBJECT

private slots:
    void randomFiles();
};

void TestSettingsFuzz::randomFiles()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("KestaConfig.dat");
    const QByteArray fileName = QFile::encodeName(path);
    const HeartSettings defaults;
    std::uniform_int_distribution<int> size(0, 32), byte(0, 255), coin(0, 1);
    std::uniform_int_distribution<std::size_t> edge(0, std::size(edges) - 1);
    int viaView = 0;

    for (int i = 0; i < inputs; ++i) {
        const int n = size(generator);
        // Exactly n bytes on the heap, so a sanitized build catches any read past them.
        const std::unique_ptr<unsigned char[]> bytes(new unsigned char[std::size_t(n)]);
        for (int k = 0; k < n; ++k)
            bytes[k] = static_cast<unsigned char>(byte(generator));
        for (int offset : {0, 8, 12}) {
            if (offset + 4 <= n && coin(generator)) {
                const auto u = static_cast<std::uint32_t>(edges[edge(generator)]);
                for (int k = 0; k < 4; ++k)
                    bytes[offset + k] = static_cast<unsigned char>(u >> (8 * k));
            }
        }
        const auto where = [&] {
            return QString("input %1 (seed %2): %3").arg(i).arg(seed).arg(hex(bytes.get(), n)).toLocal8Bit();
        };

        // Bytes past the sixteenth change nothing.
        const HeartSettings decoded = decodeSettings(bytes.get(), std::size_t(n), defaults);
        QCOMPARE(describe(decodeSettings(bytes.get(), std::size_t(qMin(n, 16)), defaults)), describe(decoded));

        // Through the real file, every input. A new file each time: on ext4,
        // rewriting one in place forces it to disk at every close.
        QFile::remove(path);
        QVERIFY(put(path, QByteArray(reinterpret_cast<const char *>(bytes.get()), n)));
        HeartSettings read = defaults;
        QVERIFY2(readSettingsFile(fileName.constData(), read), where().constData());
        QCOMPARE(describe(read), describe(decoded));

        const HeartSettings used = withinLimits(decoded);
        const QString why = unbuildable(used);
        if (!why.isEmpty())
            QFAIL(qPrintable(where() + ": " + why + " with " + describe(used)));

        // Now and then through the view itself, which must use what withinLimits gives.
        if (i % viaViewEvery == 0) {
            MyGLWidget view(false);
            view.loadSettings(fileName.constData());
            QVERIFY2(describe(view.settings()) == describe(used), where().constData());
            ++viaView;
        }
    }
    qInfo("%d random files of 0 to 32 bytes read, %d of them through the view", inputs, viaView);
}

QTEST_MAIN(TestSettingsFuzz)
#include "tst_settingsfuzz.moc"
