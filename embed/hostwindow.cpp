#include "hostwindow.h"

#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

HostWindow::HostWindow(std::uint32_t id, QObject *parent) : QObject(parent), window(id)
{
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        failure = "cannot open the X display";
        return;
    }
    if (window == 0) {
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && screens.rem; ++i)
            xcb_screen_next(&screens);
        window = screens.data->root;
        isRoot = true;
    }
    char id16[32];
    std::snprintf(id16, sizeof id16, "0x%x", unsigned(window));

    // Watch first, then measure: a host destroyed in between fails the
    // measuring, and one destroyed later is reported as an event.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_generic_error_t *error =
        xcb_request_check(connection, xcb_change_window_attributes_checked(connection, window, XCB_CW_EVENT_MASK, &mask));
    xcb_get_geometry_reply_t *geometry =
        error ? nullptr : xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), &error);
    if (!geometry) {
        failure = std::string("window ") + id16 + " does not exist";
        std::free(error);
        return;
    }
    size = QSize(geometry->width, geometry->height);
    std::free(geometry);
}

HostWindow::~HostWindow()
{
    xcb_disconnect(connection);
}

void HostWindow::embed(QWidget *v)
{
    view = v;
    // A child of the root window is a top-level one, which the window manager
    // would frame and move: over the root, the view bypasses the manager.
    view->setWindowFlags(Qt::FramelessWindowHint | (isRoot ? Qt::X11BypassWindowManagerHint : Qt::WindowFlags()));
    // Owned here, and this object by the view: the view's native window is a
    // child of the foreign one and must not outlive it.
    setParent(view);
    foreign = QWindow::fromWinId(window);
    static_cast<QObject *>(foreign)->setParent(this);
    // The view's size is watched from before it goes into its host, and put
    // right if it is not the host's: a window manager may carry out a resize
    // that Qt asked of it while it was a top-level window, before or after.
    viewWindow = uint32_t(view->winId());
    const uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, viewWindow, XCB_CW_EVENT_MASK, &structure);
    xcb_flush(connection);
    view->windowHandle()->setParent(foreign);
    fit();
    view->show();
    // Qt gives its window an arrow as it shows it; a hack shows the host's
    // cursor instead, which a screen-saver daemon blanks.
    const uint32_t inherit = XCB_CURSOR_NONE;
    xcb_change_window_attributes(connection, viewWindow, XCB_CW_CURSOR, &inherit);
    if (xcb_get_geometry_reply_t *now = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, viewWindow), nullptr)) {
        keepSize(QSize(now->width, now->height));
        std::free(now);
    }
    xcb_flush(connection);

    notifier = new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &HostWindow::readEvents);
    readEvents(); // events read while measuring wait in the queue already
}

void HostWindow::fit()
{
    // The host's size is the X server's, in device pixels; Qt places the view
    // in its own, which a scale factor makes fewer.
    const qreal scale = view->devicePixelRatioF();
    view->setGeometry(0, 0, qRound(size.width() / scale), qRound(size.height() / scale));
}

void HostWindow::keepSize(QSize viewSize)
{
    // Put back as the host has it, past whatever Qt thinks.
    if (viewSize != size) {
        const uint32_t wh[] = {uint32_t(size.width()), uint32_t(size.height())};
        xcb_configure_window(connection, viewWindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, wh);
    }
}

void HostWindow::readEvents()
{
    while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
        switch (event->response_type & 0x7f) {
        case XCB_CONFIGURE_NOTIFY: {
            const auto *e = reinterpret_cast<xcb_configure_notify_event_t *>(event);
            const QSize now(e->width, e->height);
            if (e->window == window && now != size) {
                size = now;
                fit();
            } else if (e->window == viewWindow) {
                keepSize(now);
                xcb_flush(connection);
            }
            break;
        }
        case XCB_DESTROY_NOTIFY:
            // The view's window went with its host. An orderly shutdown would
            // tear down GL state for a window that no longer exists, which
            // corrupts the heap in Mesa 25's GLX (9 runs in 25 under load);
            // the server has freed all of it already, so end as on SIGTERM.
            if (reinterpret_cast<xcb_destroy_notify_event_t *>(event)->window == window)
                ::_exit(0);
            break;
        }
        std::free(event);
    }
    // A broken connection stays readable forever: stop listening to it.
    if (xcb_connection_has_error(connection))
        notifier->setEnabled(false);
}
