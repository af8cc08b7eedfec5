// SPDX-License-Identifier: MIT
#pragma once

#include "config/heartsettings.h"
#include "framepace.h"
#include "glwidgetbase.h"
#include "heartfield.h"
#include "movecount.h"

#include <QColor>
#include <QElapsedTimer>

#include <vector>

class QTimer;

// The OpenGL view: a field of lit hearts falling through a fixed 4:3 picture,
// centred in a window of any shape. In screen-saver mode any key, any button
// or a second mouse move ends the event loop.
class MyGLWidget : public GLWidgetBase
{
    Q_OBJECT

public:
    explicit MyGLWidget(bool screenSaverMode, QWidget *parent = nullptr);
    ~MyGLWidget() override;

    // Takes the settings as the dialog would show them (see withinLimits), so
    // no file can make the field hang or divide by zero. Call before showing.
    void applySettings(const HeartSettings &settings);
    HeartSettings settings() const;
    // Reads the settings file of that name (settingslocation.h says where it
    // is) once, before the view is first shown. Whatever sits there, what
    // cannot be read keeps its present value.
    void loadSettings(const char *fileName);

    // For tests: the source of every random draw (rand() unless replaced).
    void setRandomSource(HeartField::RandomSource source) { random = source; }
    const std::vector<HeartInstance> &field() const { return hearts; }
    // Where the latest frame drew heart i, between the field's last two ticks.
    HeartField::Pose drawnPose(std::size_t i) const { return HeartField::between(starts[i], hearts[i], shownFraction); }

    // Counts this view's mouse moves with other views' (the screen saver's on
    // every monitor) instead of on its own. The count must outlive the view.
    void countMovesWith(MoveCount *shared) { moves = shared; }

protected slots:
    // The timer: the next frame, unless the display paces them.
    void animate();

protected:
    // Runs that many ticks (each: every heart falls, then turns a degree) and
    // draws the field that fraction of the way through the last of them.
    void step(int ticks, double fraction = 1.0);
    // The moment the latest frame shows, in nanoseconds of the view's clock.
    qint64 frameNs() const { return lastFrameNs; }
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createHearts();
    void drawFrame();
    Frustum frustum() const { return {nearDistance, farDistance, fieldOfView, aspectRatio}; }

    std::vector<HeartInstance> hearts;
    std::vector<HeartField::TickStart> starts; // one a heart, as the last tick found it
    double shownFraction = 1.0;
    QColor heartColors[HeartField::paletteSize];
    QTimer *animationTimer;
    int animationInterval;
    FramePace pace;
    QElapsedTimer wallClock;
    qint64 lastFrameNs = 0;
    bool displayPaces;
    bool awaitingDisplay = false;
    int heartCount;
    bool showFrame;
    int nearDistance;
    int farDistance;
    double fieldOfView;
    double aspectRatio;
    MoveCount ownMoves;
    MoveCount *moves;
    bool screenSaverMode;
    HeartField::RandomSource random;
};
