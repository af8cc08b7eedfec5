#include "windowsystem.h"

#include "hackcommand.h"

#include <QByteArray>
#include <QCursor>
#include <QPixmap>

void choosePlatform(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    const bool hack = argc > 1 && isHackArgument(argv[1]);
    qputenv("QT_QPA_PLATFORM", hack ? "xcb;wayland" : "wayland;xcb");
}

QCursor invisibleCursor()
{
    QPixmap clear(16, 16);
    clear.fill(Qt::transparent);
    return QCursor(clear);
}
