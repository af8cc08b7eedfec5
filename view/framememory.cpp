// SPDX-License-Identifier: MIT
#include "framememory.h"

#include <cstdlib> // defines __GLIBC__ where it is glibc
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void keepFrameMemory()
{
#if defined(__GLIBC__)
    // A software driver allocates a frame's working storage and frees it when
    // the frame is done, at the top of the heap. Past glibc's trim threshold,
    // which is only raised once large blocks have come and gone, that memory
    // goes back to the kernel after every frame and is faulted in again for
    // the next: ten more brk calls and half a millisecond a frame at 80 hearts.
    // A threshold the environment sets is left as it is.
    const char *tunables = std::getenv("GLIBC_TUNABLES");
    if (std::getenv("MALLOC_TRIM_THRESHOLD_") || (tunables && std::strstr(tunables, "trim_threshold")))
        return;
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
}
