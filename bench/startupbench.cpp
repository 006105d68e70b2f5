// Start-up of sarvolin-demo against the main window's form alone, and against
// a bare Qt Widgets window, on the same platform plugin: from just before the
// fork to the window's first paint, and the peak resident memory by then, over
// interleaved runs.
//   sarvolin-bench-startup --platform NAME --label TEXT [--runs N] [--warmup N]
// All programs load the paint probe (paintprobe.h) through Qt's generic
// plugin mechanism; none is changed for it.
#include "benchtable.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int kProbeTimeoutMs = 30000;

struct Program {
    std::string name;
    std::string path;
    std::vector<double> paintMs;
    std::vector<double> frameMs;
    std::vector<double> peakMiB;
    std::vector<double> anonMiB;
};

struct Sample {
    double paintMs = 0;
    double frameMs = 0;
    double peakMiB = 0;
    double anonMiB = 0;
};

long long monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

bool startsWithKey(const char *entry, const char *key)
{
    const std::size_t length = std::strlen(key);
    return std::strncmp(entry, key, length) == 0 && entry[length] == '=';
}

// The caller's environment with the platform and the probe set, and no
// display at all for a platform that must not use one.
std::vector<std::string> childEnvironment(const std::string &platform, int probeFd)
{
    const char *replaced[]
        = { "QT_QPA_PLATFORM",         "QT_PLUGIN_PATH", "QT_QPA_GENERIC_PLUGINS",
            "SARVOLIN_PAINT_PROBE_FD", "DISPLAY",        "WAYLAND_DISPLAY" };
    std::vector<std::string> env;
    for (char **entry = environ; *entry; ++entry) {
        bool keep = true;
        for (const char *key : replaced)
            keep = keep && !startsWithKey(*entry, key);
        if (keep)
            env.emplace_back(*entry);
    }
    if (platform.rfind("xcb", 0) == 0) {
        if (const char *display = std::getenv("DISPLAY"))
            env.push_back(std::string("DISPLAY=") + display);
    }
    env.push_back("QT_QPA_PLATFORM=" + platform);
    env.push_back(std::string("QT_PLUGIN_PATH=") + SARVOLIN_BENCH_PLUGINS);
    env.push_back("QT_QPA_GENERIC_PLUGINS=sarvolinpaintprobe");
    env.push_back("SARVOLIN_PAINT_PROBE_FD=" + std::to_string(probeFd));
    return env;
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    lseek(fd, 0, SEEK_SET);
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

// Reads the probe's line; empty when the child ended or the time ran out first.
std::string readProbeLine(int fd)
{
    std::string line;
    const long long deadline = monotonicNs() + kProbeTimeoutMs * 1000000LL;
    while (line.find('\n') == std::string::npos) {
        const long long left = (deadline - monotonicNs()) / 1000000;
        if (left <= 0)
            return std::string();
        pollfd waiting { fd, POLLIN, 0 };
        const int ready = poll(&waiting, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::string();
        char buffer[256];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0)
            return std::string();
        line.append(buffer, static_cast<std::size_t>(got));
    }
    return line;
}

bool launch(const Program &program, const std::string &platform, Sample &sample, std::string &error)
{
    int probe[2];
    if (pipe(probe) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    fcntl(probe[0], F_SETFD, FD_CLOEXEC);
    const int output = memfd_create("bench-child-output", MFD_CLOEXEC);

    std::vector<std::string> env = childEnvironment(platform, probe[1]);
    std::vector<char *> envp;
    for (std::string &entry : env)
        envp.push_back(&entry[0]);
    envp.push_back(nullptr);
    std::string path = program.path;
    char *argv[] = { &path[0], nullptr };

    const long long start = monotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        if (output >= 0) {
            dup2(output, STDOUT_FILENO);
            dup2(output, STDERR_FILENO);
        }
        execve(argv[0], argv, envp.data());
        _exit(127);
    }
    close(probe[1]);
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        close(probe[0]);
        return false;
    }

    const std::string line = readProbeLine(probe[0]);
    close(probe[0]);
    if (line.empty())
        kill(pid, SIGKILL);
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);

    long long paint = 0;
    long long frame = 0;
    long peakKiB = 0;
    long anonKiB = 0;
    const bool parsed = std::sscanf(line.c_str(), "paint %lld frame %lld hwm %ld anon %ld", &paint,
                                    &frame, &peakKiB, &anonKiB)
        == 4;
    if (!parsed) {
        error = program.name + " showed no painted window within "
            + std::to_string(kProbeTimeoutMs / 1000) + " s; its output:\n"
            + (output >= 0 ? readAll(output) : std::string("(not captured)"));
    } else {
        sample.paintMs = static_cast<double>(paint - start) / 1e6;
        sample.frameMs = static_cast<double>(frame - start) / 1e6;
        sample.peakMiB = static_cast<double>(peakKiB) / 1024.0;
        sample.anonMiB = static_cast<double>(anonKiB) / 1024.0;
    }
    if (output >= 0)
        close(output);
    return parsed;
}

} // namespace

int main(int argc, char *argv[])
{
    std::string platform;
    std::string label;
    int runs = 25;
    int warmup = 2;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--platform")
            platform = argv[i + 1];
        else if (option == "--label")
            label = argv[i + 1];
        else if (option == "--runs")
            runs = std::atoi(argv[i + 1]);
        else if (option == "--warmup")
            warmup = std::atoi(argv[i + 1]);
    }
    if (platform.empty() || runs < 1 || warmup < 0) {
        std::fprintf(stderr, "usage: %s --platform NAME [--label TEXT] [--runs N] [--warmup N]\n",
                     argv[0]);
        return 2;
    }
    if (label.empty())
        label = platform;

    Program programs[] = { { "sarvolin-demo", SARVOLIN_BENCH_DEMO, {}, {}, {}, {} },
                           { "bare window", SARVOLIN_BENCH_BARE, {}, {}, {}, {} },
                           { "form window", SARVOLIN_BENCH_FORM, {}, {}, {}, {} } };
    constexpr int kPrograms = 3;

    // Rotating which program goes first spreads caches and background load
    // evenly over all of them.
    for (int round = 0; round < warmup + runs; ++round) {
        for (int k = 0; k < kPrograms; ++k) {
            Program &program = programs[(round + k) % kPrograms];
            Sample sample;
            std::string error;
            if (!launch(program, platform, sample, error)) {
                std::fprintf(stderr, "start-up (%s): %s\n", label.c_str(), error.c_str());
                return 1;
            }
            if (round < warmup)
                continue;
            program.paintMs.push_back(sample.paintMs);
            program.frameMs.push_back(sample.frameMs);
            program.peakMiB.push_back(sample.peakMiB);
            program.anonMiB.push_back(sample.anonMiB);
        }
    }

    const Program &demo = programs[0];
    const Program &bare = programs[1];
    const Program &form = programs[2];

    BenchTable table({ "measure", "sarvolin-demo", "form window", "bare window", "demo vs form",
                       "target", "status", "demo vs bare" });
    // Times are compared as ratios of medians, memory as differences. A row
    // with a limit is judged against the form window, which shows the same
    // texts in the same fonts; the bare window, which shows no text, is only
    // a reference.
    auto addRow = [&](const char *measure, std::vector<double> Program::*values, bool time,
                      const char *target = "", double limit = 0) {
        const char *unit = time ? "ms" : "MiB";
        auto against = [&](const Program &yardstick) {
            const double ours = BenchTable::median(demo.*values);
            const double theirs = BenchTable::median(yardstick.*values);
            return time ? ours / theirs : ours - theirs;
        };
        auto shown = [&](double value) {
            return time ? BenchTable::cell("×%.2f", value) : BenchTable::cell("%+.1f MiB", value);
        };
        const double vsForm = against(form);
        table.addRow({ measure, BenchTable::spread(demo.*values, unit),
                       BenchTable::spread(form.*values, unit),
                       BenchTable::spread(bare.*values, unit), shown(vsForm), target,
                       *target ? BenchTable::status(vsForm <= limit) : std::string(),
                       shown(against(bare)) });
    };
    addRow("process start → first paint", &Program::paintMs, true, "≤ ×1.05", 1.05);
    addRow("process start → first frame done", &Program::frameMs, true);
    addRow("peak resident memory (VmHWM)", &Program::peakMiB, false, "≤ +1.0 MiB", 1.0);
    // Resident memory of the process's own, not shared with other programs
    // through libraries and font files; shown for the reader, without a target.
    addRow("private resident memory (RssAnon) at first frame", &Program::anonMiB, false);
    table.print(BenchTable::cell("Start-up, platform %s: median (min–max) of %d runs each, "
                                 "interleaved, after %d warm-up runs each",
                                 label.c_str(), runs, warmup));
    return 0;
}
