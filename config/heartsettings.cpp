// SPDX-License-Identifier: MIT
#include "heartsettings.h"

#include <algorithm>

HeartSettings withinLimits(HeartSettings s)
{
    using namespace SettingsLimits;
    s.heartCount = std::clamp<std::int32_t>(s.heartCount, minHeartCount, maxHeartCount);
    s.farDistance = std::clamp<std::int32_t>(s.farDistance, minFarDistance, maxFarDistance);
    s.nearDistance = std::clamp<std::int32_t>(s.nearDistance, minNearDistance, maxNearDistance);
    s.nearDistance = std::min(s.nearDistance, s.farDistance - distanceGap);
    return s;
}
