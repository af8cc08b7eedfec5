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
