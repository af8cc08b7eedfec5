// SPDX-License-Identifier: MIT
#include "windowsystem.h"

#include "hackcommand.h"

#include <QByteArray>
#include <QCursor>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct HeldMessage
{
    QtMsgType type;
    const char *file, *function, *category; // Qt's own literals
    int line;
    QString text;
};

QtMessageHandler passOn = nullptr;
std::vector<HeldMessage> held;

QByteArray described(const char *variable)
{
    return qEnvironmentVariableIsEmpty(variable) ? QByteArray(variable) + " is not set"
                                                 : QByteArray(variable) + '=' + qgetenv(variable);
}

void holdOrEnd(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        held.push_back({type, context.file, context.function, context.category, context.line, text});
        return;
    }
    std::fprintf(stderr,
                 "hearts: no display to draw on (%s, %s): set DISPLAY to a running X server or "
                 "WAYLAND_DISPLAY to a running Wayland compositor\n",
                 described("DISPLAY").constData(), described("WAYLAND_DISPLAY").constData());
    std::fflush(stderr);
    std::_Exit(1); // Qt is half started: nothing to tidy, and no core to leave
}

} // namespace

void choosePlatform(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    const bool hack = argc > 1 && isHackArgument(argv[1]);
    qputenv("QT_QPA_PLATFORM", hack ? "xcb;wayland" : "wayland;xcb");
}

void expectDisplay()
{
    passOn = qInstallMessageHandler(holdOrEnd);
}

void displayFound()
{
    qInstallMessageHandler(passOn);
    for (const HeldMessage &m : held)
        passOn(m.type, QMessageLogContext(m.file, m.line, m.function, m.category), m.text);
    held.clear();
}

QCursor invisibleCursor()
{
    QPixmap clear(16, 16);
    clear.fill(Qt::transparent);
    return QCursor(clear);
}
