// SPDX-License-Identifier: MIT
#pragma once

#include "heartinstance.h"
#include "palette.h"
#include "projection.h"

// The field's rules as plain functions. Every random number is one call of the
// given source (rand() in the program), in the order listed, so a scripted
// source pins down each draw.
namespace HeartField {

using RandomSource = int (*)();

constexpr double fallPerTick = 0.1;
constexpr int paletteSize = sizeof HeartPalette::rgb / sizeof HeartPalette::rgb[0];

// An integer distance in [nearDistance + 5, farDistance - 6]. The frustum must
// leave that range non-empty (the settings limits make sure of it).
int drawDistance(const Frustum &f, RandomSource random);

// Places a new heart strictly inside the picture at a random distance and
// gives it a spin: distance, y, x, colour, angle, axis, in that order. Returns
// the palette index drawn for its colour; the mesh is the caller's.
int place(HeartInstance &heart, const Frustum &f, RandomSource random);

// One tick for one heart: it falls, and once it is more than four units below
// the picture it comes back above the top at a new distance, with a new x and
// spin. Returns whether it was respawned.
bool fall(HeartInstance &heart, const Frustum &f, RandomSource random);

// The turn each tick makes after the fall: one degree further in the angle's
// own direction; 0 stays.
inline void spin(double &angle)
{
    if (angle > 0.0)
        angle += 1.0;
    else if (angle < 0.0)
        angle -= 1.0;
}

// Where a heart is drawn and how far it is turned.
struct Pose
{
    Vector3D position;
    double angle;
};

// A heart as the last tick found it, and whether that tick brought it back
// above the top.
struct TickStart
{
    Pose pose;
    bool cameBack;
};

// The heart as a frame shows it, fraction (0 to 1) of the way from where the
// last tick found it to where it left it. One that tick brought back above
// the top is shown at its new place, not swept across the picture: as if it
// had fallen and turned into it, at the same speed as ever.
inline Pose between(const TickStart &start, const HeartInstance &now, double fraction)
{
    if (start.cameBack) {
        const double back = 1.0 - fraction, turn = now.angle > 0.0 ? 1.0 : now.angle < 0.0 ? -1.0 : 0.0;
        return {{now.position.x, now.position.y + back * fallPerTick, now.position.z}, now.angle - back * turn};
    }
    const auto at = [fraction](double from, double to) { return from + (to - from) * fraction; };
    const Vector3D &p = start.pose.position;
    return {{at(p.x, now.position.x), at(p.y, now.position.y), at(p.z, now.position.z)},
            at(start.pose.angle, now.angle)};
}

} // namespace HeartField
