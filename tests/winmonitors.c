// SPDX-License-Identifier: MIT
/* Prints the monitors Windows reports, one "WxH+X+Y" a line: under Wine, what
   the Windows program is told about the X server's monitors. */
#include <windows.h>
#include <stdio.h>

static BOOL CALLBACK print(HMONITOR monitor, HDC dc, LPRECT rect, LPARAM data)
{
    (void)monitor;
    (void)dc;
    (void)data;
    printf("%ldx%ld+%ld+%ld\n", rect->right - rect->left, rect->bottom - rect->top, rect->left, rect->top);
    return TRUE;
}

int main(void)
{
    EnumDisplayMonitors(NULL, NULL, print, 0);
    return 0;
}
