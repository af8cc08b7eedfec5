// SPDX-License-Identifier: MIT
/* Stands in for Windows' screen-saver settings: a window with a W x H client
   area whose handle goes to PROGRAM as "/p <handle>" (space) or "/p:<handle>"
   (colon). Prints the client size of the child PROGRAM puts into it, then the
   same once the window has grown by 100 x 60, whether PROGRAM still runs
   after a key and two moves over it, and the milliseconds from the window's
   destruction to PROGRAM's end with its exit status.
   Usage: winpreview PROGRAM space|colon W H */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void pump(DWORD ms)
{
    MSG m;
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(10))
        while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&m);
}

static BOOL CALLBACK first(HWND window, LPARAM found)
{
    *(HWND *)found = window;
    return FALSE;
}

/* Waits up to 15 s for the child to reach w x h. */
static void childSize(const char *label, HWND host, LONG w, LONG h)
{
    RECT r = {0, 0, 0, 0};
    for (int i = 0; i < 1500 && (r.right != w || r.bottom != h); ++i, pump(10)) {
        HWND child = NULL;
        EnumChildWindows(host, first, (LPARAM)&child);
        if (!child || !GetClientRect(child, &r))
            r.right = r.bottom = 0;
    }
    printf("%s %ldx%ld\n", label, r.right, r.bottom);
}

int main(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    const LONG w = atol(argv[3]), h = atol(argv[4]);
    WNDCLASSW c = {0, DefWindowProcW, 0, 0, GetModuleHandleW(NULL), NULL, NULL, NULL, NULL, L"winpreview"};
    RegisterClassW(&c);
    RECT r = {0, 0, w, h};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND host = CreateWindowW(L"winpreview", L"preview host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                              100, 100, r.right - r.left, r.bottom - r.top, NULL, NULL, c.hInstance, NULL);
    pump(300);
    char line[2 * MAX_PATH];
    snprintf(line, sizeof line, strcmp(argv[2], "colon") ? "\"%s\" /p %llu" : "\"%s\" /p:%llu", argv[1],
             (unsigned long long)(UINT_PTR)host);
    STARTUPINFOA si;
    GetStartupInfoA(&si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 3;
    childSize("child", host, w, h);
    GetWindowRect(host, &r);
    SetWindowPos(host, NULL, 0, 0, r.right - r.left + 100, r.bottom - r.top + 60, SWP_NOMOVE | SWP_NOZORDER);
    childSize("resized", host, w + 100, h + 60);

    POINT centre = {(w + 100) / 2, (h + 60) / 2};
    ClientToScreen(host, &centre);
    SetCursorPos(centre.x, centre.y);
    /* A key, then two moves of one pixel. */
    INPUT in[4];
    memset(in, 0, sizeof in);
    for (int i = 0; i < 4; ++i, pump(300)) {
        in[i].type = i < 2 ? INPUT_KEYBOARD : INPUT_MOUSE;
        if (i < 2) {
            in[i].ki.wVk = 'A';
            in[i].ki.dwFlags = i ? KEYEVENTF_KEYUP : 0;
        } else {
            in[i].mi.dx = 1;
            in[i].mi.dwFlags = MOUSEEVENTF_MOVE;
        }
        SendInput(1, &in[i], sizeof in[i]);
    }
    pump(1000);
    printf("input %s\n", WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT ? "running" : "ended");

    const DWORD start = GetTickCount();
    DestroyWindow(host);
    const DWORD waited = WaitForSingleObject(pi.hProcess, 5000);
    DWORD status = 0;
    GetExitCodeProcess(pi.hProcess, &status);
    printf("ended %lu %lu\n", waited == WAIT_OBJECT_0 ? GetTickCount() - start : 99999UL, status);
    return 0;
}
