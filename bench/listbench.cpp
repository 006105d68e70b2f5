// The lister as a user runs it: several simulated bodies read at once against
// one, with a latency on every SDK call that reaches a body, and what one
// worker process costs by itself, through libgphoto2 with no camera attached
// and on the simulated camera.
//   sarvolin-bench-list [--runs N] [--worker-runs N]
#include "benchtable.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kWarmup = 2;
constexpr int kLatencyMs = 20;
constexpr int kBodies = 8;
constexpr double kTargetRatio = 1.5;
// A run that hangs ends by SIGALRM (kept across exec), which none of the
// programs catches.
constexpr unsigned kRunLimitSeconds = 60;
const char kCsvHeader[] = "port,location,model,body_id,error";

struct Run {
    int status = 0;
    double wallMs = 0;
    double cpuMs = 0; // user + system, with the children it waited for
    double peakMiB = 0; // ru_maxrss
    std::string out;
    std::string err;
};

struct Samples {
    std::vector<double> wallMs;
    std::vector<double> cpuMs;
    std::vector<double> peakMiB;

    void add(const Run &run)
    {
        wallMs.push_back(run.wallMs);
        cpuMs.push_back(run.cpuMs);
        peakMiB.push_back(run.peakMiB);
    }
};

std::string contents(int fd)
{
    struct stat info = {};
    if (fstat(fd, &info) != 0 || info.st_size <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(info.st_size), '\0');
    const ssize_t got = pread(fd, &text[0], text.size(), 0);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

double milliseconds(const timeval &time)
{
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
}

// Runs the command to its end in this process's environment. The output goes
// to memory files, so that no pipe can hold the program up.
bool launch(std::vector<std::string> command, Run &run)
{
    const int out = memfd_create("bench-list-out", MFD_CLOEXEC);
    const int err = memfd_create("bench-list-err", MFD_CLOEXEC);
    std::vector<char *> argv;
    for (std::string &word : command)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);

    bool waited = false;
    int failure = errno;
    rusage usage {};
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = out >= 0 && err >= 0 ? fork() : -1;
    if (pid == 0) {
        // A worker takes the end of a piped input as a request to stop.
        const int nothing = open("/dev/null", O_RDONLY);
        dup2(nothing, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        alarm(kRunLimitSeconds);
        execv(argv[0], argv.data());
        dprintf(STDERR_FILENO, "cannot start %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    if (pid > 0)
        waited = wait4(pid, &run.status, 0, &usage) == pid;
    if (!waited)
        failure = errno;
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    run.wallMs = took.count();
    run.cpuMs = milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.out = out >= 0 ? contents(out) : std::string();
    run.err = err >= 0 ? contents(err) : std::string();
    if (out >= 0)
        close(out);
    if (err >= 0)
        close(err);
    if (!waited)
        run.err = std::string("could not be run: ") + std::strerror(failure) + '\n';
    return waited;
}

std::string ending(const Run &run)
{
    if (WIFEXITED(run.status))
        return "exit status " + std::to_string(WEXITSTATUS(run.status));
    if (WIFSIGNALED(run.status))
        return "killed by signal " + std::to_string(WTERMSIG(run.status));
    return "no exit status";
}

bool fail(const std::string &what, const Run &run, const std::string &why)
{
    std::fprintf(stderr, "lister: %s: %s (%s); its output:\n%s%s", what.c_str(), why.c_str(),
                 ending(run).c_str(), run.out.c_str(), run.err.c_str());
    return false;
}

bool exitedWith(const Run &run, int code)
{
    return WIFEXITED(run.status) && WEXITSTATUS(run.status) == code;
}

// A header, then one row per body with an ID and no error.
bool allRead(const std::string &csv, int bodies)
{
    std::istringstream in(csv);
    std::string line;
    if (!std::getline(in, line) || line != std::string(kCsvHeader) + '\r')
        return false;
    int rows = 0;
    while (std::getline(in, line)) {
        const std::size_t error = line.rfind(',');
        if (error == std::string::npos || error == 0 || line.substr(error) != ",\r")
            return false;
        const std::size_t id = line.rfind(',', error - 1);
        if (id == std::string::npos || id + 1 == error)
            return false;
        ++rows;
    }
    return rows == bodies;
}

void simulate(int bodies, int latencyMs)
{
    setenv("SARVOLIN_SIMULATED_CAMERAS", std::to_string(bodies).c_str(), 1);
    setenv("SARVOLIN_SIMULATED_LATENCY_MS", std::to_string(latencyMs).c_str(), 1);
}

struct Listing {
    std::string name;
    int bodies;
    std::vector<std::string> options;
    Samples samples;
};

std::string ratio(double value)
{
    return BenchTable::cell("×%.2f", value);
}

bool benchListing(int runs)
{
    Listing listings[] = { { "1 body", 1, {}, {} },
                           { "8 bodies, all at once", kBodies, {}, {} },
                           { "8 bodies, --jobs 1", kBodies, { "--jobs", "1" }, {} } };
    constexpr int kListings = 3;
    // Rotating which goes first spreads caches and background load evenly.
    for (int round = 0; round < kWarmup + runs; ++round) {
        for (int k = 0; k < kListings; ++k) {
            Listing &listing = listings[(round + k) % kListings];
            std::vector<std::string> command = { SARVOLIN_BENCH_LIST_DEMO, "--csv" };
            command.insert(command.end(), listing.options.begin(), listing.options.end());
            simulate(listing.bodies, kLatencyMs);
            Run run;
            if (!launch(command, run) || !exitedWith(run, 0))
                return fail(listing.name, run, "did not end well");
            if (!allRead(run.out, listing.bodies))
                return fail(listing.name, run,
                            "did not print a read row for each of " + std::to_string(listing.bodies)
                                + " bodies");
            if (round >= kWarmup)
                listing.samples.add(run);
        }
    }

    const std::vector<double> &one = listings[0].samples.wallMs;
    BenchTable table({ "run", "wall time, median (min–max)", "CPU time (user+sys), median",
                       "÷ 1 body", "round by round", "target", "status" });
    for (const Listing &listing : listings) {
        const std::vector<double> &wall = listing.samples.wallMs;
        std::vector<double> paired;
        for (std::size_t r = 0; r < wall.size(); ++r)
            paired.push_back(wall[r] / one[r]);
        const double against = BenchTable::median(wall) / BenchTable::median(one);
        const bool first = &listing == &listings[0];
        const bool judged = &listing == &listings[1];
        const std::string range
            = ratio(BenchTable::minimum(paired)) + "–" + ratio(BenchTable::maximum(paired));
        table.addRow({ listing.name, BenchTable::spread(wall, "ms"),
                       BenchTable::cell("%.1f ms", BenchTable::median(listing.samples.cpuMs)),
                       first ? std::string() : ratio(against), first ? std::string() : range,
                       judged ? BenchTable::cell("≤ ×%.1f", kTargetRatio) : std::string(),
                       judged ? BenchTable::status(against <= kTargetRatio) : std::string() });
    }
    table.print(BenchTable::cell("Lister on the simulated camera (sarvolin-list-demo --csv, "
                                 "%d ms per SDK call that reaches a body), CPU time of the "
                                 "lister and its workers: median (min–max) of %d runs each, "
                                 "interleaved, after %d warm-up runs each",
                                 kLatencyMs, runs, kWarmup));
    return true;
}

// An empty HOME for every run, under one temporary folder removed at the end.
class Homes
{
public:
    Homes()
    {
        std::string pattern = (fs::temp_directory_path() / "sarvolin-bench-list-XXXXXX").string();
        if (mkdtemp(&pattern[0]))
            root = pattern;
    }
    ~Homes()
    {
        std::error_code ignored;
        if (!root.empty())
            fs::remove_all(root, ignored);
    }
    bool valid() const { return !root.empty(); }
    std::string path() const { return root.string(); }

    // Empty when no folder could be made.
    std::string next()
    {
        const fs::path home = root / std::to_string(++made);
        std::error_code error;
        return fs::create_directory(home, error) ? home.string() : std::string();
    }

    static void leftIn(const std::string &home, std::set<std::string> &names)
    {
        std::error_code error;
        for (fs::directory_iterator entry(home, error); !error && entry != fs::directory_iterator();
             entry.increment(error))
            names.insert(entry->path().filename().string());
    }

private:
    fs::path root;
    int made = 0;
};

struct Worker {
    std::string name;
    std::vector<std::string> command;
    // What its one JSON line must hold, and whether with an ID.
    std::string answer;
    bool withId;
    Samples samples;
    std::set<std::string> leftInHome;
    std::string said;
};

bool answered(const Worker &worker, const std::string &line)
{
    const bool anId = line.find("\"body_id\":\"") != std::string::npos
        && line.find("\"body_id\":\"\"") == std::string::npos;
    return line.find(worker.answer) != std::string::npos && anId == worker.withId;
}

std::string trimmed(const std::string &text)
{
    const std::size_t end = text.find_last_not_of("\r\n");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string names(const std::set<std::string> &entries)
{
    std::string joined;
    for (const std::string &entry : entries)
        joined += (joined.empty() ? "" : ", ") + entry;
    return joined.empty() ? "nothing" : joined;
}

bool benchWorkers(int runs)
{
    Homes homes;
    if (!homes.valid()) {
        std::fprintf(stderr, "lister: no temporary folder for HOME\n");
        return false;
    }
    std::vector<Worker> workers;
#ifdef SARVOLIN_BENCH_LIST
    // The worker's time means "nothing there" only if nothing is attached.
    setenv("HOME", homes.path().c_str(), 1);
    Run look;
    if (!launch({ SARVOLIN_BENCH_LIST, "--csv" }, look) || !exitedWith(look, 2))
        return fail("sarvolin-list --csv", look,
                    exitedWith(look, 0) || exitedWith(look, 1)
                        ? "found a camera; this measures a worker with none attached, so unplug "
                          "or switch off the camera and run it again"
                        : "should have found no camera (exit status 2)");
    workers.push_back({ "sarvolin-list --worker usb:001,001 (libgphoto2, nothing attached)",
                        { SARVOLIN_BENCH_LIST, "--worker", "usb:001,001" },
                        "\"error\":\"gone before it could be read\"",
                        false,
                        {},
                        {},
                        {} });
#endif
    workers.push_back({ "sarvolin-list-demo --worker sim:001 (simulated, no latency)",
                        { SARVOLIN_BENCH_LIST_DEMO, "--worker", "sim:001" },
                        "\"error\":\"\"",
                        true,
                        {},
                        {},
                        {} });
    simulate(1, 0);

    const std::size_t count = workers.size();
    for (int round = 0; round < kWarmup + runs; ++round) {
        for (std::size_t k = 0; k < count; ++k) {
            Worker &worker = workers[(static_cast<std::size_t>(round) + k) % count];
            const std::string home = homes.next();
            if (home.empty()) {
                std::fprintf(stderr, "lister: no temporary folder for HOME\n");
                return false;
            }
            setenv("HOME", home.c_str(), 1);
            Run run;
            if (!launch(worker.command, run) || !exitedWith(run, 0))
                return fail(worker.name, run, "did not end well");
            if (!answered(worker, run.out))
                return fail(worker.name, run, "did not answer " + worker.answer);
            Homes::leftIn(home, worker.leftInHome);
            worker.said = trimmed(run.out);
            if (round >= kWarmup)
                worker.samples.add(run);
        }
    }

    BenchTable table({ "worker", "answer", "wall time, median (min–max)",
                       "CPU time (user+sys), median", "peak resident (ru_maxrss), median (min–max)",
                       "left in HOME" });
    for (const Worker &worker : workers) {
        table.addRow({ worker.name, worker.said, BenchTable::spread(worker.samples.wallMs, "ms"),
                       BenchTable::cell("%.1f ms", BenchTable::median(worker.samples.cpuMs)),
                       BenchTable::spread(worker.samples.peakMiB, "MiB"),
                       names(worker.leftInHome) });
    }
    if (count == 2) {
        auto more = [&](std::vector<double> Samples::*values, const char *format) {
            return BenchTable::cell(format,
                                    BenchTable::median(workers[0].samples.*values)
                                        - BenchTable::median(workers[1].samples.*values));
        };
        table.addRow({ "libgphoto2's share (first − second)", "",
                       more(&Samples::wallMs, "%+.1f ms"), more(&Samples::cpuMs, "%+.1f ms"),
                       more(&Samples::peakMiB, "%+.1f MiB"), "" });
    }
    table.print(BenchTable::cell("One worker by itself (process start, Qt Core, SDK set-up, "
                                 "camera list, answer, exit), each run on an empty HOME of its "
                                 "own: median (min–max) of %d runs each, interleaved, after %d "
                                 "warm-up runs each",
                                 runs, kWarmup));
    if (count == 1) {
        std::printf("\nsarvolin-list is not built on libgphoto2 here: no worker through it\n");
        std::fflush(stdout);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    int runs = 15;
    int workerRuns = 40;
    bool understood = argc % 2 == 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--runs")
            runs = std::atoi(argv[i + 1]);
        else if (option == "--worker-runs")
            workerRuns = std::atoi(argv[i + 1]);
        else
            understood = false;
    }
    if (!understood || runs < 1 || workerRuns < 1) {
        std::fprintf(stderr, "usage: %s [--runs N] [--worker-runs N]\n", argv[0]);
        return 2;
    }
    // The simulated rig's session log is not wanted here.
    unsetenv("SARVOLIN_SIMULATED_LOG");
    return benchListing(runs) && benchWorkers(workerRuns) ? 0 : 1;
}
