// SPDX-License-Identifier: MIT
#include "hostwindow.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QTimer>
#include <QWidget>

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {
// Ends the process when the view's window is destroyed: Windows destroys a
// child with its parent, whichever process owns either. Drawing on after that
// would only draw into a window that is no more.
class ViewDestroyed : public QAbstractNativeEventFilter
{
public:
    explicit ViewDestroyed(HWND view) : view(view) {}
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
#else
    bool nativeEventFilter(const QByteArray &, void *message, long *) override
#endif
    {
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->hwnd == view && msg->message == WM_DESTROY)
            std::_Exit(0);
        return false;
    }

private:
    HWND view;
};
} // namespace

// Another process's window tells this one neither of its resizes nor of its
// end, so it is looked at ten times a second.
struct HostWindow::Native
{
    HWND host = nullptr;
    std::unique_ptr<ViewDestroyed> filter;
};

HostWindow::HostWindow(quintptr id, QObject *parent) : QObject(parent), window(id), native(new Native)
{
    native->host = reinterpret_cast<HWND>(id);
    RECT client;
    if (!id || !IsWindow(native->host) || !GetClientRect(native->host, &client)) {
        failure = "window " + std::to_string(id) + " does not exist";
        return;
    }
    size = QSize(client.right - client.left, client.bottom - client.top);
}

HostWindow::~HostWindow()
{
    if (native->filter)
        QAbstractEventDispatcher::instance()->removeNativeEventFilter(native->filter.get());
}

void HostWindow::watchView()
{
    native->filter = std::make_unique<ViewDestroyed>(reinterpret_cast<HWND>(view->winId()));
    QAbstractEventDispatcher::instance()->installNativeEventFilter(native->filter.get());
}

void HostWindow::watchHost()
{
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &HostWindow::readEvents);
    timer->start(100);
}

void HostWindow::readEvents()
{
    RECT client;
    if (!IsWindow(native->host) || !GetClientRect(native->host, &client))
        std::_Exit(0);
    const QSize now(client.right - client.left, client.bottom - client.top);
    if (now != size) {
        size = now;
        fit();
    }
}
