// SPDX-License-Identifier: MIT
/* A pointer for the tests' own Wayland compositor: a virtual pointer (sway)
 * or KWin's fake input, that reads what to do from standard input, one
 * command a line, and answers each with "done" once the compositor has had it:
 *   to X Y W H   move to (X, Y) of a W x H layout of all outputs
 *   by DX DY     move by (DX, DY) pixels
 *   click        press and release the left button
 *   key CODE     press and release a key (KWin only: sway's tests use wtype)
 * Its pointer lives as long as it runs. */
#include "fake-input-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static struct zwlr_virtual_pointer_manager_v1 *manager;
static struct org_kde_kwin_fake_input *fake;
static struct zwlr_virtual_pointer_v1 *pointer;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version)
{
    (void)data;
    if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fake = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
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

static void button(uint32_t state)
{
    if (fake)
        org_kde_kwin_fake_input_button(fake, BTN_LEFT, state);
    else
        zwlr_virtual_pointer_v1_button(pointer, now(), BTN_LEFT, state);
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
    if (manager)
        pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, NULL);
    else if (fake)
        org_kde_kwin_fake_input_authenticate(fake, "hearts tests", "input for the tests");
    else {
        fprintf(stderr, "virtualpointer: the compositor has no virtual pointers\n");
        return 1;
    }

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        unsigned x, y, w, h, key;
        int dx, dy;
        if (sscanf(line, "to %u %u %u %u", &x, &y, &w, &h) == 4 && fake) {
            /* KWin takes a place in its layout */
            org_kde_kwin_fake_input_pointer_motion_absolute(fake, wl_fixed_from_int(x), wl_fixed_from_int(y));
        } else if (sscanf(line, "to %u %u %u %u", &x, &y, &w, &h) == 4) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), x, y, w, h);
        } else if (sscanf(line, "by %d %d", &dx, &dy) == 2 && fake) {
            org_kde_kwin_fake_input_pointer_motion(fake, wl_fixed_from_int(dx), wl_fixed_from_int(dy));
        } else if (sscanf(line, "by %d %d", &dx, &dy) == 2) {
            zwlr_virtual_pointer_v1_motion(pointer, now(), wl_fixed_from_int(dx), wl_fixed_from_int(dy));
        } else if (strncmp(line, "click", 5) == 0) {
            button(WL_POINTER_BUTTON_STATE_PRESSED);
            if (pointer)
                zwlr_virtual_pointer_v1_frame(pointer);
            button(WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (sscanf(line, "key %u", &key) == 1 && fake) {
            org_kde_kwin_fake_input_keyboard_key(fake, key, WL_KEYBOARD_KEY_STATE_PRESSED);
            org_kde_kwin_fake_input_keyboard_key(fake, key, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else {
            fprintf(stderr, "virtualpointer: unknown command: %s", line);
            return 1;
        }
        if (pointer)
            zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0)
            return 1;
        printf("done\n");
        fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
