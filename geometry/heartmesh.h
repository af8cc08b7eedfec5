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
    double thickness;
    double bevelInset;
    unsigned int displayList;
    HeartShape::Outline outline;

    static int liveCount;
};
