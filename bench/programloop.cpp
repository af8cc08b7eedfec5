// SPDX-License-Identifier: MIT
// The program as it runs: the real view, its field and its paint path, with
// the bench driving the ticks instead of the view's timer.
#include "measure.h"

#include "view/myglwidget.h"

#include <GL/gl.h>
#include <QApplication>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

class BenchView : public MyGLWidget
{
public:
    BenchView()
        : MyGLWidget(false)
    {
        std::srand(Bench::seed);
    }

    using MyGLWidget::step;

    // The last picture again, left in the back buffer for reading.
    void drawWithoutSwap()
    {
        makeCurrent();
        paintGL();
    }

    double buildMs = -1.0;
    double firstFrameAt = -1.0;
    int paints = 0;
    double lastDrawMs = 0.0; // the last paintGL and swap together
    long rssBeforeBuildKb = -1;
    long rssAfterBuildKb = -1;

protected:
    void initializeGL() override
    {
        rssBeforeBuildKb = Bench::residentKb();
        const double start = Bench::nowMs();
        MyGLWidget::initializeGL();
        glFinish();
        buildMs = Bench::nowMs() - start;
        rssAfterBuildKb = Bench::residentKb();
        if (auto *timer = findChild<QTimer *>())
            timer->stop(); // the bench drives the ticks
    }

    void paintGL() override
    {
        ++paints;
        MyGLWidget::paintGL();
    }

    // Nor does an exposure start the view's own timer again.
    bool eventFilter(QObject *, QEvent *) override { return false; }

    void glDraw() override
    {
        const double start = Bench::nowMs();
        MyGLWidget::glDraw(); // paintGL, then the swap
        lastDrawMs = Bench::nowMs() - start;
        if (firstFrameAt < 0.0) {
            glFinish();
            firstFrameAt = Bench::nowMs();
        }
    }
};

// Lets the window manager finish mapping and decorating the window, which may
// cost extra frames, so none of them lands among the measured ticks.
void settle(const BenchView &view)
{
    int seen = view.paints;
    double quietSince = Bench::nowMs();
    while (Bench::nowMs() - quietSince < 300.0) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
        if (view.paints != seen) {
            seen = view.paints;
            quietSince = Bench::nowMs();
        }
    }
}

} // namespace

int runProgram(const Bench::ChildOptions &options, int &argc, char **argv)
{
    QApplication app(argc, argv);
    BenchView view;
    HeartSettings settings;
    settings.heartCount = options.hearts;
    view.applySettings(settings);
    if (view.settings().heartCount != options.hearts) {
        std::fprintf(stderr, "heartsbench: the view takes 1 to 5000 hearts, not %d\n", options.hearts);
        return 2;
    }
    view.resize(Bench::width, Bench::height);

    QTimer::singleShot(120000, [] {
        std::fprintf(stderr, "heartsbench: no first frame within two minutes\n");
        std::exit(3);
    });
    const double shownAt = Bench::nowMs();
    view.show();
    while (view.firstFrameAt < 0.0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double firstFrameMs = view.firstFrameAt - shownAt;
    settle(view);
    const int initialFrames = view.paints;

    view.makeCurrent();
    std::ostringstream ticks;
    std::ostringstream outsideDraw;
    for (int i = 0; i < options.warmup + options.ticks; ++i) {
        const double start = Bench::nowMs();
        view.step(1); // one tick, as the bare loop draws it
        glFinish();
        const double ms = Bench::nowMs() - start;
        if (i >= options.warmup) {
            const char *gap = i > options.warmup ? " " : "";
            ticks << gap << ms;
            // What the tick costs besides painting and swapping: the field's
            // rules, the toolkit's repaint and the final glFinish.
            outsideDraw << gap << ms - view.lastDrawMs;
        }
        QCoreApplication::processEvents(); // the event loop runs between ticks
    }
    const int tickFrames = view.paints - initialFrames;
    Bench::reportMemory(); // before the picture is read back, which takes memory of its own

    view.drawWithoutSwap();
    glFinish();
    const Bench::FrameCheck check = Bench::readBackBuffer();

    Bench::report("mode", "program");
    Bench::report("hearts", options.hearts);
    Bench::report("meshes", HeartMesh::count());
    Bench::report("window", std::to_string(view.width()) + "x" + std::to_string(view.height()));
    Bench::reportContext();
    Bench::report("build_ms", view.buildMs);
    Bench::report("rss_before_build_kb", double(view.rssBeforeBuildKb));
    Bench::report("rss_after_build_kb", double(view.rssAfterBuildKb));
    Bench::report("first_frame_ms", firstFrameMs);
    Bench::report("initial_frames", initialFrames);
    Bench::report("tick_frames", tickFrames);
    Bench::report("tick_ms", ticks.str());
    Bench::report("outside_draw_ms", outsideDraw.str());
    Bench::report("shape_hash", std::to_string(check.shapeHash));
    Bench::report("lit_pixels", double(check.litPixels));
    Bench::report("shade_sum", std::to_string(check.shadeSum));
    std::fflush(stdout);
    return 0;
}
