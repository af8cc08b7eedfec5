// SPDX-License-Identifier: MIT
#include "benchscene.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace Bench {

bool parseChildOption(int argc, char **argv, int &i, ChildOptions &options)
{
    if (i + 1 >= argc)
        return false;
    int *target = nullptr;
    if (std::strcmp(argv[i], "--hearts") == 0)
        target = &options.hearts;
    else if (std::strcmp(argv[i], "--ticks") == 0)
        target = &options.ticks;
    else if (std::strcmp(argv[i], "--warmup") == 0)
        target = &options.warmup;
    else if (std::strcmp(argv[i], "--initial-frames") == 0)
        target = &options.initialFrames;
    if (!target)
        return false;
    *target = std::atoi(argv[++i]);
    return true;
}

double nowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

namespace {

std::string statusText()
{
    std::ifstream in("/proc/self/status");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

long fieldKb(const std::string &status, const std::string &field)
{
    std::istringstream in(status);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, field.size() + 1, field + ":") == 0) {
            std::istringstream value(line.substr(field.size() + 1));
            long kb = -1;
            value >> kb;
            return kb;
        }
    }
    return -1;
}

long statusKb(const std::string &field)
{
    return fieldKb(statusText(), field);
}

std::string glString(GLenum name)
{
    const auto *s = reinterpret_cast<const char *>(glGetString(name));
    return s ? s : "";
}

} // namespace

long residentKb()
{
    return statusKb("VmRSS");
}

void reportMemory()
{
    // One snapshot: read apart, the resident set can grow past the peak
    // that was read a moment before it.
    const std::string status = statusText();
    report("peak_rss_kb", double(fieldKb(status, "VmHWM")));
    report("rss_kb", double(fieldKb(status, "VmRSS")));
    report("rss_anon_kb", double(fieldKb(status, "RssAnon")));
    report("rss_file_kb", double(fieldKb(status, "RssFile")));
    report("rss_shmem_kb", double(fieldKb(status, "RssShmem")));
}

FrameCheck readBackBuffer()
{
    std::vector<unsigned char> pixels(std::size_t(width) * height * 3);
    // A framebuffer object (where Qt 6's view draws) has no back buffer.
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glReadBuffer(framebuffer ? GL_COLOR_ATTACHMENT0 : GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // The space is cleared to black, and the dimmest lit heart is far brighter.
    FrameCheck check;
    std::uint64_t h = 1469598103934665603ull; // FNV-1a
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        const bool lit = pixels[i] || pixels[i + 1] || pixels[i + 2];
        h = (h ^ std::uint64_t(lit)) * 1099511628211ull;
        check.litPixels += lit;
        check.shadeSum += pixels[i] + pixels[i + 1] + pixels[i + 2];
    }
    check.shapeHash = h;
    return check;
}

void report(const std::string &key, const std::string &value)
{
    std::printf("%s %s\n", key.c_str(), value.c_str());
}

void report(const std::string &key, double value)
{
    std::printf("%s %.6g\n", key.c_str(), value);
}

void reportContext()
{
    report("gl_renderer", glString(GL_RENDERER));
    report("gl_version", glString(GL_VERSION));
    GLint bits[6];
    const GLenum names[6] = {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_ALPHA_BITS, GL_DEPTH_BITS, GL_STENCIL_BITS};
    std::ostringstream s;
    for (int i = 0; i < 6; ++i) {
        glGetIntegerv(names[i], &bits[i]);
        s << (i ? " " : "") << bits[i];
    }
    report("rgbads_bits", s.str());
    GLint doubleBuffered = 0;
    glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
    report("double_buffered", doubleBuffered);
}

} // namespace Bench
