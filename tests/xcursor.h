// The cursor as the X server shows it, for tests that link X11 and Xfixes.
// Included after Qt's headers: Xlib's macros clash with Qt's names.
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
