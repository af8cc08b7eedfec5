// SPDX-License-Identifier: MIT
#include "runmode.h"

#include <cstring>

namespace {

// The run-mode letter of "/x...", in lower case, or 0 for any other argument.
char letterOf(const char *argument)
{
    if (!argument || argument[0] != '/')
        return 0;
    const char c = argument[1];
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::uintptr_t handleIn(const char *handle)
{
    std::uintptr_t value = 0;
    for (const char *p = handle; *p; ++p) {
        if (*p < '0' || *p > '9')
            return 0;
        const std::uintptr_t digit = std::uintptr_t(*p - '0');
        if (value > (UINTPTR_MAX - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

RunMode runModeFor(const char *firstArgument)
{
    if (!firstArgument)
        return RunMode::Windowed;
    // Bytes after the second are read only for a handle, where there is one.
    switch (letterOf(firstArgument)) {
    case 'c':
        return RunMode::Configure;
    case 's':
        return RunMode::ScreenSaver;
    default:
        return RunMode::Unrecognised;
    }
}

bool endsAtOnce(const char *firstArgument, bool previews)
{
    return firstArgument && firstArgument[0] != '-' && runModeFor(firstArgument) == RunMode::Unrecognised
        && !(previews && letterOf(firstArgument) == 'p');
}

std::uintptr_t previewWindowFor(int argc, const char *const argv[])
{
    if (argc < 2 || letterOf(argv[1]) != 'p')
        return 0;
    return handleIn(argv[1][2] == ':' ? argv[1] + 3 : (argv[1][2] == '\0' && argc > 2 ? argv[2] : ""));
}

std::uintptr_t ownerWindowFor(const char *firstArgument)
{
    return letterOf(firstArgument) == 'c' && firstArgument[2] == ':' ? handleIn(firstArgument + 3) : 0;
}

const char *answerFor(const char *firstArgument)
{
    static const char usage[] =
        "Usage: hearts [/s | /c]\n"
        "       hearts --root [options]\n"
        "       hearts --window-id ID [options]\n"
        "       hearts --help | --version\n"
        "Lit 3-D hearts falling and spinning through black space.\n"
        "\n"
        "  (no argument)    the hearts in a window\n"
        "  /s               full screen on every monitor, until a key, a mouse button\n"
        "                   or a second mouse movement\n"
        "  /c               the settings dialog\n"
        "  --root           as an X11 screen-saver daemon's hack: in the window\n"
        "                   XSCREENSAVER_WINDOW names, else over the root window\n"
        "  --window-id ID   as a hack in window ID (0x... or decimal)\n"
        "\n"
        "Hack options, over what the settings file says:\n"
        "  --count N        the number of hearts, 1 to 5000\n"
        "  --wireframe      wire frames instead of solid hearts\n"
        "  --near N         the near distance, 1 to 985\n"
        "  --far N          the far distance, 16 to 1000\n"
        "\n"
        "The settings file, KestaConfig.dat, and more: man 6 hearts\n";
    if (firstArgument && std::strcmp(firstArgument, "--help") == 0)
        return usage;
    if (firstArgument && std::strcmp(firstArgument, "--version") == 0)
        return "hearts " HEARTS_VERSION "\n";
    return nullptr;
}
