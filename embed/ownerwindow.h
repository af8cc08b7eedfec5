// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

class QWidget;

// Windows' screen-saver settings pass their own window with "/c:<window>",
// and a screen saver's dialog is then owned by it, as Windows' own are: it
// stays above that window and opens centred on it. Shows window so, or as
// it is where owner names no window.
void showOwnedBy(QWidget *window, quintptr owner);
