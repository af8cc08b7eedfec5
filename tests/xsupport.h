// SPDX-License-Identifier: MIT
// X11 helpers for the tests that link Xlib. Kept apart from testsupport.h:
// Xlib's macros (KeyPress, None, Bool...) would break Qt code after them.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

// Whether the cursor the server shows right now has any visible pixel.
inline bool cursorVisible()
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return true;
    bool visible = false;
    if (XFixesCursorImage *image = XFixesGetCursorImage(display)) {
        for (int i = 0; i < image->width * image->height; ++i)
            visible |= (image->pixels[i] >> 24) != 0;
        XFree(image);
    }
    XCloseDisplay(display);
    return visible;
}

// MapNotify events queued on a connection that selected SubstructureNotify on
// the root: windows mapped anywhere since the last call.
inline int mapsSeen(Display *display)
{
    XSync(display, False);
    int n = 0;
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        n += event.type == MapNotify;
    }
    return n;
}
