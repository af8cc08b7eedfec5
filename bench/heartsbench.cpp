// SPDX-License-Identifier: MIT
// Start-up, frame cost and peak memory of the view at several heart counts,
// each set against a bare loop that draws the same frames with the same
// display lists. Every measurement runs in a process of its own (this program
// run again with --child program, or heartsbench-bare beside it), so the two
// peaks cannot pollute each other.
#include "benchstats.h"
#include "measure.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char usage[] =
    "usage: heartsbench [--counts N,N,...] [--rounds N] [--ticks N]\n"
    "       heartsbench --smoke\n"
    "       heartsbench --child program --hearts N --ticks N --warmup N\n";

struct Side
{
    std::vector<ChildReport> reports;
    std::vector<double> ticks;
    std::vector<double> outsideDraw;
    std::vector<double> build;
    std::vector<double> firstFrame;
    std::vector<double> peakKb;
};

struct CountResult
{
    Bench::ChildOptions options;
    int rounds = 0;
    Side program;
    Side bare;
};

// Hundreds of ticks where they are cheap, a few dozen where they are not.
int defaultTicks(int hearts)
{
    return std::clamp(100000 / std::max(hearts, 1), 40, 400);
}

// Two processes drawing the same frames differ by several per cent from one
// run to the next on this kind of machine; more rounds where they are cheap
// keep that from deciding the ratio.
int defaultRounds(int hearts)
{
    return hearts <= 100 ? 10 : hearts <= 1000 ? 7 : 5;
}

std::string selfPath()
{
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return "heartsbench";
    buffer[n] = '\0';
    return buffer;
}

// Runs one measuring process: this program with --child program, or the bare
// loop's program beside it.
ChildReport runChild(const std::string &mode, const Bench::ChildOptions &o, std::vector<std::string> &problems)
{
    std::string exe = selfPath();
    if (mode == "bare")
        exe = exe.substr(0, exe.rfind('/') + 1) + "heartsbench-bare";
    std::ostringstream command;
    command << '\'' << exe << '\'' << (mode == "bare" ? "" : " --child program") << " --hearts " << o.hearts
            << " --ticks " << o.ticks << " --warmup " << o.warmup << " --initial-frames " << o.initialFrames;
    std::string output;
    if (FILE *pipe = popen(command.str().c_str(), "r")) {
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
            output.append(chunk, n);
        const int status = pclose(pipe);
        if (status != 0)
            problems.push_back(mode + " at " + std::to_string(o.hearts) + " hearts: exit status "
                               + std::to_string(status));
    } else {
        problems.push_back("cannot start " + command.str());
    }
    return parseReport(output);
}

std::string fixed(double x, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
    return buffer;
}

bool positive(double x)
{
    return std::isfinite(x) && x > 0.0;
}

// Everything a report must hold for its figures to mean something.
void checkReport(const ChildReport &r, const std::string &mode, const Bench::ChildOptions &o,
                 std::vector<std::string> &problems)
{
    const std::string where = mode + " at " + std::to_string(o.hearts) + " hearts: ";
    auto fail = [&](const std::string &what) { problems.push_back(where + what); };
    if (r.text("mode") != mode) {
        fail("no report");
        return;
    }
    if (r.number("meshes") != o.hearts)
        fail("meshes " + r.text("meshes"));
    if (r.text("window") != std::to_string(Bench::width) + "x" + std::to_string(Bench::height))
        fail("window " + r.text("window"));
    if (r.text("gl_renderer").empty())
        fail("no GL_RENDERER");
    const std::vector<double> ticks = r.numbers("tick_ms");
    if (int(ticks.size()) != o.ticks)
        fail(std::to_string(ticks.size()) + " ticks timed, " + std::to_string(o.ticks) + " asked");
    if (!std::all_of(ticks.begin(), ticks.end(), positive))
        fail("a tick time that is not a positive number: " + r.text("tick_ms"));
    const double build = r.number("build_ms");
    const double first = r.number("first_frame_ms");
    if (!positive(build) || !positive(first) || first < build)
        fail("build " + r.text("build_ms") + " ms, first frame " + r.text("first_frame_ms") + " ms");
    if (!positive(r.number("peak_rss_kb")) || r.number("peak_rss_kb") < r.number("rss_kb"))
        fail("peak resident " + r.text("peak_rss_kb") + " KiB, resident " + r.text("rss_kb") + " KiB");
    if (!positive(r.number("lit_pixels")))
        fail("a black picture");
}

// Both processes must have drawn the very same frames, or the ratio compares
// two different pictures.
void checkPair(const ChildReport &program, const ChildReport &bare, const Bench::ChildOptions &o,
               std::vector<std::string> &problems)
{
    checkReport(program, "program", o, problems);
    checkReport(bare, "bare", o, problems);
    const std::string where = "at " + std::to_string(o.hearts) + " hearts: ";
    if (program.number("tick_frames") != o.warmup + o.ticks)
        problems.push_back(where + "the program drew " + program.text("tick_frames") + " frames in "
                           + std::to_string(o.warmup + o.ticks) + " ticks");
    // The same hearts in the same places and turns light the same pixels in
    // the same shades: both draw straight into their windows' back buffers.
    if (program.text("shape_hash").empty() || program.text("shape_hash") != bare.text("shape_hash")
        || program.text("shade_sum") != bare.text("shade_sum"))
        problems.push_back(where + "program and bare loop drew different pictures ("
                           + program.text("lit_pixels") + " and " + bare.text("lit_pixels") + " lit pixels, shades "
                           + program.text("shade_sum") + " and " + bare.text("shade_sum") + " in sum, "
                           + program.text("initial_frames") + " and " + bare.text("initial_frames")
                           + " frames before the ticks)");

    // The program's own share where it stands clear of the noise between two
    // processes: what it keeps per heart beside the driver's lists, and what
    // it does around each frame, timed within its own process.
    const double programFieldKb = program.number("rss_after_build_kb") - program.number("rss_before_build_kb");
    const double bareFieldKb = bare.number("rss_after_build_kb") - bare.number("rss_before_build_kb");
    if (!(programFieldKb <= bareFieldKb * 1.05 + 512.0))
        problems.push_back(where + "building the field added " + fixed(programFieldKb, 0) + " KiB to the program, "
                           + fixed(bareFieldKb, 0) + " KiB to the bare loop");
    const std::vector<double> ticks = program.numbers("tick_ms");
    const std::vector<double> outside = program.numbers("outside_draw_ms");
    if (ticks.empty() || outside.size() != ticks.size()
        || !(summarize(outside).median <= 0.05 * summarize(ticks).median))
        problems.push_back(where + "the program spends a median "
                           + (outside.empty() ? "?" : fixed(summarize(outside).median, 3))
                           + " ms of each tick outside painting and swapping");

    if (program.text("rgbads_bits") != bare.text("rgbads_bits"))
        problems.push_back(where + "framebuffers differ: program " + program.text("rgbads_bits") + ", bare "
                           + bare.text("rgbads_bits"));
    if (program.text("gl_renderer") != bare.text("gl_renderer"))
        problems.push_back(where + "renderers differ");
}

void add(Side &side, const ChildReport &r)
{
    side.reports.push_back(r);
    const std::vector<double> ticks = r.numbers("tick_ms");
    side.ticks.insert(side.ticks.end(), ticks.begin(), ticks.end());
    const std::vector<double> outside = r.numbers("outside_draw_ms");
    side.outsideDraw.insert(side.outsideDraw.end(), outside.begin(), outside.end());
    side.build.push_back(r.number("build_ms"));
    side.firstFrame.push_back(r.number("first_frame_ms"));
    side.peakKb.push_back(r.number("peak_rss_kb"));
}

double medianOf(const std::vector<double> &v)
{
    return v.empty() ? std::nan("") : summarize(v).median;
}

std::string spread(const std::vector<double> &ticks)
{
    if (ticks.empty())
        return "-";
    const Spread s = summarize(ticks);
    const int d = s.median < 10.0 ? 2 : 1;
    return fixed(s.median, d) + " [" + fixed(s.p25, d) + "–" + fixed(s.p75, d) + "]";
}

std::string cpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 10, "model name") == 0)
            return line.substr(line.find(':') + 2);
    return "unknown";
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

double mib(double kb)
{
    return kb / 1024.0;
}

// The median over rounds of one figure of the reports, in MiB.
double medianMib(const Side &side, const std::string &key)
{
    std::vector<double> v;
    for (const ChildReport &r : side.reports)
        v.push_back(r.number(key));
    return mib(medianOf(v));
}

void printTable(const std::vector<CountResult> &results)
{
    std::printf("| hearts | ticks × rounds | build field, ms<br>program / bare | show → first frame, ms<br>program / bare "
                "| tick, ms: program<br>median [p25–p75] | tick, ms: bare<br>median [p25–p75] "
                "| tick program / bare<br>median (range) of rounds | program's tick outside<br>paint and swap, ms "
                "| peak RSS, MiB<br>program / bare | peak RSS<br>program / bare |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const CountResult &r : results) {
        std::vector<double> roundRatios;
        for (std::size_t i = 0; i < r.program.reports.size() && i < r.bare.reports.size(); ++i) {
            const std::vector<double> p = r.program.reports[i].numbers("tick_ms");
            const std::vector<double> b = r.bare.reports[i].numbers("tick_ms");
            if (!p.empty() && !b.empty())
                roundRatios.push_back(summarize(p).median / summarize(b).median);
        }
        // Each round's pair ran back to back under the same load, so the
        // ratio is taken per round; pooling rounds would let one busy moment
        // on either side tip the result.
        std::string ratio = fixed(medianOf(roundRatios), 3);
        if (roundRatios.size() > 1) {
            const auto [low, high] = std::minmax_element(roundRatios.begin(), roundRatios.end());
            ratio += " (" + fixed(*low, 2) + "–" + fixed(*high, 2) + ")";
        }
        const double programPeak = mib(medianOf(r.program.peakKb));
        const double barePeak = mib(medianOf(r.bare.peakKb));
        std::printf("| %d | %d × %d | %s / %s | %s / %s | %s | %s | %s | %s | %s / %s | %s |\n", r.options.hearts,
                    r.options.ticks, r.rounds, fixed(medianOf(r.program.build), 1).c_str(),
                    fixed(medianOf(r.bare.build), 1).c_str(), fixed(medianOf(r.program.firstFrame), 1).c_str(),
                    fixed(medianOf(r.bare.firstFrame), 1).c_str(), spread(r.program.ticks).c_str(),
                    spread(r.bare.ticks).c_str(), ratio.c_str(), fixed(medianOf(r.program.outsideDraw), 3).c_str(),
                    fixed(programPeak, 1).c_str(), fixed(barePeak, 1).c_str(),
                    fixed(programPeak / barePeak, 3).c_str());
    }

    // Where the memory goes: before the field, what building it added, and
    // the resident set after the ticks by kind of page.
    std::printf("\nResident memory, MiB, program / bare (medians over rounds):\n\n");
    std::printf("| hearts | before the field | added by the field | added by drawing | anonymous "
                "| mapped files | shared memory |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const CountResult &r : results) {
        auto pair = [&](auto figure) {
            return fixed(figure(r.program), 1) + " / " + fixed(figure(r.bare), 1);
        };
        auto before = [](const Side &s) { return medianMib(s, "rss_before_build_kb"); };
        auto field = [](const Side &s) {
            return medianMib(s, "rss_after_build_kb") - medianMib(s, "rss_before_build_kb");
        };
        auto drawing = [](const Side &s) { return mib(medianOf(s.peakKb)) - medianMib(s, "rss_after_build_kb"); };
        auto anon = [](const Side &s) { return medianMib(s, "rss_anon_kb"); };
        auto file = [](const Side &s) { return medianMib(s, "rss_file_kb"); };
        auto shmem = [](const Side &s) { return medianMib(s, "rss_shmem_kb"); };
        std::printf("| %d | %s | %s | %s | %s | %s | %s |\n", r.options.hearts, pair(before).c_str(),
                    pair(field).c_str(), pair(drawing).c_str(), pair(anon).c_str(), pair(file).c_str(),
                    pair(shmem).c_str());
    }
}

std::vector<int> parseCounts(const char *text)
{
    std::vector<int> counts;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        counts.push_back(std::atoi(item.c_str()));
    return counts;
}

int runParent(std::vector<int> counts, int rounds, int ticksOverride, bool smoke)
{
    const std::string loadBefore = loadAverage();
    std::vector<CountResult> results;
    std::vector<std::string> problems;
    for (int hearts : counts) {
        CountResult result;
        result.options.hearts = hearts;
        result.options.ticks = ticksOverride > 0 ? ticksOverride : defaultTicks(hearts);
        result.options.warmup = smoke ? 2 : 5;
        // Which of the pair runs first alternates from round to round, so a
        // drift in the machine's load weighs on both alike. The bare loop
        // needs to know how many frames the view drew before its ticks: the
        // first round runs the program first to learn it.
        const int roundCount = rounds > 0 ? rounds : defaultRounds(hearts);
        int initialFrames = 0;
        for (int round = 0; round < roundCount; ++round) {
            std::fprintf(stderr, "heartsbench: %d hearts, round %d of %d\n", hearts, round + 1, roundCount);
            Bench::ChildOptions o = result.options;
            ChildReport program, bare;
            if (initialFrames == 0 || round % 2 == 0) {
                program = runChild("program", o, problems);
                const double drawn = program.number("initial_frames");
                initialFrames = std::isfinite(drawn) && drawn >= 1 ? int(drawn) : 1;
                o.initialFrames = initialFrames;
                bare = runChild("bare", o, problems);
            } else {
                o.initialFrames = initialFrames;
                bare = runChild("bare", o, problems);
                program = runChild("program", o, problems);
            }
            checkPair(program, bare, o, problems);
            const std::vector<double> programTicks = program.numbers("tick_ms");
            const std::vector<double> bareTicks = bare.numbers("tick_ms");
            if (!programTicks.empty() && !bareTicks.empty())
                std::fprintf(stderr, "heartsbench:   median tick %.2f ms program, %.2f ms bare\n",
                             summarize(programTicks).median, summarize(bareTicks).median);
            add(result.program, program);
            add(result.bare, bare);
        }
        result.rounds = roundCount;
        results.push_back(result);
    }

    const ChildReport &any = results.front().program.reports.front();
    std::printf("CPU: %s, %ld online\n", cpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("GL_RENDERER: %s\nGL_VERSION: %s (bare loop: %s)\n", any.text("gl_renderer").c_str(),
                any.text("gl_version").c_str(), results.front().bare.reports.front().text("gl_version").c_str());
    std::printf("framebuffer bits R G B A depth stencil: %s\n", any.text("rgbads_bits").c_str());
    std::printf("load average before: %s, after: %s\n\n", loadBefore.c_str(), loadAverage().c_str());
    printTable(results);

    for (const std::string &p : problems)
        std::fprintf(stderr, "heartsbench: %s\n", p.c_str());
    return problems.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<int> counts = {80, 1000, 5000};
    int rounds = 0; // by heart count unless given
    int ticks = 0;
    bool smoke = false;
    std::string childMode;
    Bench::ChildOptions child;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (Bench::parseChildOption(argc, argv, i, child)) {
            if (arg == "--ticks")
                ticks = child.ticks;
        } else if (arg == "--smoke") {
            smoke = true;
        } else if (arg == "--counts" && hasValue) {
            counts = parseCounts(argv[++i]);
        } else if (arg == "--rounds" && hasValue) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--child" && hasValue) {
            childMode = argv[++i];
        } else {
            std::fputs(usage, stderr);
            return 2;
        }
    }

    if (childMode == "program")
        return runProgram(child, argc, argv);
    if (!childMode.empty() || rounds < 0 || counts.empty()
        || std::any_of(counts.begin(), counts.end(), [](int n) { return n < 1; })) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (smoke)
        return runParent({80, 1000}, 1, 5, true);
    return runParent(counts, rounds, ticks, false);
}
