// SPDX-License-Identifier: MIT
#include "projection.h"

#include <cmath>

double Frustum::halfHeightAt(double d) const
{
    return d * std::tan(fieldOfView / 360.0 * 3.141592653589793);
}

double Frustum::halfWidthAt(double d) const
{
    return halfHeightAt(d) * aspectRatio;
}

Viewport centredViewport(int w, int h, double aspectRatio)
{
    if (h < w * (1.0 / aspectRatio)) {
        // Wider than the picture: full height, bands left and right.
        return Viewport{w / 2 - int((h / 2) * aspectRatio), 0, int(h * aspectRatio), h};
    }
    // As wide or narrower: full width, bands above and below.
    return Viewport{0, h / 2 - int((w / 2) * (1.0 / aspectRatio)), w, int(w * (1.0 / aspectRatio))};
}
