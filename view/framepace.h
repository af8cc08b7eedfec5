// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// How far the view's field moves in each frame: the hearts keep their speed
// by the wall clock, whatever the display's rate. The view's 10 ms timer asks
// for frames; where the display makes a swap wait (a compositor's frame
// callback, a driver's vertical sync) or a frame takes long to draw, frames
// come less often. Each frame advances the field by the 10 ms ticks passed
// since the last frame, carrying the remainder: at least one, so no two frames
// show the same positions, and at most ten, so a stalled machine never makes
// the hearts jump more than a unit.
class FramePace
{
public:
    static constexpr std::int64_t tickNs = 10'000'000;
    static constexpr int maxTicksPerFrame = 10;

    // A frame drawn at nowNs on a monotonic clock: how many ticks it advances.
    int frameAt(std::int64_t nowNs);
    // Unseen, the view rests: that time is not caught up.
    void rest();

    // Frames and ticks over about a second, for the pace log: true once a
    // second has passed since the last report, which then starts again.
    struct Rate
    {
        int frames;
        int ticks;
        double seconds;
    };
    bool rateDue(std::int64_t nowNs, Rate &rate);

private:
    std::int64_t lastFrameNs = -1; // none since the last rest
    std::int64_t carriedNs = 0;
    std::int64_t rateSinceNs = -1;
    int framesSince = 0;
    int ticksSince = 0;
};
