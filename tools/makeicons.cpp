// SPDX-License-Identifier: MIT
// makeicons FOLDER: draws the program's icon at each of its sizes into
// FOLDER/hicolor/<size>x<size>/apps/hearts.png, as the desktops' icon theme
// has them, and all of them into FOLDER/hearts.ico for hearts.scr. The same
// pixels give the same bytes: no time or name is written.
#include "app/appicon.h"

#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// v in n bytes, the most significant first (PNG) or last (icon files).
void put(std::string &out, unsigned long v, int n, bool bigEndian)
{
    for (int i = 0; i < n; ++i)
        out += char(v >> 8 * (bigEndian ? n - 1 - i : i) & 0xff);
}

void chunk(std::string &png, const std::string &type, const std::string &data)
{
    const std::string body = type + data;
    put(png, data.size(), 4, true);
    png += body;
    put(png, crc32(0, reinterpret_cast<const Bytef *>(body.data()), body.size()), 4, true);
}

std::string png(int size)
{
    const std::vector<unsigned char> rgba = AppIcon::rgba(size);
    std::string raw;
    for (int y = 0; y < size; ++y) {
        raw += '\0'; // no filter
        raw.append(reinterpret_cast<const char *>(&rgba[size_t(y) * size * 4]), size_t(size) * 4);
    }
    uLongf length = compressBound(raw.size());
    std::string packed(length, '\0');
    compress2(reinterpret_cast<Bytef *>(&packed[0]), &length, reinterpret_cast<const Bytef *>(raw.data()),
              raw.size(), 9);
    packed.resize(length);
    std::string header;
    put(header, size, 4, true);
    put(header, size, 4, true);
    header += std::string("\x08\x06\0\0\0", 5); // 8 bits, RGBA, deflate, no filter, not interlaced
    std::string out = "\x89PNG\r\n\x1a\n";
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", packed);
    chunk(out, "IEND", "");
    return out;
}

bool write(const std::filesystem::path &path, const std::string &bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary);
    return bool(file << bytes);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: makeicons FOLDER\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    // An icon file of PNG images, as Windows has read them since Vista.
    constexpr int count = sizeof AppIcon::sizes / sizeof AppIcon::sizes[0];
    std::string directory, images;
    for (int v : {0, 1, count}) // reserved, an icon, how many
        put(directory, v, 2, false);
    for (int size : AppIcon::sizes) {
        const std::string image = png(size);
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        if (!write(folder / "hicolor" / name / "apps" / "hearts.png", image))
            return 1;
        for (unsigned long v : {size % 256UL, size % 256UL, 0UL, 0UL}) // 0 stands for 256; no palette
            put(directory, v, 1, false);
        for (unsigned long v : {1UL, 32UL}) // planes, bits a pixel
            put(directory, v, 2, false);
        put(directory, image.size(), 4, false);
        put(directory, 6 + 16 * count + images.size(), 4, false);
        images += image;
    }
    return write(folder / "hearts.ico", directory + images) ? 0 : 1;
}
