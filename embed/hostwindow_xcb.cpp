// SPDX-License-Identifier: MIT
#include "hostwindow.h"

#include <QWidget>

#include <sys/socket.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

// The X server is asked over a connection of this class's own.
struct HostWindow::Native
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t viewWindow = 0;
    std::thread reader;

    // Puts the view's window back to the host's size, past whatever Qt thinks.
    void keepSize(QSize viewSize, QSize hostSize)
    {
        if (viewSize != hostSize) {
            const uint32_t wh[] = {uint32_t(hostSize.width()), uint32_t(hostSize.height())};
            xcb_configure_window(connection, viewWindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, wh);
        }
    }
};

HostWindow::HostWindow(quintptr id, QObject *parent) : QObject(parent), window(id), native(new Native)
{
    int screenNumber = 0;
    xcb_connection_t *connection = native->connection = xcb_connect(nullptr, &screenNumber);
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
    xcb_generic_error_t *error = xcb_request_check(
        connection, xcb_change_window_attributes_checked(connection, xcb_window_t(window), XCB_CW_EVENT_MASK, &mask));
    xcb_get_geometry_reply_t *geometry =
        error ? nullptr : xcb_get_geometry_reply(connection, xcb_get_geometry(connection, xcb_window_t(window)), &error);
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
    // The connection's end wakes the reader.
    if (native->reader.joinable()) {
        ::shutdown(xcb_get_file_descriptor(native->connection), SHUT_RDWR);
        native->reader.join();
    }
    xcb_disconnect(native->connection);
}

void HostWindow::watchView()
{
    // The view's size is watched from before it goes into its host, and put
    // right if it is not the host's: a window manager may carry out a resize
    // that Qt asked of it while it was a top-level window, before or after.
    native->viewWindow = xcb_window_t(view->winId());
    const uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(native->connection, native->viewWindow, XCB_CW_EVENT_MASK, &structure);
    xcb_flush(native->connection);
}

void HostWindow::watchHost()
{
    xcb_connection_t *connection = native->connection;
    // Qt gives its window an arrow as it shows it; a hack shows the host's
    // cursor instead, which a screen-saver daemon blanks.
    const uint32_t inherit = XCB_CURSOR_NONE;
    xcb_change_window_attributes(connection, native->viewWindow, XCB_CW_CURSOR, &inherit);
    if (xcb_get_geometry_reply_t *now =
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, native->viewWindow), nullptr)) {
        native->keepSize(QSize(now->width, now->height), size);
        std::free(now);
    }
    xcb_flush(connection);

    // From here on the connection is read on a thread of its own, which
    // waits for the next event whatever read it from the socket. So the
    // host's end ends the hack even while the GUI thread is drawing a frame,
    // or is held up in the driver by a window that is gone.
    native->reader = std::thread(&HostWindow::readEvents, this);
}

// On the reader thread. The host's new size is the GUI thread's to fit to;
// the view's window is put right here, against this thread's copy of it.
void HostWindow::readEvents()
{
    xcb_connection_t *connection = native->connection;
    QSize hostSize = size;
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        switch (event->response_type & 0x7f) {
        case XCB_CONFIGURE_NOTIFY: {
            const auto *e = reinterpret_cast<xcb_configure_notify_event_t *>(event);
            const QSize now(e->width, e->height);
            if (e->window == window && now != hostSize) {
                hostSize = now;
                QMetaObject::invokeMethod(this, [this, now] { size = now; fit(); }, Qt::QueuedConnection);
            } else if (e->window == native->viewWindow) {
                native->keepSize(now, hostSize);
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
}
