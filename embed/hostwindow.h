#pragma once

#include <QObject>
#include <QSize>

#include <cstdint>
#include <string>

class QSocketNotifier;
class QWidget;
class QWindow;
struct xcb_connection_t;

// Another client's X window that the view fills, as a screen-saver hack does:
// the daemon's window, a preview in a settings dialog, or the root window. Qt
// gives a foreign window as a parent but reports neither its size nor its end,
// so both are asked of the X server over a connection of this class's own.
class HostWindow : public QObject
{
    Q_OBJECT

public:
    // Window 0 is the root window of the default screen.
    explicit HostWindow(std::uint32_t window, QObject *parent = nullptr);
    ~HostWindow() override;

    // Empty once the window is found and watched; otherwise why not, in one line.
    const std::string &error() const { return failure; }

    // Shows view as a child window covering the host, with the host's cursor,
    // and keeps it so as the host is resized. When the host is destroyed the
    // process ends at once with 0. The view takes ownership of this object.
    void embed(QWidget *view);

private slots:
    void readEvents();

private:
    void fit();
    void keepSize(QSize viewSize);

    xcb_connection_t *connection = nullptr;
    std::uint32_t window = 0;
    std::uint32_t viewWindow = 0;
    bool isRoot = false;
    QSize size;
    QWindow *foreign = nullptr;
    QWidget *view = nullptr;
    QSocketNotifier *notifier = nullptr;
    std::string failure;
};
