#pragma once

// The screen-saver command line: "/c..." settings, "/s..." full screen, no
// argument a window. Only the first two bytes count, case-sensitively.
enum class RunMode { Windowed, Configure, ScreenSaver, Unrecognised };

RunMode runModeFor(const char *firstArgument);
