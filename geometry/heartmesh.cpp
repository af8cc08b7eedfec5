// SPDX-License-Identifier: MIT
#include "heartmesh.h"

#include "opengl.h"

namespace {

// Feeds the surface straight into the list being compiled.
struct GLSink
{
    void begin(HeartShape::Primitive mode) { glBegin(GLenum(mode)); }
    void normal(const Vector3D &n) { glNormal3dv(&n.x); }
    void vertex(const Vector3D &v) { glVertex3dv(&v.x); }
    void end() { glEnd(); }
};

} // namespace

int HeartMesh::liveCount = 0;

HeartMesh::HeartMesh(double thickness, double bevelWidth)
{
    HeartShape::Outline outline;
    HeartShape::buildOutline(outline);
    displayList = glGenLists(1);
    glNewList(displayList, GL_COMPILE);
    GLSink sink;
    HeartShape::emitSurface(outline, thickness * 0.5, HeartShape::bevelInset(thickness, bevelWidth), sink);
    glEndList();
    ++liveCount;
}

HeartMesh::~HeartMesh()
{
    glDeleteLists(displayList, 1);
    --liveCount;
}

void HeartMesh::draw() const
{
    glCallList(displayList);
}

int HeartMesh::count()
{
    return liveCount;
}
