/* A pointer for the tests' own Wayland compositor: a virtual pointer that
 * reads what to do from standard input, one command a line, and answers each
 * with "done" once the compositor has had it:
 *   to X Y W H   move to (X, Y) of a W x H layout of all outputs
 *   by DX DY     move by (DX, DY) pixels
 *   click        press and release the left button
 * Its pointer lives as long as it runs. */
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static struct zwlr_virtual_pointer_manager_v1 *manager;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version)
{
    (void)data;
    (void)version;
    if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}

static void globalRemove(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static uint32_t now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

int main(void)
{
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "virtualpointer: no Wayland display\n");
        return 1;
    }
    static const struct wl_registry_listener listener = {global, globalRemove};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "virtualpointer: the compositor has no virtual pointers\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1 *pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, NULL);

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        unsigned x, y, w, h;
        int dx, dy;
        if (sscanf(line, "to %u %u %u %u", &x, &y, &w, &h) == 4) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), x, y, w, h);
        } else if (sscanf(line, "by %d %d", &dx, &dy) == 2) {
            zwlr_virtual_pointer_v1_motion(pointer, now(), wl_fixed_from_int(dx), wl_fixed_from_int(dy));
        } else if (strncmp(line, "click", 5) == 0) {
            zwlr_virtual_pointer_v1_button(pointer, now(), BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, now(), BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            fprintf(stderr, "virtualpointer: unknown command: %s", line);
            return 1;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0)
            return 1;
        printf("done\n");
        fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
