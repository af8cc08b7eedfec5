// SPDX-License-Identifier: MIT
#pragma once

class QCursor;

// What differs from one window system to the next, kept out of the view.

// Before the application exists: in a Wayland session (WAYLAND_DISPLAY set)
// the program runs natively on Wayland, whatever DISPLAY or XDG_SESSION_TYPE
// say; the X11 hack arguments keep X11, since their hosts are X windows. Each
// falls back to the other, so a missing plugin or display never aborts the
// program where the other works. A QT_QPA_PLATFORM the user set always wins.
void choosePlatform(int argc, char **argv);

// Around the application's construction. Qt ends the program with abort()
// when no platform plugin can start, as with no display to draw on: instead,
// one line on stderr says which variable to set, and the program ends with
// status 1. What else Qt says meanwhile is held, and passed on once a
// display was found.
void expectDisplay();
void displayFound();

// A cursor with no visible pixel. Qt 5 on Wayland keeps showing the arrow for
// Qt::BlankCursor; a transparent image hides it everywhere.
QCursor invisibleCursor();
