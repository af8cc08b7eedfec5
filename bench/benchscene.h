// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// What the program's process and the bare loop's process share: the picture
// they draw, how they time it and how they report it on stdout.
namespace Bench {

constexpr int width = 1024;
constexpr int height = 768;
// The view seeds rand() from the clock; both processes reseed with this so
// they place, colour and respawn the same hearts and draw the same frames.
constexpr unsigned seed = 214;

struct ChildOptions
{
    int hearts = 80;
    int ticks = 10;
    int warmup = 2;
    // Frames the program drew before its first tick (the window manager can
    // cause more than one); the bare loop draws as many so the spins match.
    int initialFrames = 1;
};

// Takes "--hearts N", "--ticks N", "--warmup N" or "--initial-frames N"
// starting at argv[i], moving i past it; false for anything else.
bool parseChildOption(int argc, char **argv, int &i, ChildOptions &options);

double nowMs();
// This process's resident set (VmRSS), in KiB.
long residentKb();
// Prints the peak and the present resident set, the latter split into
// anonymous memory, mapped files and shared memory.
void reportMemory();

// Reads the picture of the current context (Bench::width x height) after a
// frame drawn without a swap, so both processes can compare their pictures:
// which pixels are lit must be the same to the bit, while the shades may round
// differently where the program draws into a framebuffer object (Qt 6).
struct FrameCheck
{
    std::uint64_t shapeHash = 0; // of which pixels are lit
    long litPixels = 0;
    std::uint64_t shadeSum = 0; // of every channel of every pixel
};
FrameCheck readBackBuffer();

// Prints "key value" lines: the GL strings and the framebuffer's bit depths.
void reportContext();
void report(const std::string &key, const std::string &value);
void report(const std::string &key, double value);

} // namespace Bench
