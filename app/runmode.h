// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The screen-saver command line: "/c..." settings, "/s..." full screen, no
// argument a window. Only the first two bytes count, and the letter may be
// in either case: Windows itself starts a screen saver with "/S".
enum class RunMode { Windowed, Configure, ScreenSaver, Unrecognised };

RunMode runModeFor(const char *firstArgument);

// Whether the first argument, as given, ends the program at once, so that it
// needs no display. Qt takes out only options that begin with '-', so any
// other first argument is the program's own. "/p" is a run mode where
// previews is set (on Windows).
bool endsAtOnce(const char *firstArgument, bool previews);

// "--help" and "--version" as the first argument: what to print, which needs
// no display. Null for any other argument.
const char *answerFor(const char *firstArgument);

// Windows' screen-saver settings pass a window's handle, in decimal: the
// preview's as "/p <window>" or "/p:<window>", the window to draw in, and
// their own as "/c:<window>", which is to own the dialog. Each returns the
// handle, or 0 where there is none or it is not a number.
std::uintptr_t previewWindowFor(int argc, const char *const argv[]);
std::uintptr_t ownerWindowFor(const char *firstArgument);
