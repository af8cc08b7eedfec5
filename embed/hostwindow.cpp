// SPDX-License-Identifier: MIT
#include "hostwindow.h"

#include <QWidget>
#include <QWindow>

void HostWindow::embed(QWidget *v)
{
    view = v;
    // A child of the X root window is a top-level one, which the window
    // manager would frame and move: over the root, the view bypasses it. A
    // preview leaves the keyboard where it was.
    view->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus
                         | (isRoot ? Qt::X11BypassWindowManagerHint : Qt::WindowFlags()));
    view->setAttribute(Qt::WA_ShowWithoutActivating);
    // Owned here, and this object by the view: the view's native window is a
    // child of the foreign one and must not outlive it.
    setParent(view);
    QWindow *foreign = QWindow::fromWinId(WId(window));
    static_cast<QObject *>(foreign)->setParent(this);
    view->winId();
    watchView();
    view->windowHandle()->setParent(foreign);
    fit();
    view->show();
    watchHost();
}

void HostWindow::fit()
{
    // Qt places the view in its own pixels, which a scale factor makes fewer.
    const qreal scale = view->devicePixelRatioF();
    view->setGeometry(0, 0, qRound(size.width() / scale), qRound(size.height() / scale));
}
