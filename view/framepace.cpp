// SPDX-License-Identifier: MIT
#include "framepace.h"

#include <algorithm>

FramePace::Frame FramePace::frameAt(std::int64_t nowNs)
{
    if (lastFrameNs >= 0)
        fieldNs += std::min(nowNs - lastFrameNs, maxTicksPerFrame * tickNs);
    lastFrameNs = nowNs;
    // The field's state after tick k stands for the clock at k ticks; the
    // one to draw lies between the ticks on either side of the clock.
    const std::int64_t due = fieldNs / tickNs + 1;
    const int ticks = int(due - ticksRun);
    ticksRun = due;
    // Counted from the first frame on: the frames after it, and their ticks,
    // fill the time since.
    if (rateSinceNs < 0) {
        rateSinceNs = nowNs;
    } else {
        ++framesSince;
        ticksSince += ticks;
    }
    return {ticks, double(fieldNs % tickNs) / double(tickNs)};
}

void FramePace::rest()
{
    lastFrameNs = -1;
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
