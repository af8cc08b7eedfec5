// SPDX-License-Identifier: MIT
/* Stands in for Windows' screen-saver settings: a window with a W x H client
   area whose handle goes to PROGRAM in ARGS, where %llu stands for it ("/p
   %llu", "/p:%llu", "/c:%llu"). For a preview, prints the client size of the
   child PROGRAM puts into it, then the same once the window has grown by
   100 x 60, whether PROGRAM still runs after a key and two moves over it,
   and the milliseconds from the window's destruction to PROGRAM's end with
   its exit status. For the settings ("/c"), whether the window owns the
   "Configuration" dialog and it is centred on it, then the same milliseconds
   from the dialog's close. With PROGRAM alone, what Windows reads from its
   file: string 1, the version details, the icons.
   Usage: winpreview PROGRAM [ARGS W H] */
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

/* Waits up to 30 s for the child to reach w x h. */
static void childSize(const char *label, HWND host, LONG w, LONG h)
{
    RECT r = {0, 0, 0, 0};
    for (int i = 0; i < 3000 && (r.right != w || r.bottom != h); ++i, pump(10)) {
        HWND child = NULL;
        EnumChildWindows(host, first, (LPARAM)&child);
        if (!child || !GetClientRect(child, &r))
            r.right = r.bottom = 0;
    }
    printf("%s %ldx%ld\n", label, r.right, r.bottom);
}

static int ended(HANDLE program, DWORD start)
{
    const DWORD waited = WaitForSingleObject(program, 30000);
    DWORD status = 0;
    GetExitCodeProcess(program, &status);
    printf("ended %lu %lu\n", waited == WAIT_OBJECT_0 ? GetTickCount() - start : 99999UL, status);
    return 0;
}

static int settings(HWND host, HANDLE program, BOOL given)
{
    HWND dialog = NULL;
    for (int i = 0; i < 300 && !dialog; ++i, pump(100))
        dialog = FindWindowW(NULL, L"Configuration");
    /* Owned and placed once shown: up to 30 s for it, if given the host. */
    HWND owner = NULL;
    BOOL centred = FALSE;
    for (int i = 0; i < (given ? 300 : 1) && dialog && !(owner == host && centred); ++i, pump(100)) {
        RECT d, o;
        owner = GetWindow(dialog, GW_OWNER);
        GetWindowRect(dialog, &d);
        GetWindowRect(host, &o);
        centred = labs(d.left + d.right - o.left - o.right) <= 2 && labs(d.top + d.bottom - o.top - o.bottom) <= 2;
    }
    printf("%s, owner %s%s\n", dialog ? "dialog" : "no dialog", owner == host ? "host" : owner ? "another" : "none",
           centred ? ", centred" : "");
    const DWORD start = GetTickCount();
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    return ended(program, start);
}

/* As the screen-saver settings and Explorer read them. */
static int resources(const char *program)
{
    char text[256] = "", query[128], *value;
    LoadStringA(LoadLibraryExA(program, NULL, LOAD_LIBRARY_AS_DATAFILE), 1, text, sizeof text);
    printf("name %s\n", text);
    DWORD zero, size = GetFileVersionInfoSizeA(program, &zero);
    void *info = calloc(1, size + 1);
    const BOOL found = GetFileVersionInfoA(program, 0, size, info);
    static const char *const fields[] = {"FileDescription", "ProductName", "FileVersion", "ProductVersion",
                                         "LegalCopyright", "OriginalFilename"};
    for (UINT i = 0, length; i < 6; ++i) {
        snprintf(query, sizeof query, "\\StringFileInfo\\040904b0\\%s", fields[i]);
        printf("%s %s\n", fields[i], found && VerQueryValueA(info, query, (void **)&value, &length) ? value : "none");
    }
    printf("icons %u, the first %s\n", (UINT)(UINT_PTR)ExtractIconA(NULL, program, -1),
           (UINT_PTR)ExtractIconA(NULL, program, 0) > 1 ? "loads" : "does not load");
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 2)
        return resources(argv[1]);
    if (argc != 5)
        return 2;
    const LONG w = atol(argv[3]), h = atol(argv[4]);
    WNDCLASSW c = {0, DefWindowProcW, 0, 0, GetModuleHandleW(NULL), NULL, NULL, NULL, NULL, L"winpreview"};
    RegisterClassW(&c);
    RECT r = {0, 0, w, h};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND host = CreateWindowW(L"winpreview", L"settings host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                              100, 100, r.right - r.left, r.bottom - r.top, NULL, NULL, c.hInstance, NULL);
    pump(300);
    char args[MAX_PATH], line[2 * MAX_PATH];
    snprintf(args, sizeof args, argv[2], (unsigned long long)(UINT_PTR)host);
    snprintf(line, sizeof line, "\"%s\" %s", argv[1], args);
    STARTUPINFOA si;
    GetStartupInfoA(&si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 3;
    if (args[1] == 'c' || args[1] == 'C')
        return settings(host, pi.hProcess, strstr(argv[2], "%llu") != NULL);
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
    return ended(pi.hProcess, start);
}
