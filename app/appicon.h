// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

// The program's icon: the heart's own outline, filled with the palette's first
// colour on a transparent square. No toolkit here: the build draws the icon
// files with it, and the program its windows' icon.
namespace AppIcon {

// The sizes Windows and the desktops' icon themes ask for, in pixels.
constexpr int sizes[] = {16, 24, 32, 48, 256};

// size x size pixels, each red, green, blue and alpha (not premultiplied),
// row by row from the top.
std::vector<unsigned char> rgba(int size);

} // namespace AppIcon
