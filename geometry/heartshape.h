// SPDX-License-Identifier: MIT
#pragma once

#include "vector3d.h"

// The heart solid as plain data: a flat outline of two cubic Bezier curves,
// extruded along z with chamfered front and back edges. No OpenGL here; the
// surface is handed to a sink so the same code feeds a display list or a test.
namespace HeartShape {

constexpr int outlineSize = 81;
using Outline = Vector3D[outlineSize];

// Primitive modes, numerically equal to GL_TRIANGLE_FAN and GL_QUAD_STRIP.
enum Primitive { TriangleFan = 6, QuadStrip = 8 };

// The chamfer's leg: |bevelWidth|/sqrt(2), capped at half the thickness.
double bevelInset(double thickness, double bevelWidth);

// Fills the closed outline in z = 0, counter-clockwise seen from +z; the first
// and last points are the top notch (0, 2), the middle one the tip (0, -2).
void buildOutline(Outline &outline);

// p moved toward the origin by r along its own ray (radial, not along the
// outline's normal); z is 0. The outline never touches the origin.
Vector3D inset(const Vector3D &p, double r);

// Issues the five groups (front cap, front chamfer, side wall, back chamfer,
// back cap), every face counter-clockwise seen from outside. The sink needs
// begin(Primitive), normal(const Vector3D &), vertex(const Vector3D &), end().
template <class Sink>
void emitSurface(const Outline &outline, double halfThickness, double r, Sink &sink)
{
    const double h = halfThickness;
    const double rim = h - r;

    sink.begin(TriangleFan);
    sink.normal(Vector3D{0.0, 0.0, 1.0});
    sink.vertex(Vector3D{0.0, 0.0, h});
    for (int k = 0; k < outlineSize; ++k) {
        Vector3D v = inset(outline[k], r);
        v.z = h;
        sink.vertex(v);
    }
    sink.end();

    // Each strip vertex carries its own position, normalised, as its normal:
    // the rim is shaded as a rounded body rather than with flat facets.
    auto strip = [&](auto first, auto second) {
        sink.begin(QuadStrip);
        for (int k = 0; k < outlineSize; ++k) {
            const Vector3D pair[2] = {first(k), second(k)};
            for (const Vector3D &v : pair) {
                Vector3D n = v;
                normalize(n);
                sink.normal(n);
                sink.vertex(v);
            }
        }
        sink.end();
    };
    auto cap = [&](double z) {
        return [&outline, r, z](int k) {
            Vector3D v = inset(outline[k], r);
            v.z = z;
            return v;
        };
    };
    auto edge = [&outline](double z) {
        return [&outline, z](int k) { return Vector3D{outline[k].x, outline[k].y, z}; };
    };
    strip(cap(h), edge(rim));
    strip(edge(rim), edge(-rim));
    strip(edge(-rim), cap(-h));

    sink.begin(TriangleFan);
    sink.normal(Vector3D{0.0, 0.0, -1.0});
    sink.vertex(Vector3D{0.0, 0.0, -h});
    for (int k = outlineSize - 1; k >= 0; --k) {
        Vector3D v = inset(outline[k], r);
        v.z = -h;
        sink.vertex(v);
    }
    sink.end();
}

} // namespace HeartShape
