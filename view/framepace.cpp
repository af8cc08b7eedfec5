// SPDX-License-Identifier: MIT
#include "framepace.h"

#include <algorithm>

int FramePace::frameAt(std::int64_t nowNs)
{
    int ticks = 1;
    if (lastFrameNs >= 0) {
        const std::int64_t due = carriedNs + (nowNs - lastFrameNs);
        ticks = int(std::clamp<std::int64_t>(due / tickNs, 1, maxTicksPerFrame));
        // A frame a little early owes its tick to the next; a stall is not
        // made up for.
        carriedNs = std::clamp(due - ticks * tickNs, -tickNs, tickNs);
    }
    lastFrameNs = nowNs;
    // Counted from the first frame on: the frames after it, and their ticks,
    // fill the time since.
    if (rateSinceNs < 0) {
        rateSinceNs = nowNs;
    } else {
        ++framesSince;
        ticksSince += ticks;
    }
    return ticks;
}

void FramePace::rest()
{
    lastFrameNs = -1;
    carriedNs = 0;
    rateSinceNs = -1;
    framesSince = 0;
    ticksSince = 0;
}

bool FramePace::rateDue(std::int64_t nowNs, Rate &rate)
{
    if (rateSinceNs < 0 || nowNs - rateSinceNs < 1'000'000'000)
        return false;
    rate = {framesSince, ticksSince, double(nowNs - rateSinceNs) / 1e9};
    rateSinceNs = nowNs;
    framesSince = 0;
    ticksSince = 0;
    return true;
}
