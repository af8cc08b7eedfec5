/* Stands in for Windows' screen-saver settings: a window whose client area is
   W x H, whose handle goes to the screen saver as its preview does, with
   "/p <handle>" or "/p:<handle>". Prints, a line each:
     child WxH        the client size of the window the program put into it
     resized WxH      the same once the host has grown by 100 x 60
     input running    or "input ended": after a key and two moves over it
     ended MS STATUS  from the host's destruction to the program's end
   Usage: winpreview PROGRAM space|colon W H */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND child;

static BOOL CALLBACK firstChild(HWND window, LPARAM unused)
{
    (void)unused;
    child = window;
    return FALSE;
}

static void pump(DWORD ms)
{
    const DWORD start = GetTickCount();
    MSG m;
    do {
        while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&m);
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

/* Waits up to 30 s for the child to reach w x h; prints the size it has. */
static void childSize(const char *label, HWND host, LONG w, LONG h)
{
    RECT r = {0, 0, 0, 0};
    for (int i = 0; i < 1500 && (r.right != w || r.bottom != h); ++i) {
        child = NULL;
        EnumChildWindows(host, firstChild, 0);
        if (!child || !GetClientRect(child, &r))
            r.right = r.bottom = 0;
        pump(10);
    }
    printf("%s %ldx%ld\n", label, r.right, r.bottom);
    fflush(stdout);
}

static void sendInput(DWORD type, WORD key, LONG dx)
{
    INPUT in[2];
    memset(in, 0, sizeof in);
    in[0].type = in[1].type = type;
    in[0].ki.wVk = in[1].ki.wVk = key;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    in[0].mi.dx = dx;
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(type == INPUT_KEYBOARD ? 2 : 1, in, sizeof in[0]);
    pump(300);
}

int main(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    const LONG w = atol(argv[3]), h = atol(argv[4]);
    WNDCLASSW c;
    memset(&c, 0, sizeof c);
    c.lpfnWndProc = DefWindowProcW;
    c.hInstance = GetModuleHandleW(NULL);
    c.lpszClassName = L"winpreview";
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
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 3;
    childSize("child", host, w, h);
    GetWindowRect(host, &r);
    SetWindowPos(host, NULL, 0, 0, r.right - r.left + 100, r.bottom - r.top + 60, SWP_NOMOVE | SWP_NOZORDER);
    childSize("resized", host, w + 100, h + 60);

    /* A preview ends with its host, not on input. */
    POINT centre = {(w + 100) / 2, (h + 60) / 2};
    ClientToScreen(host, &centre);
    SetCursorPos(centre.x, centre.y);
    sendInput(INPUT_KEYBOARD, 'A', 0);
    sendInput(INPUT_MOUSE, 0, 1);
    sendInput(INPUT_MOUSE, 0, 1);
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
