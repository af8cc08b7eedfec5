// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// When the view draws and shows a frame, and how far its field moves in it:
// the hearts keep their speed by the wall clock, whatever the display's rate.
//
// The view's 10 ms timer asks for frames. Where the display says when it has
// taken the last frame (a Wayland compositor's frame callback), a frame drawn
// before then is held, and shown once it has: shown at once, its swap would
// wait inside the toolkit and hold up the program's every other view with it.
// Each frame advances the field by the 10 ms ticks passed since the last
// frame, carrying the remainder: at least one, so no two frames show the same
// positions, and at most ten, so a stalled machine never makes the hearts jump
// more than a unit.
class FramePace
{
public:
    static constexpr std::int64_t tickNs = 10'000'000;
    static constexpr int maxTicksPerFrame = 10;

    explicit FramePace(bool displaySaysWhenTaken)
        : pacedByDisplay(displaySaysWhenTaken)
    {
    }

    // The timer asks for a frame: whether to draw one now, which is not while
    // the last is held.
    bool frameAsked() const { return !held; }
    // A frame is drawn: whether to show it now, or hold it.
    bool showNow()
    {
        held = awaitingDisplay;
        if (!held)
            awaitingDisplay = pacedByDisplay;
        return !held;
    }
    bool awaitsDisplay() const { return awaitingDisplay; }
    // The display has taken the last frame: whether to show the one held.
    bool displayReady()
    {
        const bool show = held;
        awaitingDisplay = show && pacedByDisplay;
        held = false;
        return show;
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
    bool held = false;
    std::int64_t lastFrameNs = -1; // none since the last rest
    std::int64_t carriedNs = 0;
    std::int64_t rateSinceNs = -1;
    int framesSince = 0;
    int ticksSince = 0;
};
