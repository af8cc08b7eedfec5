// SPDX-License-Identifier: MIT
#pragma once

#include "config/heartsettings.h"
#include "view/movecount.h"

#include <QObject>
#include <QRect>

#include <vector>

class MyGLWidget;
class QScreen;

// The screen saver's views: one full-screen view on every monitor the window
// system reports, each with its own field built from the same settings, all
// ended by the same input. Views follow monitors plugged in or unplugged while
// the saver runs.
class ScreenSaverViews : public QObject
{
    Q_OBJECT

public:
    explicit ScreenSaverViews(const HeartSettings &settings, QObject *parent = nullptr);
    ~ScreenSaverViews() override;

    // Puts a view on every monitor there is now.
    void showOnEveryScreen();

    int count() const { return int(views.size()); }
    // The view on that monitor, or null.
    MyGLWidget *viewOn(const QScreen *screen) const;

public slots:
    void addScreen(QScreen *screen);
    void removeScreen(QScreen *screen);

private:
    struct View
    {
        QScreen *screen;
        MyGLWidget *widget;
        QRect placedAt; // the monitor's place when the view was put there
    };

    void place(View &view);
    void followScreensLater();
    void followScreens();

    const HeartSettings settings; // read once, shared by every view
    MoveCount moves;
    std::vector<View> views;
};
