// SPDX-License-Identifier: MIT
#include "scenesetup.h"

#include "geometry/opengl.h"
#include <GL/glu.h>

void setUpScene(const Frustum &f)
{
    // Positioned while the model-view matrix is the identity: a light at the eye.
    const GLfloat position[] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat ambient[] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);

    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_COLOR_MATERIAL);

    // Opaque: where the window keeps the alpha channel (Wayland), alpha 0
    // would show what lies behind it instead of black.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    // Set once: resizing only moves the viewport, so the picture keeps its shape.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(f.fieldOfView, f.aspectRatio, double(f.nearDistance), double(f.farDistance));
    glMatrixMode(GL_MODELVIEW);
}
