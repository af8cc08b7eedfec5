// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>

// Three contiguous doubles, so &v.x can go straight to glVertex3dv / glNormal3dv.
struct Vector3D
{
    double x;
    double y;
    double z;
};

// Scales v to unit length; a zero vector stays zero instead of dividing by zero.
inline void normalize(Vector3D &v)
{
    double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0)
        length = 1.0;
    v.x /= length;
    v.y /= length;
    v.z /= length;
}
