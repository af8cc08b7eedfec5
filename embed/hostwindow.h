// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QSize>

#include <memory>
#include <string>

class QWidget;

// Another program's window that the view fills: an X11 screen-saver daemon's
// window or the root window, or a settings dialog's preview (xscreensaver's,
// or Windows' screen-saver settings). Qt gives a foreign window as a parent
// but reports neither its size nor its end: each system's part
// (hostwindow_xcb.cpp, hostwindow_windows.cpp) asks its window system.
class HostWindow : public QObject
{
    Q_OBJECT

public:
    // An X window id (0 is the root window of the default screen), or a
    // Windows window handle.
    explicit HostWindow(quintptr window, QObject *parent = nullptr);
    ~HostWindow() override;

    // Empty once the window is found and watched; otherwise why not, in one line.
    const std::string &error() const { return failure; }

    // Shows view as a child window covering the host, taking no focus, and
    // keeps it so as the host is resized. When the host is destroyed the
    // process ends at once with 0. The view takes ownership of this object.
    void embed(QWidget *view);

private:
    // The system's part.
    struct Native;
    void watchView(); // before the view goes into the host
    void watchHost(); // once it is shown there
    void readEvents(); // what the window system says of the host and the view

    // Sizes the view to the host's size, which is in device pixels.
    void fit();

    quintptr window = 0;
    bool isRoot = false;
    QSize size;
    QWidget *view = nullptr;
    std::unique_ptr<Native> native;
    std::string failure;
};
