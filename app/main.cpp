// SPDX-License-Identifier: MIT
#include "appicon.h"
#include "hackcommand.h"
#include "runmode.h"
#include "screensaverviews.h"
#include "windowsystem.h"
#include "config/configdialog.h"
#include "config/settingsfile.h"
#include "config/settingslocation.h"
#include "view/myglwidget.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <cstdio>

#ifdef HEARTS_EMBED
#include "embed/hostwindow.h"

#include <memory>
#endif
#ifdef Q_OS_WIN
#include "embed/ownerwindow.h"
#endif

#ifdef HEARTS_X11
#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

// A screen-saver daemon's hack: the view fills a window the daemon owns, and
// the daemon, not input, ends it (SIGTERM, or destroying that window).
int runHack(int argc, char **argv)
{
    // The daemon stops a hack with SIGTERM, at any moment, and expects it gone
    // at once with status 0.
    std::signal(SIGTERM, [](int) { ::_exit(0); });

    const HackCommand hack = hackCommandFor(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    std::string error = hack.error;
    std::unique_ptr<HostWindow> host;
    if (error.empty()) {
        host = std::make_unique<HostWindow>(hack.window);
        error = host->error();
    }
    if (!error.empty()) {
        std::fprintf(stderr, "hearts: %s\n", error.c_str());
        return 1;
    }

    auto *view = new MyGLWidget(false);
    view->loadSettings("KestaConfig.dat");
    view->applySettings(withHackOptions(view->settings(), hack));
    host.release()->embed(view); // the view owns it from here
    return QApplication::exec();
}

} // namespace
#endif

#ifdef Q_OS_WIN
namespace {

// Windows' preview: the view fills the small picture in the screen-saver
// settings, ignores input like the window does, and ends with its host.
int runPreview(quintptr window)
{
    auto host = std::make_unique<HostWindow>(window);
    if (!host->error().empty())
        return 0; // as for any argument the program does not know
    auto *view = new MyGLWidget(false);
    view->loadSettings("KestaConfig.dat");
    host.release()->embed(view); // the view owns it from here
    return QApplication::exec();
}

} // namespace
#endif

int main(int argc, char **argv)
{
    // Answered before anything that needs a display.
    const char *first = argc > 1 ? argv[1] : nullptr;
    if (const char *answer = answerFor(first)) {
        std::fputs(answer, stdout);
        return 0;
    }
    // Any other argument ends the program before Qt looks for a display.
#ifdef Q_OS_WIN
    const bool previews = true; // "/p" is Windows' alone
#else
    const bool previews = false;
#endif
    if (endsAtOnce(first, previews))
        return 0;
    // Qt picks its platform plugin as the application starts.
    choosePlatform(argc, argv);
    // Names the user's own settings folder, whatever the program file is called.
    QCoreApplication::setApplicationName(QStringLiteral("hearts"));
    // Qt takes out the options it handles first, so "-reverse /s" still means /s.
    expectDisplay();
    QApplication app(argc, argv);
    displayFound();
    // The windows' icon, in the title bar and the taskbar: the icon files' own.
    QIcon icon;
    for (int size : AppIcon::sizes) {
        const std::vector<unsigned char> pixels = AppIcon::rgba(size);
        icon.addPixmap(QPixmap::fromImage(QImage(pixels.data(), size, size, QImage::Format_RGBA8888).copy()));
    }
    QApplication::setWindowIcon(icon);

#ifdef HEARTS_X11
    if (argc > 1 && isHackArgument(argv[1]) && QGuiApplication::platformName() == QLatin1String("xcb"))
        return runHack(argc, argv);
#endif
#ifdef Q_OS_WIN
    if (const quintptr window = previewWindowFor(argc, argv))
        return runPreview(window);
#endif

    // The top-level window is never deleted: it lives until the process ends.
    QWidget *topLevel = nullptr;
    switch (runModeFor(argc > 1 ? argv[1] : nullptr)) {
    case RunMode::Windowed: {
        auto *view = new MyGLWidget(false);
        view->loadSettings("KestaConfig.dat");
        // The view has no size of its own: left to the platform, Windows
        // gives it a tiny default. X11 gives this size too.
        view->resize(640, 480);
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
        readSettingsFile(settingsFileToRead("KestaConfig.dat"), settings);
        auto *views = new ScreenSaverViews(settings);
        views->showOnEveryScreen();
        return app.exec();
    }
    case RunMode::Configure:
        // Shown modeless: the application's event loop alone runs it.
        topLevel = new ConfigDialog("KestaConfig.dat", nullptr);
#ifdef Q_OS_WIN
        showOwnedBy(topLevel, ownerWindowFor(argv[1]));
        return app.exec();
#else
        break; // the settings' window, if given, means nothing here
#endif
    case RunMode::Unrecognised:
        return 0;
    }

    topLevel->show();
    return app.exec();
}
