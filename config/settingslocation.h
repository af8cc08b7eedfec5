// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// Where the settings file, by its name (in practice "KestaConfig.dat", in the
// current directory), is read and saved. Where it can be saved as named (a
// file made in its folder really takes the settings, or the file itself can
// be written) it is that file. Where it cannot, as in the system folder
// Windows starts a screen saver in, a working folder that was deleted or a
// full disk, it is the file of that name in the user's own settings folder,
// so that what the dialog saves reaches every mode from any folder. Until
// that file exists, a readable one as named is read.
QString settingsFileToRead(const char *fileName);

// The files a save tries, in turn: the one above, and after the file as
// named the user's own, should the save there fail after all.
QStringList settingsFilesToSave(const char *fileName);

// The file's full path, to tell the user where it is. The system gives no
// path for a working folder that was deleted, but Linux still says where it
// was.
QString fullPathOf(const QString &file);
