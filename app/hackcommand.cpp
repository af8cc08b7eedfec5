// SPDX-License-Identifier: MIT
#include "hackcommand.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// "--name" and "-name" are the same option.
bool named(const char *argument, const char *name)
{
    if (argument[0] != '-')
        return false;
    const char *rest = argument + (argument[1] == '-' ? 2 : 1);
    return std::strcmp(rest, name) == 0;
}

// An argument quoted for a one-line message: control bytes would break the
// line or the terminal, and a huge one would flood it.
std::string quoted(const char *argument)
{
    std::string s = "'";
    for (const char *p = argument; *p && s.size() < 80; ++p)
        s += (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7f) ? '?' : *p;
    if (std::strlen(argument) > 79)
        s += "...";
    return s + "'";
}

bool allDigits(const char *s, int base)
{
    if (!*s)
        return false;
    for (; *s; ++s)
        if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(*s)) : std::isdigit(static_cast<unsigned char>(*s))))
            return false;
    return true;
}

bool parseWindowId(const char *text, std::uint32_t &id)
{
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char *digits = hex ? text + 2 : text;
    if (!allDigits(digits, hex ? 16 : 10))
        return false;
    errno = 0;
    const unsigned long long value = std::strtoull(digits, nullptr, hex ? 16 : 10);
    if (errno == ERANGE || value > std::numeric_limits<std::uint32_t>::max())
        return false;
    id = std::uint32_t(value);
    return true;
}

// A whole decimal number, optionally signed. One too large for 32 bits stands
// for the nearest that fits: the limits clamp it anyway.
bool parseNumber(const char *text, std::int32_t &n)
{
    if (!allDigits(text + (text[0] == '-' || text[0] == '+'), 10))
        return false;
    // strtoll itself saturates what exceeds 64 bits.
    using Limits = std::numeric_limits<std::int32_t>;
    const long long value = std::strtoll(text, nullptr, 10);
    n = std::int32_t(std::clamp<long long>(value, Limits::min(), Limits::max()));
    return true;
}

} // namespace

bool isHackArgument(const char *firstArgument)
{
    return firstArgument && (named(firstArgument, "root") || named(firstArgument, "window-id"));
}

HackCommand hackCommandFor(int argc, const char *const argv[], const char *xscreensaverWindow)
{
    HackCommand c;
    int i = 2;
    if (named(argv[1], "window-id")) {
        if (argc < 3)
            c.error = std::string(argv[1]) + " needs a window id";
        else if (!parseWindowId(argv[2], c.window) || c.window == 0)
            c.error = std::string(argv[1]) + ": " + quoted(argv[2]) + " is not a window id";
        i = 3;
    } else if (xscreensaverWindow && *xscreensaverWindow) {
        if (!parseWindowId(xscreensaverWindow, c.window) || c.window == 0)
            c.error = "XSCREENSAVER_WINDOW: " + quoted(xscreensaverWindow) + " is not a window id";
    }
    for (; i < argc && c.error.empty(); ++i) {
        const char *option = argv[i];
        std::optional<std::int32_t> *value = nullptr;
        if (named(option, "wireframe")) {
            c.wireframe = true;
            continue;
        }
        if (named(option, "count"))
            value = &c.count;
        else if (named(option, "near"))
            value = &c.nearDistance;
        else if (named(option, "far"))
            value = &c.farDistance;
        else {
            c.error = "unknown option " + quoted(option);
            break;
        }
        std::int32_t n = 0;
        if (i + 1 >= argc)
            c.error = std::string(option) + " needs a number";
        else if (!parseNumber(argv[++i], n))
            c.error = std::string(option) + ": " + quoted(argv[i]) + " is not a number";
        else
            *value = n;
    }
    return c;
}

HeartSettings withHackOptions(const HeartSettings &fromFile, const HackCommand &command)
{
    HeartSettings s = fromFile;
    s.heartCount = command.count.value_or(s.heartCount);
    s.showFrame = s.showFrame || command.wireframe;
    s.nearDistance = command.nearDistance.value_or(s.nearDistance);
    s.farDistance = command.farDistance.value_or(s.farDistance);
    return withinLimits(s);
}
