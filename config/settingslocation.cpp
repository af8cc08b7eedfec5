// SPDX-License-Identifier: MIT
#include "settingslocation.h"

#include "settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

bool fileCanBeWritten(const QString &path)
{
#ifdef Q_OS_WIN
    return QFile(path).open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly);
#else
    // Asked of the system, not tried: a FIFO at the name would block an open.
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
#endif
}

// Tried, leaving nothing behind: what the system says of a folder's access
// rights is not enough. Windows keeps a standard user out of a system folder
// by rights Qt does not read, and a folder that was deleted, or one on a full
// disk, still looks writable.
bool folderTakesTheFile(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("KestaConfig.XXXXXX")));
    const QByteArray settings(int(settingsFileSize), '\0');
    return probe.open() && probe.write(settings) == settings.size() && probe.flush();
}

bool canBeSavedAsNamed(const QString &named)
{
    // Relative to the working folder as it is, which may have no path.
    const QFileInfo file(named);
    return (file.isFile() && fileCanBeWritten(file.filePath())) || folderTakesTheFile(file.path());
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

QStringList settingsFilesToSave(const char *fileName)
{
    const QString named = QFile::decodeName(fileName);
    const QString own = inUserFolder(named);
    if (!canBeSavedAsNamed(named) || fullPathOf(named) == own)
        return {own};
    return {named, own};
}

QString fullPathOf(const QString &file)
{
    const QFileInfo info(file);
    if (info.isAbsolute() || !QDir::currentPath().isEmpty())
        return info.absoluteFilePath();
    QString folder = QFile::symLinkTarget(QStringLiteral("/proc/self/cwd"));
    const QString deleted = QStringLiteral(" (deleted)");
    if (folder.endsWith(deleted))
        folder.chop(deleted.size());
    return folder.isEmpty() ? file : QDir::cleanPath(folder + '/' + file);
}
