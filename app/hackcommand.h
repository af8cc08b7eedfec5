// SPDX-License-Identifier: MIT
#pragma once

#include "config/heartsettings.h"

#include <cstdint>
#include <optional>
#include <string>

// The command line an X11 screen-saver daemon gives its hacks. The first
// argument names where to draw, with one dash or two:
//   --root            the window in XSCREENSAVER_WINDOW, else the root window
//   --window-id ID    window ID (a settings dialog's preview)
// Then options override what the settings file says:
//   --count N  --wireframe  --near N  --far N
struct HackCommand
{
    // Window ids are hex ("0x...") or decimal; 0 stands for the root window.
    std::uint32_t window = 0;
    std::optional<std::int32_t> count;
    bool wireframe = false;
    std::optional<std::int32_t> nearDistance;
    std::optional<std::int32_t> farDistance;
    // Not empty: what was wrong, in one line fit for stderr.
    std::string error;
};

// Whether the first argument asks for a hack: "--root", "-root",
// "--window-id" or "-window-id", exactly.
bool isHackArgument(const char *firstArgument);

// Reads arguments 1 to argc - 1. xscreensaverWindow is the environment's
// XSCREENSAVER_WINDOW, or null.
HackCommand hackCommandFor(int argc, const char *const argv[], const char *xscreensaverWindow);

// The settings from the file with the options laid over them, then held to
// the same limits as the file's.
HeartSettings withHackOptions(const HeartSettings &fromFile, const HackCommand &command);
