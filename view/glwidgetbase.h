// SPDX-License-Identifier: MIT
#pragma once

// The toolkit's OpenGL widget, the one place where the Qt 5 and Qt 6 builds
// of the view differ. Either draws straight into the widget's own window, with
// a context that has a depth buffer and no alpha, in which OpenGL 1.1's fixed
// functions work. Each frame (glDraw) makes the context current, calls
// initializeGL the first time, resizeGL whenever the window's size in device
// pixels differs from the last frame's, then paintGL, and swaps. paintNow()
// draws a frame and shows it before returning.
//
// The context is first bound to draw the first frame. A window manager places
// and sizes a top-level window only after it is shown, and a software driver
// takes the window's size when the context is bound and again only after a
// swap: bound any earlier, the first frame would be drawn at a size the window
// no longer has.
//
// On Wayland a swap does not wait for the compositor to take the frame: the
// toolkit's wait, on the one thread that draws every window of the program,
// would hold up each view for every other's output. There the compositor
// paces the frames instead (pacedByDisplay): its frame callback delivers the
// update a view asks for with QWindow::requestUpdate().
#include <QGuiApplication>
#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QWidget>

class QOpenGLContext;

// Qt 6 has no QGLWidget, and its QOpenGLWidget draws into a framebuffer object
// that Qt then composes into the window: a second pass over every pixel of
// every frame. This is QGLWidget's way instead: a widget that paints on screen
// in a native window of its own, whose surface is OpenGL's.
class GLWidgetBase : public QWidget
{
public:
    explicit GLWidgetBase(QWidget *parent);
    ~GLWidgetBase() override;

    void makeCurrent();
    void doneCurrent();

protected:
    virtual void initializeGL() = 0;
    virtual void resizeGL(int width, int height) = 0;
    virtual void paintGL() = 0;
    virtual void glDraw();
    void paintNow() { glDraw(); }
    static bool pacedByDisplay() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

    // Qt paints nothing of this widget's: exposures and resizes come here.
    QPaintEngine *paintEngine() const override { return nullptr; }
    void paintEvent(QPaintEvent *) override { glDraw(); }

private:
    QOpenGLContext *context = nullptr;
    bool initialized = false;
    QSize fitted;
};
#else
#include <QGLWidget>

class GLWidgetBase : public QGLWidget
{
public:
    explicit GLWidgetBase(QWidget *parent)
        : QGLWidget(glFormat(), parent, nullptr, Qt::WindowFlags())
    {
    }

protected:
    void paintNow() { repaint(); }
    static bool pacedByDisplay() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

    // QGLWidget would bind its context at the first resize, while the window
    // is still being shown, and fit only on resizes.
    void resizeEvent(QResizeEvent *event) override { QWidget::resizeEvent(event); }

    void glDraw() override
    {
        if (!isValid())
            return;
        makeCurrent();
        if (!initialized) {
            glInit();
            initialized = true;
        }
        const QSize size = this->size() * devicePixelRatioF();
        if (size != fitted) {
            fitted = size;
            resizeGL(size.width(), size.height());
        }
        paintGL();
        swapBuffers();
    }

private:
    static QGLFormat glFormat()
    {
        QGLFormat format = QGLFormat::defaultFormat();
        if (pacedByDisplay())
            format.setSwapInterval(0);
        return format;
    }

    bool initialized = false;
    QSize fitted;
};
#endif
