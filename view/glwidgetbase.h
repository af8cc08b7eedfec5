#pragma once

// The toolkit's OpenGL widget, the one place where the Qt 5 and Qt 6 builds
// of the view differ. Either gives the view a context with a depth buffer and
// no alpha in which OpenGL 1.1's fixed functions work, and calls initializeGL,
// resizeGL and paintGL with it current; paintNow() draws a frame and shows it.
//
// Qt 5's QGLWidget draws into the window's own back buffer and swaps it at
// the end of the paint. Qt 6 has no QGLWidget: QOpenGLWidget draws into a
// framebuffer object, which Qt then composes into the window and swaps. Its
// context is current only inside those three calls, so GL work outside them
// (freeing the display lists) makes it current itself.
#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QCoreApplication>
#include <QOpenGLWidget>
#include <QPaintEvent>

class GLWidgetBase : public QOpenGLWidget
{
public:
    explicit GLWidgetBase(QWidget *parent)
        : QOpenGLWidget(parent)
    {
        // Without alpha, as Qt 5's window: composed, the picture stays opaque.
        setTextureFormat(GL_RGB8);
    }

protected:
    // Draws a frame and shows it before returning. repaint() would not: Qt 6
    // defers it to the event loop when the window was composed less than a
    // screen refresh ago, so a 10 ms tick would draw only every other frame.
    // Painting renders into the framebuffer object; an update request with
    // nothing else left to paint composes it into the window and swaps.
    void paintNow()
    {
        if (!isVisible())
            return;
        QPaintEvent paint(rect());
        paintEvent(&paint);
        QEvent compose(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(window(), &compose);
    }
};
#else
#include <QGLWidget>

class GLWidgetBase : public QGLWidget
{
public:
    explicit GLWidgetBase(QWidget *parent)
        : QGLWidget(parent, nullptr, Qt::WindowFlags())
    {
    }

protected:
    // Draws a frame and swaps it to the window before returning.
    void paintNow() { repaint(); }

    // QGLWidget binds its context at the first resize, while the window is
    // still being shown. A window manager places and sizes a top-level window
    // only later, and a software driver sizes its buffers when the context is
    // bound and again only after a swap: the first frame would be drawn at a
    // size the window no longer has. The context is first bound to paint.
    void resizeEvent(QResizeEvent *event) override { QWidget::resizeEvent(event); }

    // One frame: initializeGL the first time, resizeGL whenever the size in
    // device pixels differs from the last frame's, paintGL, then the swap.
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
    bool initialized = false;
    QSize fitted;
};
#endif
