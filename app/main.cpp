#include "runmode.h"
#include "screensaverviews.h"
#include "config/configdialog.h"
#include "config/settingsfile.h"
#include "view/myglwidget.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // Qt takes out the options it handles first, so "-reverse /s" still means /s.
    QApplication app(argc, argv);

    // The top-level window is never deleted: it lives until the process ends.
    QWidget *topLevel = nullptr;
    switch (runModeFor(argc > 1 ? argv[1] : nullptr)) {
    case RunMode::Windowed: {
        auto *view = new MyGLWidget(false);
        view->loadSettings("KestaConfig.dat");
        topLevel = view;
        break;
    }
    case RunMode::ScreenSaver: {
        // Every X motion event is a move of its own. Compressed, a burst that
        // arrives while a slow frame is drawn counts as one move, the first,
        // which the view ignores: the saver would stay on.
        QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
        // Read once for every monitor's view. Like the other modes' windows,
        // the views are never deleted, and they are shown already.
        HeartSettings settings;
        readSettingsFile("KestaConfig.dat", settings);
        auto *views = new ScreenSaverViews(settings);
        views->showOnEveryScreen();
        return app.exec();
    }
    case RunMode::Configure:
        // Shown modeless: the application's event loop alone runs it.
        topLevel = new ConfigDialog("KestaConfig.dat", nullptr);
        break;
    case RunMode::Unrecognised:
        return 0;
    }

    topLevel->show();
    return app.exec();
}
