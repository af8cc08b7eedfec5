// SPDX-License-Identifier: MIT
#include "myglwidget.h"

#include "config/settingsfile.h"
#include "config/settingslocation.h"
#include "framememory.h"
#include "scenesetup.h"

#include <GL/gl.h>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdlib>
#include <ctime>

namespace {
constexpr double heartThickness = 1.0;
constexpr double heartBevelWidth = 0.15;

// Each view's frames and ticks a second, with its screen's refresh rate, when
// asked for with QT_LOGGING_RULES=hearts.pace.debug=true.
Q_LOGGING_CATEGORY(paceLog, "hearts.pace", QtWarningMsg)

} // namespace

MyGLWidget::MyGLWidget(bool screenSaverMode, QWidget *parent)
    : GLWidgetBase(parent)
    , displayPaces(pacedByDisplay())
    , moves(&ownMoves)
    , screenSaverMode(screenSaverMode)
    , random(&std::rand)
{
    setWindowTitle(QStringLiteral("Happy Valentines Day!"));
    setMouseTracking(true); // moves must arrive without a button held

    for (int i = 0; i < HeartField::paletteSize; ++i)
        heartColors[i].setRgb(HeartPalette::rgb[i][0], HeartPalette::rgb[i][1], HeartPalette::rgb[i][2], 255);

    aspectRatio = 4.0 / 3.0;
    fieldOfView = 45.0;
    const HeartSettings defaults;
    heartCount = defaults.heartCount;
    nearDistance = defaults.nearDistance;
    farDistance = defaults.farDistance;
    // Once per process: a second view seeded again within the same second
    // would place the same field as the first, and the heap is the process's.
    static const bool once = (std::srand(unsigned(std::time(nullptr))), keepFrameMemory(), true);
    (void)once;
    animationInterval = 10;
    showFrame = defaults.showFrame;

    animationTimer = new QTimer(this);
    animationTimer->setInterval(animationInterval);
    connect(animationTimer, SIGNAL(timeout()), this, SLOT(animate()));
    wallClock.start();

    // The base gave the view its window already; it tells when the view can
    // be seen.
    windowHandle()->installEventFilter(this);
}

MyGLWidget::~MyGLWidget()
{
    // The meshes' display lists live in this widget's context.
    if (!hearts.empty()) {
        makeCurrent();
        hearts.clear();
        doneCurrent();
    }
}

void MyGLWidget::applySettings(const HeartSettings &settings)
{
    const HeartSettings s = withinLimits(settings);
    heartCount = s.heartCount;
    showFrame = s.showFrame;
    nearDistance = s.nearDistance;
    farDistance = s.farDistance;
}

HeartSettings MyGLWidget::settings() const
{
    HeartSettings s;
    s.heartCount = heartCount;
    s.showFrame = showFrame;
    s.nearDistance = nearDistance;
    s.farDistance = farDistance;
    return s;
}

void MyGLWidget::loadSettings(const char *fileName)
{
    HeartSettings s = settings();
    readSettingsFile(settingsFileToRead(fileName), s);
    applySettings(s);
}

void MyGLWidget::initializeGL()
{
    setUpScene(frustum());

    // A new context has none of the old display lists: build the field afresh.
    hearts.clear();
    createHearts();
    animationTimer->start();
}

// A view nobody can see (minimized, on a workspace not shown, under a
// locker) neither ticks nor draws; shown again, it goes on where it left off.
// Where the display paces the frames, each comes with the update the last one
// asked for, once the compositor has taken that one.
bool MyGLWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != windowHandle() || hearts.empty())
        return false;
    if (event->type() == QEvent::Expose) {
        // Shown again, the next frame comes from the timer: the toolkit
        // forgets an update asked for just before it took the window for
        // hidden.
        awaitingDisplay = false;
        if (windowHandle()->isExposed()) {
            animationTimer->start();
        } else {
            animationTimer->stop();
            pace.rest();
        }
    } else if (event->type() == QEvent::UpdateRequest && awaitingDisplay) {
        awaitingDisplay = false;
        drawFrame();
        return true; // the widget's window would draw it all over again
    }
    return false;
}

void MyGLWidget::createHearts()
{
    const Frustum f = frustum();
    hearts.resize(std::size_t(heartCount));
    starts.resize(hearts.size());
    for (std::size_t i = 0; i < hearts.size(); ++i) {
        HeartInstance &heart = hearts[i];
        const QColor &c = heartColors[HeartField::place(heart, f, random)];
        heart.color[0] = c.redF();
        heart.color[1] = c.greenF();
        heart.color[2] = c.blueF();
        heart.color[3] = 1.0;
        heart.mesh = std::make_unique<HeartMesh>(heartThickness, heartBevelWidth);
        starts[i] = {{heart.position, heart.angle}, false};
    }
}

void MyGLWidget::animate()
{
    // Where the display paces the frames, the timer only sees that they
    // never stop, should the compositor's update not come.
    constexpr qint64 stallNs = 250'000'000;
    if (!awaitingDisplay || wallClock.nsecsElapsed() - lastFrameNs > stallNs)
        drawFrame();
}

void MyGLWidget::drawFrame()
{
    const qint64 now = lastFrameNs = wallClock.nsecsElapsed();
    const FramePace::Frame frame = pace.frameAt(now);
    step(frame.ticks, frame.fraction);
    if (displayPaces) {
        awaitingDisplay = true;
        windowHandle()->requestUpdate(); // comes once the compositor has taken this frame
    }
    FramePace::Rate rate;
    if (pace.rateDue(now, rate) && paceLog().isDebugEnabled()) {
        const QScreen *screen = windowHandle()->screen();
        qCDebug(paceLog, "%s: %.1f frames, %.1f ticks a second (%.0f Hz)", qPrintable(screen->name()),
                rate.frames / rate.seconds, rate.ticks / rate.seconds, screen->refreshRate());
    }
}

void MyGLWidget::step(int ticks, double fraction)
{
    const Frustum f = frustum();
    for (int t = 1; t <= ticks; ++t) {
        for (std::size_t i = 0; i < hearts.size(); ++i) {
            HeartInstance &heart = hearts[i];
            if (t == ticks)
                starts[i].pose = {heart.position, heart.angle};
            const bool cameBack = HeartField::fall(heart, f, random);
            HeartField::spin(heart.angle);
            if (t == ticks)
                starts[i].cameBack = cameBack;
        }
    }
    shownFraction = fraction;
    paintNow(); // synchronous: drawn before the next frame is asked for
}

// Called with the window's size in device pixels, before any frame drawn at a
// new size or scale.
void MyGLWidget::resizeGL(int width, int height)
{
    const Viewport v = centredViewport(width, height, aspectRatio);
    glViewport(v.x, v.y, v.width, v.height);
}

void MyGLWidget::paintGL()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (showFrame) {
        glPolygonMode(GL_FRONT, GL_LINE);
        glPolygonMode(GL_BACK, GL_LINE);
    }
    // Exposures and resizes draw the same moment again.
    for (std::size_t i = 0; i < hearts.size(); ++i) {
        const HeartInstance &heart = hearts[i];
        const HeartField::Pose p = drawnPose(i);
        glColor3dv(heart.color);
        glPushMatrix();
        glLoadIdentity(); // each heart is placed from the eye
        glTranslated(p.position.x, p.position.y, p.position.z);
        glRotated(p.angle, heart.axis.x, heart.axis.y, heart.axis.z);
        heart.mesh->draw();
        glPopMatrix();
    }
    glFlush();
}

// Input only matters to the screen saver, and then only asks the event loop to
// end: the window stays, and main returns the loop's 0.
void MyGLWidget::keyPressEvent(QKeyEvent *)
{
    if (screenSaverMode)
        QCoreApplication::exit(0);
}

void MyGLWidget::mousePressEvent(QMouseEvent *)
{
    if (screenSaverMode)
        QCoreApplication::exit(0);
}

void MyGLWidget::mouseMoveEvent(QMouseEvent *)
{
    if (screenSaverMode && moves->moveEnds())
        QCoreApplication::exit(0);
}
