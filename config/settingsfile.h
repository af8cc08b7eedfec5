// SPDX-License-Identifier: MIT
#pragma once

#include "config/heartsettings.h"

#include <QString>

#include <cstddef>

// The settings file: 16 bytes, little-endian on every machine.
//   0..3   heartCount (signed 32-bit)
//   4      showFrame (0 false, anything else true)
//   5..7   padding, written as zeros, never read
//   8..11  nearDistance (signed 32-bit)
//   12..15 farDistance (signed 32-bit)
// There is no header or checksum; bytes after the sixteenth are ignored.
constexpr std::size_t settingsFileSize = 16;

void encodeSettings(const HeartSettings &settings, unsigned char out[settingsFileSize]);

// Each field the first size bytes do not wholly cover keeps prior's value.
// Nothing is clamped here: withinLimits does that for the view and the
// dialog's widget ranges for the dialog, and the two agree.
HeartSettings decodeSettings(const unsigned char *bytes, std::size_t size, HeartSettings prior);

// Decodes at most the first 16 bytes of fileName into settings. Only a regular
// file is read, so a FIFO or a device at that name cannot block or flood the
// reader; on Unix that holds even for one renamed over it at the last moment.
// Returns false, leaving settings alone, when nothing could be read.
bool readSettingsFile(const QString &fileName, HeartSettings &settings);
bool readSettingsFile(const char *fileName, HeartSettings &settings);

// Replaces fileName whole: the bytes go to a temporary file beside it, which is
// then renamed over it, so a failed write leaves the previous file intact.
// Where no temporary file can be made there, a regular file at the name is
// rewritten in place instead. Returns false on failure, with the system's
// reason in why if given.
bool writeSettingsFile(const QString &fileName, const HeartSettings &settings, QString *why = nullptr);
bool writeSettingsFile(const char *fileName, const HeartSettings &settings);
