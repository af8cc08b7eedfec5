#include "screensaverviews.h"

#include "view/myglwidget.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>

ScreenSaverViews::ScreenSaverViews(const HeartSettings &settings, QObject *parent)
    : QObject(parent)
    , settings(settings)
{
    // Qt moves the windows of a monitor that goes to the one left; the saver
    // removes its view first, so no two views end up stacked on one monitor.
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &ScreenSaverViews::addScreen);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &ScreenSaverViews::removeScreen);
}

ScreenSaverViews::~ScreenSaverViews()
{
    for (const View &v : views)
        delete v.widget;
}

void ScreenSaverViews::showOnEveryScreen()
{
    for (QScreen *screen : QGuiApplication::screens())
        addScreen(screen);
}

MyGLWidget *ScreenSaverViews::viewOn(const QScreen *screen) const
{
    for (const View &v : views)
        if (v.screen == screen)
            return v.widget;
    return nullptr;
}

void ScreenSaverViews::addScreen(QScreen *screen)
{
    if (!screen || viewOn(screen))
        return;
    auto *view = new MyGLWidget(true);
    view->applySettings(settings);
    view->countMovesWith(&moves);
    // Placed on its monitor first: an X11 window manager makes a window full
    // screen on the monitor it lies on, Windows on the screen Qt has bound it
    // to, which is the primary one unless named.
    view->setGeometry(screen->geometry());
    view->winId();
    view->windowHandle()->setScreen(screen);
    view->showFullScreen();
    view->setCursor(QCursor(Qt::BlankCursor));
    views.push_back({screen, view});
    // A monitor's place changes when one beside it comes or goes: its view
    // follows, or it would be left over the newcomer.
    connect(screen, &QScreen::geometryChanged, view, [view](const QRect &g) { view->setGeometry(g); });
}

void ScreenSaverViews::removeScreen(QScreen *screen)
{
    const auto it = std::find_if(views.begin(), views.end(),
                                 [screen](const View &v) { return v.screen == screen; });
    if (it == views.end())
        return;
    MyGLWidget *view = it->widget;
    views.erase(it);
    const bool hadFocus = view->isActiveWindow();
    delete view;
    // Keys go to the focused view: one must stay focused.
    if (hadFocus && !views.empty())
        views.front().widget->activateWindow();
}
