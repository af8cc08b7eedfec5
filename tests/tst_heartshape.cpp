// SPDX-License-Identifier: MIT
#include "geometry/heartshape.h"
#include "geometry/vector3d.h"

#include <QtTest>

#include <cmath>
#include <vector>

Q_DECLARE_METATYPE(Vector3D)

namespace {

struct Group
{
    int mode;
    std::vector<Vector3D> vertices;
    std::vector<Vector3D> normals; // the normal in effect at each vertex
    int normalCalls = 0;
};

// Records what the surface would feed to OpenGL. Calls outside begin/end, or
// a nested begin, would be lost by the driver: they are counted.
struct RecordingSink
{
    std::vector<Group> groups;
    Vector3D current{0, 0, 0};
    bool open = false;
    int misuse = 0;

    void begin(HeartShape::Primitive mode) { misuse += open; open = true; groups.push_back(Group{int(mode), {}, {}, 0}); }
    void end() { misuse += !open; open = false; }
    void normal(const Vector3D &n)
    {
        current = n;
        open ? void(++groups.back().normalCalls) : void(++misuse);
    }
    void vertex(const Vector3D &v)
    {
        if (!open)
            return void(++misuse);
        groups.back().vertices.push_back(v);
        groups.back().normals.push_back(current);
    }
};

RecordingSink record(double thickness, double bevelWidth)
{
    HeartShape::Outline outline;
    HeartShape::buildOutline(outline);
    RecordingSink sink;
    HeartShape::emitSurface(outline, thickness * 0.5, HeartShape::bevelInset(thickness, bevelWidth), sink);
    return sink;
}

bool near(const Vector3D &a, const Vector3D &b, double eps = 1e-12)
{
    return std::abs(a.x - b.x) <= eps && std::abs(a.y - b.y) <= eps && std::abs(a.z - b.z) <= eps;
}

double dot(const Vector3D &a, const Vector3D &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Twice the area vector of the quad abcd, non-planar ones included; for a
// triangle pass c twice.
Vector3D areaNormal(const Vector3D &a, const Vector3D &b, const Vector3D &c, const Vector3D &d)
{
    const Vector3D p{c.x - a.x, c.y - a.y, c.z - a.z}, q{d.x - b.x, d.y - b.y, d.z - b.z};
    return Vector3D{p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x};
}

} // namespace

class TestHeartShape : public QObject
{
    Q_OBJECT

private slots:
    void bevel_data()
    {
        QTest::addColumn<double>("thickness");
        QTest::addColumn<double>("bevel");
        QTest::addColumn<double>("inset");

        QTest::newRow("default") << 1.0 << 0.15 << 0.15 / std::sqrt(2.0);
        QTest::newRow("negative") << 1.0 << -0.15 << 0.15 / std::sqrt(2.0);
        QTest::newRow("zero") << 1.0 << 0.0 << 0.0;
        QTest::newRow("leg equals half") << 1.0 << std::sqrt(0.5) << 0.5;
        QTest::newRow("leg beyond half") << 1.0 << 0.8 << 0.5;
        QTest::newRow("negative capped") << 1.0 << -3.0 << 0.5;
        QTest::newRow("thin slab capped") << 0.2 << 0.15 << 0.1;
    }

    // The side wall spans ±(h - r): a capped inset must leave it flat at z = 0
    // rather than turned inside out, and no inset leaves chamfers of no area.
    void bevel()
    {
        QFETCH(double, thickness);
        QFETCH(double, bevel);
        QFETCH(double, inset);

        QVERIFY(std::abs(HeartShape::bevelInset(thickness, bevel) - inset) < 1e-12);
        const RecordingSink sink = record(thickness, bevel);
        QCOMPARE(sink.groups.size(), size_t(5));
        const double rim = thickness * 0.5 - inset;
        const std::vector<Vector3D> &wall = sink.groups[2].vertices;
        for (size_t i = 0; i < wall.size(); ++i)
            QVERIFY(std::abs(wall[i].z - (i % 2 ? -rim : rim)) < 1e-12);
        for (int g : {1, 3}) {
            const std::vector<Vector3D> &v = sink.groups[g].vertices;
            for (size_t i = 0; i + 1 < v.size(); i += 2)
                QCOMPARE(near(v[i], v[i + 1], 0.0), inset == 0.0);
        }
    }

    void outlineKeyPoints_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<Vector3D>("point");

        QTest::newRow("notch first") << 0 << Vector3D{0, 2, 0};
        QTest::newRow("left upper") << 10 << Vector3D{-1.6875, 1.9375, 0};
        QTest::newRow("left widest") << 20 << Vector3D{-2.25, 0.75, 0};
        QTest::newRow("tip") << 40 << Vector3D{0, -2, 0};
        QTest::newRow("right widest") << 60 << Vector3D{2.25, 0.75, 0};
        QTest::newRow("notch last") << 80 << Vector3D{0, 2, 0};
    }

    void outlineKeyPoints()
    {
        QFETCH(int, index);
        QFETCH(Vector3D, point);
        HeartShape::Outline outline;
        HeartShape::buildOutline(outline);
        QVERIFY(near(outline[index], point));
    }

    // Mirror-symmetric and star-shaped about the origin: the radial inset and
    // the outward test of the faces both need every ray to cross it once.
    void outlineShape()
    {
        HeartShape::Outline outline;
        HeartShape::buildOutline(outline);
        const int n = HeartShape::outlineSize;
        double turned = 0.0;
        for (int k = 0; k < n; ++k) {
            const Vector3D &p = outline[k];
            QVERIFY2(near(outline[n - 1 - k], Vector3D{-p.x, p.y, 0.0}), QByteArray::number(k));
            const double radius = std::hypot(p.x, p.y);
            QVERIFY2(radius >= 1.79 && radius <= 2.59, QByteArray::number(radius));
            if (k + 1 < n) {
                const Vector3D &q = outline[k + 1];
                const double cross = p.x * q.y - p.y * q.x;
                QVERIFY2(cross > 0.0, QByteArray::number(k));
                turned += std::atan2(cross, p.x * q.x + p.y * q.y);
            }
        }
        // Rising at every step and one turn in all: counter-clockwise, once round.
        QVERIFY(std::abs(turned - 2 * M_PI) < 1e-9);
    }

    void groupsAndNormals()
    {
        const RecordingSink sink = record(1.0, 0.15);
        QCOMPARE(sink.misuse, 0);
        QVERIFY(!sink.open);
        QCOMPARE(sink.groups.size(), size_t(5));
        const int modes[5] = {6, 8, 8, 8, 6};
        const size_t counts[5] = {82, 162, 162, 162, 82};
        for (int g = 0; g < 5; ++g) {
            const Group &group = sink.groups[g];
            QCOMPARE(group.mode, modes[g]);
            QCOMPARE(group.vertices.size(), counts[g]);
            const bool cap = g == 0 || g == 4;
            // Caps: one flat normal, set before the centre; strips: one per vertex.
            QCOMPARE(group.normalCalls, cap ? 1 : int(counts[g]));
            for (size_t i = 0; i < group.vertices.size(); ++i) {
                const Vector3D &v = group.vertices[i];
                const Vector3D &n = group.normals[i];
                if (cap) {
                    QVERIFY(near(n, Vector3D{0, 0, g == 0 ? 1.0 : -1.0}, 0.0));
                    QCOMPARE(v.z, g == 0 ? 0.5 : -0.5);
                } else {
                    const double len = std::sqrt(dot(v, v));
                    QVERIFY(near(n, Vector3D{v.x / len, v.y / len, v.z / len}));
                }
            }
        }
        QVERIFY(near(sink.groups[0].vertices[0], Vector3D{0, 0, 0.5}, 0.0));
        QVERIFY(near(sink.groups[4].vertices[0], Vector3D{0, 0, -0.5}, 0.0));
        const double r = 0.15 / std::sqrt(2.0);
        QVERIFY(near(sink.groups[0].vertices[1], Vector3D{0, 2 - r, 0.5}));
        QVERIFY(near(sink.groups[2].vertices[0], Vector3D{0, 2, 0.393934}, 1e-6));
        QVERIFY(near(sink.groups[2].vertices[1], Vector3D{0, 2, -0.393934}, 1e-6));
    }

    void facesWindOutward_data()
    {
        QTest::addColumn<double>("bevel");
        QTest::addColumn<int>("degenerate");

        QTest::newRow("default") << 0.15 << 0;
        QTest::newRow("wide bevel") << 0.5 << 0;
        QTest::newRow("no bevel") << 0.0 << 160; // both chamfers flattened
    }

    // Back-face culling drops every face seen from its clockwise side. The
    // solid is star-shaped about the origin, so any point inside a face
    // points out of it.
    void facesWindOutward()
    {
        QFETCH(double, bevel);
        QFETCH(int, degenerate);

        const RecordingSink sink = record(1.0, bevel);
        QCOMPARE(sink.groups.size(), size_t(5));
        int faces = 0, skipped = 0;
        auto outward = [&](const Vector3D &a, const Vector3D &b, const Vector3D &c, const Vector3D &d) {
            const Vector3D n = areaNormal(a, b, c, d);
            if (std::sqrt(dot(n, n)) < 1e-12)
                return ++skipped, true;
            ++faces;
            return dot(n, Vector3D{a.x + b.x + c.x + d.x, a.y + b.y + c.y + d.y, a.z + b.z + c.z + d.z}) > 0.0;
        };
        for (int g = 0; g < 5; ++g) {
            const std::vector<Vector3D> &v = sink.groups[g].vertices;
            const bool fan = sink.groups[g].mode == HeartShape::TriangleFan;
            for (size_t k = fan ? 1 : 0; k + (fan ? 1 : 3) < v.size(); k += fan ? 1 : 2) {
                const bool ok = fan ? outward(v[0], v[k], v[k + 1], v[k + 1])
                                    : outward(v[k], v[k + 1], v[k + 3], v[k + 2]);
                QVERIFY2(ok, qPrintable(QString("group %1, face at vertex %2").arg(g).arg(k)));
            }
        }
        QCOMPARE(skipped, degenerate);
        QCOMPARE(faces + skipped, 5 * 80);
    }

    void normalize()
    {
        Vector3D zero{0, 0, 0}, v{3, 0, 4};
        ::normalize(zero);
        ::normalize(v);
        QVERIFY(near(zero, Vector3D{0, 0, 0}, 0.0));
        QVERIFY(near(v, Vector3D{0.6, 0, 0.8}, 1e-15));
    }
};

QTEST_APPLESS_MAIN(TestHeartShape)
#include "tst_heartshape.moc"
