// SPDX-License-Identifier: MIT
#include "appicon.h"

#include "geometry/heartshape.h"
#include "view/palette.h"

#include <algorithm>
#include <cmath>

namespace AppIcon {

std::vector<unsigned char> rgba(int size)
{
    HeartShape::Outline outline;
    HeartShape::buildOutline(outline);
    double left = 0, right = 0, bottom = 0, top = 0;
    for (const Vector3D &p : outline) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        bottom = std::min(bottom, p.y);
        top = std::max(top, p.y);
    }
    // The heart's wider side spans 7/8 of the square, centred, tip down.
    const double scale = size * 7.0 / 8.0 / std::max(right - left, top - bottom);
    for (Vector3D &p : outline) {
        p.x = size / 2.0 + (p.x - (left + right) / 2) * scale;
        p.y = size / 2.0 - (p.y - (bottom + top) / 2) * scale;
    }

    // Each pixel's share inside the outline: exact across, from 16 lines through
    // each row down, so that even 16 pixels give a smooth edge.
    constexpr int lines = 16;
    std::vector<double> cover(size_t(size) * size, 0.0);
    std::vector<double> crossings;
    for (int line = 0; line < size * lines; ++line) {
        const double y = (line + 0.5) / lines;
        crossings.clear();
        for (int k = 0; k < HeartShape::outlineSize; ++k) {
            const Vector3D &a = outline[k], &b = outline[(k + 1) % HeartShape::outlineSize];
            if ((a.y <= y) != (b.y <= y))
                crossings.push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y));
        }
        std::sort(crossings.begin(), crossings.end());
        double *row = &cover[size_t(line / lines) * size];
        for (size_t i = 0; i + 1 < crossings.size(); i += 2)
            for (int x = int(crossings[i]); x < size && x < crossings[i + 1]; ++x)
                row[x] += (std::min(x + 1.0, crossings[i + 1]) - std::max(double(x), crossings[i])) / lines;
    }

    const int *colour = HeartPalette::rgb[0];
    std::vector<unsigned char> pixels;
    for (double c : cover)
        for (int channel : {colour[0], colour[1], colour[2], int(std::lround(std::min(c, 1.0) * 255))})
            pixels.push_back(static_cast<unsigned char>(channel));
    return pixels;
}

} // namespace AppIcon
