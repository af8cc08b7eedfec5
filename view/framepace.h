// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// When the view draws a frame, and how far its field moves in it: the hearts
// keep their speed by the wall clock, whatever the display's rate.
//
// The view's 10 ms timer asks for frames. Where the display says when it has
// taken the last frame (a Wayland compositor's frame callback), the next waits
// for that: drawn before, its swap would wait inside the toolkit and hold up
// the program's every other view with it. Each frame advances the field by the
// 10 ms ticks passed since the last frame, carrying the remainder: at least
// one, so no two frames show the same positions, and at most ten, so a
// stalled machine never makes the hearts jump more than a unit.
class FramePace
{
public:
    static constexpr std::int64_t tickNs = 10'000'000;
    static constexpr int maxTicksPerFrame = 10;

    explicit FramePace(bool displaySaysWhenTaken)
        : pacedByDisplay(displaySaysWhenTaken)
    {
    }

    // The timer asks for a frame: whether to draw it now.
    bool frameAsked()
    {
        asked = true;
        return !awaitingDisplay;
    }
    bool awaitsDisplay() const { return awaitingDisplay; }
    // The display has taken the last frame: whether to draw one now.
    bool displayReady()
    {
        awaitingDisplay = false;
        return asked;
    }
    // A frame drawn at nowNs on a monotonic clock: how many ticks it advances.
    int frameAt(std::int64_t nowNs);
    // Unseen, the view rests: that time is not caught up, and no compositor
    // calls back for a frame it does not show.
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
    bool pacedByDisplay;
    bool awaitingDisplay = false;
    bool asked = false;
    std::int64_t lastFrameNs = -1; // none since the last rest
    std::int64_t carriedNs = 0;
    std::int64_t rateSinceNs = -1;
    int framesSince = 0;
    int ticksSince = 0;
};
