#include "runmode.h"

RunMode runModeFor(const char *firstArgument)
{
    if (!firstArgument)
        return RunMode::Windowed;
    if (firstArgument[0] != '/')
        return RunMode::Unrecognised;
    // Bytes after the second are never read: Windows appends ":<handle>" to
    // "/c", which is ignored.
    switch (firstArgument[1]) {
    case 'c':
        return RunMode::Configure;
    case 's':
        return RunMode::ScreenSaver;
    default:
        return RunMode::Unrecognised;
    }
}

std::uintptr_t previewWindowFor(int argc, const char *const argv[])
{
    if (argc < 2 || argv[1][0] != '/' || argv[1][1] != 'p')
        return 0;
    const char *handle = argv[1][2] == ':' ? argv[1] + 3 : (argv[1][2] == '\0' && argc > 2 ? argv[2] : "");
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
