// SPDX-License-Identifier: MIT
#include "monitorplace.h"

#include <QGuiApplication>
#include <QScreen>

#ifdef HEARTS_X11
#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

template<typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// The monitor of that name, as RandR 1.5 lists the active ones, if any.
bool askServer(const QString &name, QRect &place)
{
    // One connection for the process, kept open: monitors change seldom.
    static int screenNumber = 0;
    static xcb_connection_t *const connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection))
        return false;
    const xcb_query_extension_reply_t *randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (!randr || !randr->present)
        return false; // a request to a missing extension would close the connection
    const Reply<xcb_randr_query_version_reply_t> version(
        xcb_randr_query_version_reply(connection, xcb_randr_query_version(connection, 1, 5), nullptr), &std::free);
    if (!version || (version->major_version == 1 && version->minor_version < 5))
        return false;

    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    const Reply<xcb_randr_get_monitors_reply_t> monitors(
        xcb_randr_get_monitors_reply(connection, xcb_randr_get_monitors(connection, screens.data->root, 1), nullptr),
        &std::free);
    if (!monitors)
        return false;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem; xcb_randr_monitor_info_next(&it)) {
        const Reply<xcb_get_atom_name_reply_t> atom(
            xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, it.data->name), nullptr), &std::free);
        if (atom
            && QString::fromUtf8(xcb_get_atom_name_name(atom.get()), xcb_get_atom_name_name_length(atom.get())) == name) {
            place = QRect(it.data->x, it.data->y, it.data->width, it.data->height);
            return true;
        }
    }
    return false;
}

} // namespace
#endif

QRect monitorPlace(const QScreen *screen)
{
#ifdef HEARTS_X11
    QRect place;
    if (QGuiApplication::platformName() == QLatin1String("xcb") && askServer(screen->name(), place))
        return place;
#endif
    return screen->geometry();
}
