// SPDX-License-Identifier: MIT
#pragma once

#include "geometry/heartmesh.h"
#include "geometry/vector3d.h"

#include <memory>

// One heart of the field. Position is in eye coordinates: z = -distance.
struct HeartInstance
{
    std::unique_ptr<HeartMesh> mesh;
    double color[4] = {1.0, 1.0, 1.0, 1.0}; // red, green, blue, alpha in 0..1
    Vector3D position = {0.0, 0.0, 0.0};
    double angle = 0.0;                     // degrees about axis
    Vector3D axis = {0.0, 0.0, 1.0};        // each 0 or 1, never all 0
};
