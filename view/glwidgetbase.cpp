// SPDX-License-Identifier: MIT
#include "glwidgetbase.h"

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWindow>

GLWidgetBase::GLWidgetBase(QWidget *parent)
    : QWidget(parent)
{
    // No backing store and no background: every pixel is the frame's.
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    // Gives the widget its window now, so that its surface can be made an
    // OpenGL one before the platform creates it.
    setAttribute(Qt::WA_NativeWindow);
    QSurfaceFormat format;
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8); // as Qt 5's default, so both builds get one framebuffer
    if (pacedByDisplay())
        format.setSwapInterval(0);
    windowHandle()->setSurfaceType(QSurface::OpenGLSurface);
    windowHandle()->setFormat(format);
    // Made now, as QGLWidget makes its own, but first bound to draw.
    context = new QOpenGLContext;
    context->setFormat(format);
    if (!context->create()) {
        delete context;
        context = nullptr;
    }
}

GLWidgetBase::~GLWidgetBase()
{
    delete context; // before the window it draws to
}

void GLWidgetBase::makeCurrent()
{
    if (context)
        context->makeCurrent(windowHandle());
}

void GLWidgetBase::doneCurrent()
{
    if (context)
        context->doneCurrent();
}

void GLWidgetBase::glDraw()
{
    QWindow *window = windowHandle();
    // Nobody sees a window that is not exposed (minimized, or on a workspace
    // not shown), and it may have no surface to draw on.
    if (!context || !window || !window->isExposed() || !context->makeCurrent(window))
        return;
    if (!initialized) {
        initialized = true;
        initializeGL();
    }
    const QSize size = this->size() * devicePixelRatioF();
    if (size != fitted) {
        fitted = size;
        resizeGL(size.width(), size.height());
    }
    paintGL();
    context->swapBuffers(window);
}
#endif
