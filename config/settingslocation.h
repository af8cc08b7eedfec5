// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Where the settings file, by its name (in practice "KestaConfig.dat", in the
// current directory), is read and saved. Where it can be saved as named (its
// folder, or the file itself, can be written) it is that file. Where it cannot,
// as in the system folder Windows starts a screen saver in, it is the file of
// that name in the user's own settings folder, so that what the dialog saves
// reaches every mode from any folder. Until that file exists, a readable one
// as named is read.
QString settingsFileToRead(const char *fileName);
QString settingsFileToSave(const char *fileName);
