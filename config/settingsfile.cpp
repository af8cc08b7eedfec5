// SPDX-License-Identifier: MIT
#include "settingsfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <cstdint>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
constexpr std::size_t heartCountOffset = 0;
constexpr std::size_t showFrameOffset = 4;
constexpr std::size_t nearDistanceOffset = 8;
constexpr std::size_t farDistanceOffset = 12;

void putInt32(unsigned char *out, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(u >> (8 * i));
}

std::int32_t getInt32(const unsigned char *in)
{
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= std::uint32_t(in[i]) << (8 * i);
    // Two's complement on every platform Qt supports.
    return static_cast<std::int32_t>(u);
}

// Reads up to size bytes from the start of name, which must be a regular file;
// returns how many arrived, or -1.
qint64 readRegularFile(const QString &name, unsigned char *buffer, qint64 size)
{
#ifdef Q_OS_UNIX
    // Something else may be renamed over the name after isFile() looked, so
    // the type is checked again on what was actually opened. O_NONBLOCK keeps
    // the open itself from waiting for a FIFO's writer.
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    qint64 got = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd, buffer + got, std::size_t(size - got));
            if (n > 0)
                got += n;
            else if (n == 0)
                break;
            else if (errno != EINTR) {
                got = -1;
                break;
            }
        }
    }
    ::close(fd);
    return got;
#else
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.read(reinterpret_cast<char *>(buffer), size);
#endif
}

// Empties name and writes size bytes to it in place, creating it if missing;
// only a regular file is written. Says why not in why.
bool rewriteRegularFile(const QString &name, const unsigned char *bytes, qint64 size, QString &why)
{
    const QString notAFile = QStringLiteral("it is not a regular file");
#ifdef Q_OS_UNIX
    // QSaveFile's own fallback would open a FIFO at the name and wait there for
    // a reader; O_NONBLOCK fails at once instead, and fstat turns away anything
    // else that is not a regular file before it is emptied.
    const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        why = errno == ENXIO ? notAFile : qt_error_string(errno);
        return false;
    }
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok)
        why = notAFile;
    if (ok && ::ftruncate(fd, 0) != 0) {
        why = qt_error_string(errno);
        ok = false;
    }
    qint64 put = 0;
    while (ok && put < size) {
        const ssize_t n = ::write(fd, bytes + put, std::size_t(size - put));
        if (n > 0)
            put += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else {
            why = qt_error_string(n < 0 ? errno : ENOSPC); // nothing taken: no room
            ok = false;
        }
    }
    if (::close(fd) != 0 && ok) {
        why = qt_error_string(errno);
        ok = false;
    }
    return ok;
#else
    if (QFileInfo(name).exists() && !QFileInfo(name).isFile()) {
        why = notAFile;
        return false;
    }
    QFile file(name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(reinterpret_cast<const char *>(bytes), size) == size && file.flush())
        return true;
    why = file.errorString();
    return false;
#endif
}
} // namespace

void encodeSettings(const HeartSettings &settings, unsigned char out[settingsFileSize])
{
    for (std::size_t i = 0; i < settingsFileSize; ++i)
        out[i] = 0;
    putInt32(out + heartCountOffset, settings.heartCount);
    out[showFrameOffset] = settings.showFrame ? 1 : 0;
    putInt32(out + nearDistanceOffset, settings.nearDistance);
    putInt32(out + farDistanceOffset, settings.farDistance);
}

HeartSettings decodeSettings(const unsigned char *bytes, std::size_t size, HeartSettings prior)
{
    HeartSettings s = prior;
    if (size >= heartCountOffset + 4)
        s.heartCount = getInt32(bytes + heartCountOffset);
    if (size >= showFrameOffset + 1)
        s.showFrame = bytes[showFrameOffset] != 0;
    if (size >= nearDistanceOffset + 4)
        s.nearDistance = getInt32(bytes + nearDistanceOffset);
    if (size >= farDistanceOffset + 4)
        s.farDistance = getInt32(bytes + farDistanceOffset);
    return s;
}

bool readSettingsFile(const char *fileName, HeartSettings &settings)
{
    return readSettingsFile(QFile::decodeName(fileName), settings);
}

bool readSettingsFile(const QString &name, HeartSettings &settings)
{
    // Opening a FIFO for reading blocks until a writer comes, and a device may
    // never end: look before opening. isFile() follows symlinks, so a link to
    // a regular file still counts and a dangling one does not.
    if (!QFileInfo(name).isFile())
        return false;
    unsigned char bytes[settingsFileSize];
    const qint64 got = readRegularFile(name, bytes, qint64(settingsFileSize));
    if (got < 0)
        return false;
    settings = decodeSettings(bytes, std::size_t(got), settings);
    return true;
}

bool writeSettingsFile(const char *fileName, const HeartSettings &settings)
{
    return writeSettingsFile(QFile::decodeName(fileName), settings);
}

bool writeSettingsFile(const QString &name, const HeartSettings &settings, QString *why)
{
    unsigned char bytes[settingsFileSize];
    encodeSettings(settings, bytes);
    QString reason;
    QSaveFile file(name);
    bool saved = false;
    if (!file.open(QIODevice::WriteOnly)) {
        // No temporary file can be made beside it, as in a folder the user
        // may not write to: a plain overwrite can still save where the file
        // itself is writable.
        saved = rewriteRegularFile(name, bytes, qint64(settingsFileSize), reason);
    } else {
        // Without commit() the temporary file is discarded and the old one stays.
        saved = file.write(reinterpret_cast<const char *>(bytes), qint64(settingsFileSize))
                    == qint64(settingsFileSize)
                && file.commit();
        if (!saved)
            reason = file.errorString();
    }
    if (why)
        *why = reason;
    return saved;
}
