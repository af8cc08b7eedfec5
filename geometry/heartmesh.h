// SPDX-License-Identifier: MIT
#pragma once

#include "heartshape.h"

// One heart solid compiled into a display list of its own. Construction,
// draw() and destruction need the owner's OpenGL context to be current.
class HeartMesh
{
public:
    HeartMesh(double thickness, double bevelWidth);
    ~HeartMesh();
    HeartMesh(const HeartMesh &) = delete;
    HeartMesh &operator=(const HeartMesh &) = delete;

    void draw() const;

    // Meshes constructed and not yet destroyed.
    static int count();

private:
    // The list alone: the outline is only needed while it is compiled, and
    // kept per heart it would add 2 KB to each of up to 5000 hearts.
    unsigned int displayList;

    static int liveCount;
};
