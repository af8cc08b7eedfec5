// SPDX-License-Identifier: MIT
#include "heartshape.h"

#include <algorithm>

namespace HeartShape {

double bevelInset(double thickness, double bevelWidth)
{
    return std::min(std::sqrt(bevelWidth * bevelWidth * 0.5), thickness * 0.5);
}

namespace {

struct Point2
{
    double x;
    double y;
};

Vector3D bezier(const Point2 (&p)[4], double t)
{
    const double s = 1.0 - t;
    const double b0 = s * s * s;
    const double b1 = 3.0 * t * s * s;
    const double b2 = 3.0 * t * t * s;
    const double b3 = t * t * t;
    return Vector3D{b0 * p[0].x + b1 * p[1].x + b2 * p[2].x + b3 * p[3].x,
                    b0 * p[0].y + b1 * p[1].y + b2 * p[2].y + b3 * p[3].y, 0.0};
}

} // namespace

void buildOutline(Outline &outline)
{
    static const Point2 left[4] = {{0, 2}, {-3, 3}, {-3, -1}, {0, -2}};
    static const Point2 right[4] = {{0, -2}, {3, -1}, {3, 3}, {0, 2}};
    constexpr int samples = outlineSize / 2 + 1; // 41 per half, the tip shared
    for (int k = 0; k < samples; ++k) {
        const double t = k * 0.025;
        outline[k] = bezier(left, t);
        outline[samples - 1 + k] = bezier(right, t);
    }
}

Vector3D inset(const Vector3D &p, double r)
{
    const double length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    const double scale = (length - r) / length;
    return Vector3D{p.x * scale, p.y * scale, 0.0};
}

} // namespace HeartShape
