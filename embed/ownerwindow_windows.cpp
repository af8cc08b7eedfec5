// SPDX-License-Identifier: MIT
#include "ownerwindow.h"

#include <QWidget>

#include <windows.h>

void showOwnedBy(QWidget *window, quintptr id)
{
    window->show();
    const HWND owner = reinterpret_cast<HWND>(id);
    RECT over, own;
    if (!id || !IsWindow(owner) || !GetWindowRect(owner, &over))
        return;
    // Qt makes a window owned only by another of its own, and sets the owner
    // again as it shows one: only now does this owner stay.
    const HWND shown = reinterpret_cast<HWND>(window->winId());
    SetWindowLongPtrW(shown, GWLP_HWNDPARENT, LONG_PTR(owner));
    GetWindowRect(shown, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    SetWindowPos(shown, HWND_TOP, (over.left + over.right - width) / 2, (over.top + over.bottom - height) / 2, 0, 0,
                 SWP_NOSIZE);
}
