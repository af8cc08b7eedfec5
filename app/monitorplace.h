// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

class QScreen;

// Where a monitor lies on the desktop now. When RandR moves a monitor (as
// when the one beside it is unplugged), Qt 6's X11 plugin keeps the old place
// in the QScreen and reports no change: on X11 the X server is asked. Where it
// cannot tell, and on other platforms, the QScreen's own geometry.
QRect monitorPlace(const QScreen *screen);
