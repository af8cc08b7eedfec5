// SPDX-License-Identifier: MIT
#include "screensaverviews.h"

#include "monitorplace.h"
#include "windowsystem.h"
#include "view/myglwidget.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
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
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &ScreenSaverViews::followScreensLater);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &ScreenSaverViews::followScreensLater);
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
    view->setCursor(invisibleCursor());
    views.push_back({screen, view, QRect()});
    place(views.back());
    // A monitor's place changes when one beside it comes or goes; its view
    // must follow, or it would be left over the newcomer. Qt 6 may report
    // that only as a change of the whole desktop's size, or not at all but
    // by the monitor that came or went: every view is looked at once Qt has
    // taken in all the changes.
    connect(screen, &QScreen::geometryChanged, this, &ScreenSaverViews::followScreensLater);
    connect(screen, &QScreen::virtualGeometryChanged, this, &ScreenSaverViews::followScreensLater);
}

void ScreenSaverViews::place(View &v)
{
    // On its monitor: an X11 window manager makes a window full screen on the
    // monitor it lies on; Qt 6, and Windows, on the screen the window is bound
    // to, which is the primary one unless named. A Wayland window cannot place
    // itself: it names the output it is to fill.
    v.placedAt = monitorPlace(v.screen);
    v.widget->winId();
    v.widget->windowHandle()->setScreen(v.screen);
    v.widget->setGeometry(v.placedAt);
    v.widget->showFullScreen();
}

void ScreenSaverViews::followScreensLater()
{
    QTimer::singleShot(0, this, &ScreenSaverViews::followScreens);
}

void ScreenSaverViews::followScreens()
{
    for (View &v : views)
        if (monitorPlace(v.screen) != v.placedAt)
            place(v);
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
