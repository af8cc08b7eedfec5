// SPDX-License-Identifier: MIT
#include "heartfield.h"

namespace HeartField {

namespace {

// A magnitude below modulus, then a coin for its sign: odd is positive.
int signedDraw(int modulus, RandomSource random)
{
    const int magnitude = random() % modulus;
    return random() % 2 ? magnitude : -magnitude;
}

double coin(RandomSource random)
{
    return random() % 2 ? 1.0 : 0.0;
}

void drawAxis(Vector3D &axis, RandomSource random)
{
    do {
        axis.x = coin(random);
        axis.y = coin(random);
        axis.z = coin(random);
    } while (axis.x == 0.0 && axis.y == 0.0 && axis.z == 0.0);
}

} // namespace

int drawDistance(const Frustum &f, RandomSource random)
{
    int d = 0;
    while (f.nearDistance + 5 > d)
        d = random() % f.farDistance - 5;
    return d;
}

int place(HeartInstance &heart, const Frustum &f, RandomSource random)
{
    const int d = drawDistance(f, random);
    const int w = int(f.halfWidthAt(d));
    const int h = int(f.halfHeightAt(d));
    const int y = signedDraw(h, random);
    const int x = signedDraw(w, random);
    const int colorIndex = random() % paletteSize;
    heart.position = Vector3D{double(x), double(y), double(-d)};
    heart.angle = signedDraw(181, random);
    drawAxis(heart.axis, random);
    return colorIndex;
}

bool fall(HeartInstance &heart, const Frustum &f, RandomSource random)
{
    Vector3D &p = heart.position;
    p.y -= fallPerTick;
    const double d = -p.z;
    const int hh = int(f.halfHeightAt(d));
    if (p.y > -hh - 5)
        return false;

    // The new x range is the old distance's on purpose: a heart that comes
    // back nearer may start beside the picture and drift in from the side.
    const int hw = int(f.halfWidthAt(d));
    const int newDistance = drawDistance(f, random);
    p.x = signedDraw(hw, random);
    p.y = int(f.halfHeightAt(newDistance)) + 5;
    p.z = -newDistance;
    heart.angle = coin(random) == 1.0 ? 1.0 : -1.0;
    drawAxis(heart.axis, random);
    return true;
}

} // namespace HeartField
