// SPDX-License-Identifier: MIT
#pragma once

// The perspective the view sets once, and what is visible through it.
struct Frustum
{
    int nearDistance;
    int farDistance;
    double fieldOfView; // vertical, degrees
    double aspectRatio; // width / height

    // Half the height of the picture at distance d in front of the eye.
    double halfHeightAt(double d) const;
    // Half the width of the picture at distance d.
    double halfWidthAt(double d) const;
};

struct Viewport
{
    int x;
    int y;
    int width;
    int height;
};

// The largest viewport of the given aspect ratio, centred in a w x h window;
// what lies outside it stays black.
Viewport centredViewport(int w, int h, double aspectRatio);
