// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The screen-saver command line: "/c..." settings, "/s..." full screen, no
// argument a window. Only the first two bytes count, case-sensitively.
enum class RunMode { Windowed, Configure, ScreenSaver, Unrecognised };

RunMode runModeFor(const char *firstArgument);

// "--help" and "--version" as the first argument: what to print, which needs
// no display. Null for any other argument.
const char *answerFor(const char *firstArgument);

// Windows' preview in its screen-saver settings: "/p <window>" or
// "/p:<window>", the handle of the window to draw in, in decimal. Returns the
// handle, or 0 where there is none or it is not a number.
std::uintptr_t previewWindowFor(int argc, const char *const argv[]);
