// SPDX-License-Identifier: MIT
#pragma once

// OpenGL's header with what it needs first on each platform. Microsoft's gl.h
// uses the Windows calling convention and export macros without including
// <windows.h> itself (MinGW's includes it); Qt's own OpenGL headers put
// <windows.h> first for the same reason. Include this instead of <GL/gl.h>,
// and before <GL/glu.h>, which has the same need.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX // keep std::min and std::max usable
#endif
#include <windows.h>
#endif
#include <GL/gl.h>
