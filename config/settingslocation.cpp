// SPDX-License-Identifier: MIT
#include "settingslocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <QTemporaryFile>
#else
#include <unistd.h>
#endif

namespace {

bool canBeWritten(const QString &path, bool folder)
{
#ifdef Q_OS_WIN
    // Qt reads only the read-only attribute here, not the folder's access
    // rights, which is what keeps a standard user out of a system folder:
    // try it, leaving nothing behind.
    if (folder) {
        QTemporaryFile probe(QDir(path).filePath(QStringLiteral("KestaConfig.XXXXXX")));
        return probe.open();
    }
    return QFile(path).open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly);
#else
    // Asked of the system, not tried: a FIFO at the name would block an open.
    return ::access(QFile::encodeName(path).constData(), folder ? W_OK | X_OK : W_OK) == 0;
#endif
}

bool canBeSavedAsNamed(const QString &named)
{
    const QFileInfo file(named);
    return (file.isFile() && canBeWritten(file.absoluteFilePath(), false)) || canBeWritten(file.absolutePath(), true);
}

QString inUserFolder(const QString &named)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return QDir(folder).filePath(QFileInfo(named).fileName());
}

} // namespace

QString settingsFileToRead(const char *fileName)
{
    const QString named = QFile::decodeName(fileName);
    if (canBeSavedAsNamed(named))
        return named;
    const QString own = inUserFolder(named);
    return QFileInfo::exists(own) || !QFileInfo(named).isReadable() ? own : named;
}

QString settingsFileToSave(const char *fileName)
{
    const QString named = QFile::decodeName(fileName);
    return canBeSavedAsNamed(named) ? named : inUserFolder(named);
}
