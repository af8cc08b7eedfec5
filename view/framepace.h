// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Where the view's field stands at each frame: the hearts keep their speed by
// the wall clock, whatever the display's rate, and each frame shows them as
// they are at its moment. Frames come when the display takes them (a
// compositor's frame callback, a driver's vertical sync) or the view's 10 ms
// timer asks, as often as they can be drawn.
//
// The field moves in whole 10 ms ticks. Its clock runs with the wall clock,
// but never more than ten ticks a frame, so a stalled machine never makes the
// hearts jump more than a unit, and not while the view rests. Each frame runs
// the field up to the first tick past that clock, and is drawn the clock's
// share of the way between the last two ticks.
class FramePace
{
public:
    static constexpr std::int64_t tickNs = 10'000'000;
    static constexpr int maxTicksPerFrame = 10;

    struct Frame
    {
        int ticks;       // to run first, 0 to maxTicksPerFrame
        double fraction; // from 0 to 1: the way from the tick before the last to the last
    };
    // A frame drawn at nowNs on a monotonic clock.
    Frame frameAt(std::int64_t nowNs);
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
    std::int64_t fieldNs = 0;      // the field's clock
    std::int64_t ticksRun = 0;
    std::int64_t rateSinceNs = -1;
    int framesSince = 0;
    int ticksSince = 0;
};
