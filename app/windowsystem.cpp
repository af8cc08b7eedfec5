#include "windowsystem.h"

#include "hackcommand.h"

#include <QByteArray>

void choosePlatform(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    const bool hack = argc > 1 && isHackArgument(argv[1]);
    qputenv("QT_QPA_PLATFORM", hack ? "xcb;wayland" : "wayland;xcb");
}
