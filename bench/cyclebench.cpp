// Connect–read–disconnect cycles of CameraCannon on the simulated camera:
// how many per second, and whether memory in use grows over 10,000 of them.
#include "benchtable.h"
#include "cameracycle.h"
#include "procstatus.h"

#include "camera/cameracannon.h"

#include <QtGlobal>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <malloc.h>
#include <unistd.h>

namespace {

constexpr int kWarmupCycles = 1000;
constexpr int kGrowthCycles = 10000;
constexpr int kRounds = 7;
constexpr int kCyclesPerRound = 10000;
constexpr int kLongCycles = 100000;

// Bytes handed out by malloc and not yet freed, mapped blocks included.
long long heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

long residentKiB()
{
    return procStatusKiB("VmRSS");
}

bool runCycles(CameraCannon &camera, int cycles)
{
    for (int i = 0; i < cycles; ++i) {
        if (!runCameraCycle(camera)) {
            std::fprintf(stderr, "camera cycles: cycle %d on the simulated camera failed\n", i + 1);
            return false;
        }
    }
    return true;
}

std::string grouped(long long value)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return (value < 0 ? "-" : "") + digits;
}

std::string signedBytes(long long value)
{
    return (value > 0 ? "+" : value < 0 ? "" : "±") + grouped(value) + " B";
}

// With glibc's per-thread cache on, a freed block waiting in the cache counts
// as in use, and what the cache holds drifts with the heap's layout by a few
// KiB; so the heap is measured in a child of this program with the cache off.
// The child prints "heap BEFORE AFTER LATER rss BEFORE AFTER".
int growthChild()
{
    CameraCannon camera;
    if (!runCycles(camera, kWarmupCycles))
        return 1;
    const long long heapBefore = heapInUse();
    const long rssBefore = residentKiB();
    if (!runCycles(camera, kGrowthCycles))
        return 1;
    const long long heapAfter = heapInUse();
    const long rssAfter = residentKiB();
    if (!runCycles(camera, kLongCycles - kGrowthCycles))
        return 1;
    const long long heapLater = heapInUse();
    std::printf("heap %lld %lld %lld rss %ld %ld\n", heapBefore, heapAfter, heapLater, rssBefore,
                rssAfter);
    return 0;
}

struct Growth {
    long long heapBefore = 0;
    long long heapAfter = 0;
    long long heapLater = 0;
    long rssBefore = 0;
    long rssAfter = 0;
};

bool measureGrowth(Growth &growth)
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return false;
    self[length] = '\0';
    std::string command = "'";
    for (const char *c = self; *c; ++c)
        command += *c == '\'' ? std::string("'\\''") : std::string(1, *c);
    command += "' --growth";

    setenv("GLIBC_TUNABLES", "glibc.malloc.tcache_count=0", 1);
    std::FILE *child = popen(command.c_str(), "r");
    if (!child)
        return false;
    const int fields
        = std::fscanf(child, "heap %lld %lld %lld rss %ld %ld", &growth.heapBefore,
                      &growth.heapAfter, &growth.heapLater, &growth.rssBefore, &growth.rssAfter);
    return pclose(child) == 0 && fields == 5;
}

} // namespace

int main(int argc, char *argv[])
{
    // One camera attached, whatever the caller's environment says.
    qputenv("SARVOLIN_SIMULATED_CAMERAS", "1");
    if (argc > 1 && std::strcmp(argv[1], "--growth") == 0)
        return growthChild();

    CameraCannon camera;
    if (!runCycles(camera, kWarmupCycles))
        return 1;
    std::vector<double> perSecond;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        if (!runCycles(camera, kCyclesPerRound))
            return 1;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        perSecond.push_back(kCyclesPerRound / took.count());
    }

    Growth growth;
    if (!measureGrowth(growth)) {
        std::fprintf(stderr, "camera cycles: the memory measurement in a child process failed\n");
        return 1;
    }

    const double median = BenchTable::median(perSecond);
    const auto rate = [](double value) { return grouped(static_cast<long long>(value)); };
    // A sanitizer's allocator leaves glibc's counters at zero.
    const bool counted = growth.heapBefore > 0;
    const auto heapChange = [&](long long after) {
        if (!counted)
            return std::string("not counted (malloc is not glibc's)");
        return grouped(growth.heapBefore) + " B → " + grouped(after) + " B ("
            + signedBytes(after - growth.heapBefore) + ")";
    };
    const std::string after = "heap in use, before → after ";

    BenchTable table({ "measure", "value", "target", "status" });
    table.addRow({ BenchTable::cell("cycles per second, median (min–max) of %d × %s", kRounds,
                                    grouped(kCyclesPerRound).c_str()),
                   rate(median) + " (" + rate(BenchTable::minimum(perSecond)) + "–"
                       + rate(BenchTable::maximum(perSecond)) + ")",
                   "", "" });
    table.addRow({ "time per cycle, median", BenchTable::cell("%.2f µs", 1e6 / median), "", "" });
    table.addRow({ after + grouped(kGrowthCycles) + " cycles", heapChange(growth.heapAfter),
                   "no growth",
                   counted ? BenchTable::status(growth.heapAfter <= growth.heapBefore) : "" });
    table.addRow(
        { after + grouped(kLongCycles) + " cycles", heapChange(growth.heapLater), "", "" });
    table.addRow({ "resident set, before → after " + grouped(kGrowthCycles) + " cycles",
                   BenchTable::cell("%ld KiB → %ld KiB (%+ld KiB)", growth.rssBefore,
                                    growth.rssAfter, growth.rssAfter - growth.rssBefore),
                   "", "" });
    table.print("Camera cycle on the simulated camera (CameraCannon: initSdk, openFirstCamera, "
                "prepareCamera, readBodyId, disconnectCamera); heap measured after "
                + grouped(kWarmupCycles) + " warm-up cycles, with glibc's thread cache off");
    return 0;
}
