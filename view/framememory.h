// SPDX-License-Identifier: MIT
#pragma once

// Keeps the memory the OpenGL driver frees at the end of each frame for the
// next frame, rather than giving it back to the system and taking it again.
// Once per process, before the first frame.
void keepFrameMemory();
