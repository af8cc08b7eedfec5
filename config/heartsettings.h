// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The four user settings, with their defaults.
struct HeartSettings
{
    std::int32_t heartCount = 80;
    bool showFrame = false;
    std::int32_t nearDistance = 10;
    std::int32_t farDistance = 100;
};

// What the dialog lets a user choose. The distance ranges fit the gap exactly:
// 985 = 1000 - 15 and 16 = 1 + 15.
namespace SettingsLimits {
constexpr int minHeartCount = 1;
constexpr int maxHeartCount = 5000;
constexpr int minNearDistance = 1;
constexpr int maxNearDistance = 985;
constexpr int minFarDistance = 16;
constexpr int maxFarDistance = 1000;
constexpr int distanceGap = 15;
} // namespace SettingsLimits

// The values as the dialog shows them after loading s: each clamped to its
// range, then near lowered to keep the gap below far. Whatever a settings file
// holds, the result lets the heart field be built without hanging or taking a
// remainder by zero.
HeartSettings withinLimits(HeartSettings s);
