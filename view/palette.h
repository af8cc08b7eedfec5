// SPDX-License-Identifier: MIT
#pragma once

// The hearts' colours, red, green and blue from 0 to 255: each heart is drawn
// in one of them, and the program's icon in the first.
namespace HeartPalette {

constexpr int rgb[][3] = {
    {255, 128, 128}, {255, 255, 128}, {128, 255, 128}, {0, 255, 128},
    {128, 255, 255}, {0, 128, 255},   {255, 128, 192}, {255, 128, 255},
};

} // namespace HeartPalette
