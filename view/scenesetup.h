// SPDX-License-Identifier: MIT
#pragma once

#include "projection.h"

// The GL state every frame relies on, set once with the context current: one
// light at the eye, depth test, back-face culling, colour material, an opaque
// clear colour and the perspective of f. Plain GL, so anything that draws the
// hearts the way the view does sets up the same scene.
void setUpScene(const Frustum &f);
