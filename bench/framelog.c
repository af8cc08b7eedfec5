// SPDX-License-Identifier: MIT
// Preloaded into the program (LD_PRELOAD), notes for each frame of each view
// when its first heart is drawn and at what height: the first glTranslated
// after the frame's glClear. One line a frame, "context seconds y", into the
// file HEARTS_FRAMELOG names; bench/smoothness.sh reads them.
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static void *cleared; // the context whose frame was cleared last, until its first heart

// The current context, EGL's (Wayland) or else GLX's, to tell views apart.
static void *currentContext(void)
{
    static void *(*egl)(void);
    static void *(*glx)(void);
    static int looked;
    if (!looked) {
        void *library = dlopen("libEGL.so.1", RTLD_LAZY | RTLD_NOLOAD);
        egl = library ? (void *(*)(void))dlsym(library, "eglGetCurrentContext") : NULL;
        glx = (void *(*)(void))dlsym(RTLD_DEFAULT, "glXGetCurrentContext");
        looked = egl != NULL; // EGL may come later, with the first window
    }
    void *context = egl ? egl() : NULL;
    return context ? context : glx ? glx() : NULL;
}

void glClear(GLbitfield mask)
{
    static void (*real)(GLbitfield);
    if (!real)
        real = (void (*)(GLbitfield))dlsym(RTLD_NEXT, "glClear");
    cleared = currentContext();
    real(mask);
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z)
{
    static void (*real)(GLdouble, GLdouble, GLdouble);
    static FILE *out;
    if (!real)
        real = (void (*)(GLdouble, GLdouble, GLdouble))dlsym(RTLD_NEXT, "glTranslated");
    if (cleared) {
        if (!out && (out = fopen(getenv("HEARTS_FRAMELOG") ? getenv("HEARTS_FRAMELOG") : "/dev/null", "w")))
            setvbuf(out, NULL, _IOLBF, 0);
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (out)
            fprintf(out, "%p %.6f %.9f\n", cleared, now.tv_sec + now.tv_nsec / 1e9, y);
        cleared = NULL;
    }
    real(x, y, z);
}
