// SPDX-License-Identifier: MIT
// heartsbench-bare: the floor. The same display lists called with the same
// colours and matrices, from a plain GLX window, in a process that loads no
// toolkit. The GL state below mirrors MyGLWidget::initializeGL; heartsbench
// compares both processes' last picture pixel for pixel, so a drift between
// the two shows up there.
#include "benchscene.h"

#include "config/heartsettings.h"
#include "geometry/heartshape.h"
#include "view/heartfield.h"
#include "view/scenesetup.h"
#include "view/heartinstance.h"

#include <malloc.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

// The view's heart proportions.
constexpr double heartThickness = 1.0;
constexpr double heartBevelWidth = 0.15;

void setUpState(const Frustum &f)
{
    setUpScene(f);
    glViewport(0, 0, Bench::width, Bench::height);
}

// The calls HeartMesh makes for its list.
struct GLSink
{
    void begin(HeartShape::Primitive mode) { glBegin(GLenum(mode)); }
    void normal(const Vector3D &n) { glNormal3dv(&n.x); }
    void vertex(const Vector3D &v) { glVertex3dv(&v.x); }
    void end() { glEnd(); }
};

// The hearts' places come from the field's rules; their lists are compiled
// here and kept as bare names, so that this process holds nothing per heart
// beyond what the driver holds and what drawing needs.
void buildField(std::vector<HeartInstance> &hearts, std::vector<GLuint> &lists, const Frustum &f)
{
    for (HeartInstance &heart : hearts) {
        const int *c = HeartPalette::rgb[HeartField::place(heart, f, &std::rand)];
        for (int k = 0; k < 3; ++k)
            heart.color[k] = c[k] / 255.0;
        HeartShape::Outline outline;
        HeartShape::buildOutline(outline);
        const GLuint list = glGenLists(1);
        glNewList(list, GL_COMPILE);
        GLSink sink;
        HeartShape::emitSurface(outline, heartThickness * 0.5,
                                HeartShape::bevelInset(heartThickness, heartBevelWidth), sink);
        glEndList();
        lists.push_back(list);
    }
}

// The only work the bare loop times.
void draw(const std::vector<HeartInstance> &hearts, const std::vector<GLuint> &lists)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (std::size_t i = 0; i < hearts.size(); ++i) {
        const HeartInstance &heart = hearts[i];
        glColor3dv(heart.color);
        glPushMatrix();
        glLoadIdentity();
        glTranslated(heart.position.x, heart.position.y, heart.position.z);
        glRotated(heart.angle, heart.axis.x, heart.axis.y, heart.axis.z);
        glCallList(lists[i]);
        glPopMatrix();
    }
}

int validLists(const std::vector<GLuint> &lists)
{
    int n = 0;
    for (GLuint list : lists)
        n += glIsList(list) == GL_TRUE;
    return n;
}

void fallAll(std::vector<HeartInstance> &hearts, const Frustum &f)
{
    for (HeartInstance &heart : hearts)
        HeartField::fall(heart, f, &std::rand);
}

void spinAll(std::vector<HeartInstance> &hearts)
{
    for (HeartInstance &heart : hearts)
        HeartField::spin(heart.angle);
}

void waitForEvent(Display *display, int type)
{
    XEvent event;
    do
        XNextEvent(display, &event);
    while (event.type != type);
}

void drainEvents(Display *display)
{
    XEvent event;
    while (XPending(display))
        XNextEvent(display, &event);
}

} // namespace

int main(int argc, char **argv)
{
    // Left at its default, malloc hands the heap's top back to the kernel
    // after every frame and faults it in again on the next (some 20 brk calls
    // a frame). The view's process does not: its brk calls stop growing once
    // the toolkit has started, which leaves malloc's thresholds raised. The
    // floor must not pay for churn the program is spared.
    mallopt(M_TRIM_THRESHOLD, 32 << 20);

    Bench::ChildOptions options;
    for (int i = 1; i < argc; ++i) {
        if (!Bench::parseChildOption(argc, argv, i, options)) {
            std::fputs("usage: heartsbench-bare --hearts N --ticks N --warmup N [--initial-frames N]\n", stderr);
            return 2;
        }
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "heartsbench: cannot open the X display\n");
        return 2;
    }
    // The view's default format: RGB, 24-bit depth, 8-bit stencil, double buffered.
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                        GLX_DEPTH_SIZE, 24, GLX_STENCIL_SIZE, 8, None};
    XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (!visual) {
        std::fprintf(stderr, "heartsbench: no GLX visual\n");
        return 2;
    }
    const Window root = RootWindow(display, visual->screen);
    XSetWindowAttributes wa{};
    wa.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    wa.event_mask = ExposureMask | StructureNotifyMask;
    const Window window = XCreateWindow(display, root, 0, 0, Bench::width, Bench::height, 0, visual->depth,
                                        InputOutput, visual->visual, CWColormap | CWEventMask | CWBorderPixel,
                                        &wa);
    XStoreName(display, window, "heartsbench bare loop");
    GLXContext context = glXCreateContext(display, visual, nullptr, True);
    glXMakeCurrent(display, window, context);

    const Frustum f{HeartSettings().nearDistance, HeartSettings().farDistance, 45.0, 4.0 / 3.0};
    std::vector<HeartInstance> hearts(std::size_t(options.hearts));
    std::vector<GLuint> lists;
    lists.reserve(hearts.size());
    std::srand(Bench::seed);

    const double shownAt = Bench::nowMs();
    XMapWindow(display, window);
    waitForEvent(display, Expose);
    const long rssBeforeBuildKb = Bench::residentKb();
    const double buildStart = Bench::nowMs();
    setUpState(f);
    buildField(hearts, lists, f);
    glFinish();
    const double buildMs = Bench::nowMs() - buildStart;
    const long rssAfterBuildKb = Bench::residentKb();
    draw(hearts, lists);
    glXSwapBuffers(display, window);
    glFinish();
    const double firstFrameMs = Bench::nowMs() - shownAt;
    // The view's exposures draw the same moment again.
    for (int i = 1; i < options.initialFrames; ++i) {
        draw(hearts, lists);
        glXSwapBuffers(display, window);
    }
    drainEvents(display);

    std::ostringstream ticks;
    for (int i = 0; i < options.warmup + options.ticks; ++i) {
        fallAll(hearts, f); // a tick: every heart falls, then turns
        spinAll(hearts);
        const double start = Bench::nowMs();
        draw(hearts, lists);
        glXSwapBuffers(display, window);
        glFinish();
        const double ms = Bench::nowMs() - start;
        if (i >= options.warmup)
            ticks << (i > options.warmup ? " " : "") << ms;
        drainEvents(display);
    }
    Bench::reportMemory(); // before the picture is read back, which takes memory of its own

    draw(hearts, lists);
    glFinish();
    const Bench::FrameCheck check = Bench::readBackBuffer();

    XWindowAttributes geometry;
    XGetWindowAttributes(display, window, &geometry);
    Bench::report("mode", "bare");
    Bench::report("hearts", options.hearts);
    Bench::report("meshes", validLists(lists));
    Bench::report("window", std::to_string(geometry.width) + "x" + std::to_string(geometry.height));
    Bench::reportContext();
    Bench::report("build_ms", buildMs);
    Bench::report("rss_before_build_kb", double(rssBeforeBuildKb));
    Bench::report("rss_after_build_kb", double(rssAfterBuildKb));
    Bench::report("first_frame_ms", firstFrameMs);
    Bench::report("initial_frames", options.initialFrames);
    Bench::report("tick_ms", ticks.str());
    Bench::report("shape_hash", std::to_string(check.shapeHash));
    Bench::report("lit_pixels", double(check.litPixels));
    Bench::report("shade_sum", std::to_string(check.shadeSum));
    std::fflush(stdout);

    for (GLuint list : lists)
        glDeleteLists(list, 1);
    glXMakeCurrent(display, None, nullptr);
    glXDestroyContext(display, context);
    XDestroyWindow(display, window);
    XFree(visual);
    XCloseDisplay(display);
    return 0;
}
