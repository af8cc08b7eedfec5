#include "settingsfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <cstdint>

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

QString nativeName(const char *fileName)
{
    return QFile::decodeName(fileName);
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
    const QString name = nativeName(fileName);
    // Opening a FIFO for reading blocks until a writer comes, and a device may
    // never end: look before opening. isFile() follows symlinks, so a link to
    // a regular file still counts and a dangling one does not.
    if (!QFileInfo(name).isFile())
        return false;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    unsigned char bytes[settingsFileSize];
    const qint64 got = file.read(reinterpret_cast<char *>(bytes), qint64(settingsFileSize));
    if (got < 0)
        return false;
    settings = decodeSettings(bytes, std::size_t(got), settings);
    return true;
}

bool writeSettingsFile(const char *fileName, const HeartSettings &settings)
{
    unsigned char bytes[settingsFileSize];
    encodeSettings(settings, bytes);
    QSaveFile file(nativeName(fileName));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Without commit() the temporary file is discarded and the old one stays.
    if (file.write(reinterpret_cast<const char *>(bytes), qint64(settingsFileSize))
        != qint64(settingsFileSize))
        return false;
    return file.commit();
}
