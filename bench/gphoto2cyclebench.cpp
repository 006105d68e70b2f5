// Presses of Connect and Read with no camera attached, through the real
// libgphoto2: initSdk, openFirstCamera finding nothing, disconnectCamera, as
// the window drives the camera. How many per second, for this build alone or
// against another build of this program in alternate rounds:
//   sarvolin-bench-gphoto2 [--label TEXT]
//   sarvolin-bench-gphoto2 --before PROGRAM --before-label TEXT [--label TEXT]
// --before starts both programs with --serve, each on an empty HOME of its own.
#include "benchtable.h"

#include "camera/cameracannon.h"
#include "camera/edsdk.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kWarmupCycles = 3;
constexpr double kWarmupSeconds = 0.5;
constexpr int kRounds = 7;
// Rounds by time, not by count: a build that loads its drivers once may be a
// hundred times faster than one that loads them on every press, and should
// get as steady a figure.
constexpr double kRoundSeconds = 1.0;

struct Round {
    int cycles = 0;
    double seconds = 0;
};

struct Build {
    std::string label;
    std::vector<Round> rounds;
    std::string leftInHome;

    std::vector<double> perSecond() const
    {
        std::vector<double> rates;
        for (const Round &round : rounds)
            rates.push_back(round.cycles / round.seconds);
        return rates;
    }
};

// The library must list cameras and find none; only then does a failed open
// below mean "not detected" rather than a library that cannot list at all.
bool nothingAttached()
{
    if (EdsInitializeSDK() != EDS_ERR_OK) {
        std::fprintf(stderr, "gphoto2 cycles: the SDK did not initialise\n");
        return false;
    }
    EdsCameraListRef list = nullptr;
    EdsUInt32 attached = 0;
    const bool listed
        = EdsGetCameraList(&list) == EDS_ERR_OK && EdsGetChildCount(list, &attached) == EDS_ERR_OK;
    if (list)
        EdsRelease(list);
    EdsTerminateSDK();
    if (!listed) {
        std::fprintf(stderr, "gphoto2 cycles: libgphoto2 could not list the cameras\n");
        return false;
    }
    if (attached != 0) {
        std::fprintf(stderr,
                     "gphoto2 cycles: %u camera(s) attached to this machine; this benchmark times "
                     "a press with none, so unplug or switch off the camera and run it again\n",
                     static_cast<unsigned>(attached));
        return false;
    }
    return true;
}

bool noCameraCycle(CameraCannon &camera)
{
    if (!camera.initSdk()) {
        camera.disconnectCamera();
        std::fprintf(stderr, "gphoto2 cycles: initSdk failed\n");
        return false;
    }
    int count = 0;
    const bool opened = camera.openFirstCamera(count);
    camera.disconnectCamera();
    if (opened || count > 0) {
        std::fprintf(stderr,
                     "gphoto2 cycles: a camera was found during the run; this benchmark times a "
                     "press with none attached, so unplug it and run it again\n");
        return false;
    }
    return true;
}

// Whole cycles only, so that no round ends half-way through a press.
bool runCycles(CameraCannon &camera, int cycles, double seconds, Round &round)
{
    round = Round();
    const auto start = std::chrono::steady_clock::now();
    while (round.cycles < cycles || round.seconds < seconds) {
        if (!noCameraCycle(camera))
            return false;
        ++round.cycles;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        round.seconds = took.count();
    }
    return true;
}

std::string leftIn(const QString &home)
{
    const QStringList names
        = QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    return names.isEmpty() ? std::string("nothing")
                           : names.join(QStringLiteral(", ")).toStdString();
}

std::string rate(double value)
{
    if (value < 100)
        return BenchTable::cell("%.1f", value);
    std::string digits = std::to_string(static_cast<long long>(value + 0.5));
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

std::string milliseconds(double value)
{
    return BenchTable::cell(value >= 10 ? "%.1f ms" : value >= 1 ? "%.2f ms" : "%.3f ms", value);
}

std::vector<std::string> buildRow(const Build &build)
{
    const std::vector<double> rates = build.perSecond();
    std::vector<double> cycles;
    for (const Round &round : build.rounds)
        cycles.push_back(round.cycles);
    const double median = BenchTable::median(rates);
    return { build.label,
             rate(median) + " (" + rate(BenchTable::minimum(rates)) + "–"
                 + rate(BenchTable::maximum(rates)) + ")",
             milliseconds(1000 / median),
             BenchTable::cell("%.0f–%.0f", BenchTable::minimum(cycles),
                              BenchTable::maximum(cycles)),
             build.leftInHome };
}

BenchTable table()
{
    return BenchTable({ "build", "cycles per second, median (min–max)", "time per cycle, median",
                        "cycles per round", "left in HOME" });
}

const std::string kCycle = "CameraCannon: initSdk, openFirstCamera finding no camera, "
                           "disconnectCamera";

std::string roundsNote()
{
    return BenchTable::cell("%d rounds of at least %.0f s after %.1f s (at least %d cycles) of "
                            "warm-up",
                            kRounds, kRoundSeconds, kWarmupSeconds, kWarmupCycles);
}

int alone(const std::string &label)
{
    // libgphoto2 reads and may write its settings under HOME.
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "gphoto2 cycles: no temporary folder for HOME\n");
        return 1;
    }
    qputenv("HOME", QFile::encodeName(home.path()));
    if (!nothingAttached())
        return 1;

    CameraCannon camera;
    Build build { label, {}, {} };
    Round round;
    if (!runCycles(camera, kWarmupCycles, kWarmupSeconds, round))
        return 1;
    for (int i = 0; i < kRounds; ++i) {
        if (!runCycles(camera, 1, kRoundSeconds, round))
            return 1;
        build.rounds.push_back(round);
    }
    build.leftInHome = leftIn(home.path());

    BenchTable rows = table();
    rows.addRow(buildRow(build));
    rows.print("Camera cycle through libgphoto2 with no camera attached (" + kCycle + "); "
               + roundsNote());
    return 0;
}

// Warms up, says "ready", then times one round for every "round" line on
// standard input and answers "round CYCLES SECONDS", until the input ends.
int serve()
{
    if (!nothingAttached())
        return 1;
    CameraCannon camera;
    Round round;
    if (!runCycles(camera, kWarmupCycles, kWarmupSeconds, round))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strcmp(line, "round\n") != 0)
            return 2;
        if (!runCycles(camera, 1, kRoundSeconds, round))
            return 1;
        std::printf("round %d %.9f\n", round.cycles, round.seconds);
        std::fflush(stdout);
    }
    return 0;
}

struct Child {
    pid_t pid = -1;
    std::FILE *commands = nullptr;
    std::FILE *answers = nullptr;
};

bool start(const std::string &program, const QString &home, Child &child)
{
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        return false;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return false;
    }
    const QByteArray homePath = QFile::encodeName(home);
    child.pid = fork();
    if (child.pid == 0) {
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        setenv("HOME", homePath.constData(), 1);
        execl(program.c_str(), program.c_str(), "--serve", static_cast<char *>(nullptr));
        std::fprintf(stderr, "gphoto2 cycles: cannot start %s\n", program.c_str());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    if (child.pid < 0) {
        close(toChild[1]);
        close(fromChild[0]);
        return false;
    }
    child.commands = fdopen(toChild[1], "w");
    child.answers = fdopen(fromChild[0], "r");
    return child.commands && child.answers;
}

bool readLine(Child &child, std::string &line)
{
    char buffer[128];
    if (!std::fgets(buffer, sizeof buffer, child.answers))
        return false;
    line = buffer;
    return true;
}

bool finish(Child &child)
{
    if (child.commands)
        std::fclose(child.commands);
    if (child.answers)
        std::fclose(child.answers);
    int status = 0;
    return child.pid > 0 && waitpid(child.pid, &status, 0) == child.pid && WIFEXITED(status)
        && WEXITSTATUS(status) == 0;
}

int compare(const std::string &beforeProgram, const std::string &beforeLabel,
            const std::string &afterLabel)
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return 1;
    self[length] = '\0';
    // A child that has stopped must not end this process through a write.
    signal(SIGPIPE, SIG_IGN);

    QTemporaryDir homes;
    if (!homes.isValid() || !QDir(homes.path()).mkdir(QStringLiteral("before"))
        || !QDir(homes.path()).mkdir(QStringLiteral("after"))) {
        std::fprintf(stderr, "gphoto2 cycles: no temporary folders for HOME\n");
        return 1;
    }

    Build builds[] = { { "before: " + beforeLabel, {}, {} }, { "after: " + afterLabel, {}, {} } };
    const std::string programs[] = { beforeProgram, self };
    const QString homePaths[]
        = { homes.filePath(QStringLiteral("before")), homes.filePath(QStringLiteral("after")) };
    Child children[2];
    bool ok = true;
    std::string line;
    // One after the other, so that neither warms up while the other works.
    for (int i = 0; i < 2 && ok; ++i) {
        ok = start(programs[i], homePaths[i], children[i]) && readLine(children[i], line)
            && line == "ready\n";
        if (!ok)
            std::fprintf(stderr, "gphoto2 cycles: %s did not start measuring\n",
                         builds[i].label.c_str());
    }
    // Each round the other build goes first, so that neither always follows
    // the same thing.
    for (int r = 0; r < kRounds && ok; ++r) {
        for (int k = 0; k < 2 && ok; ++k) {
            const int i = (r + k) % 2;
            Round round;
            ok = std::fputs("round\n", children[i].commands) >= 0
                && std::fflush(children[i].commands) == 0 && readLine(children[i], line)
                && std::sscanf(line.c_str(), "round %d %lf", &round.cycles, &round.seconds) == 2
                && round.cycles > 0 && round.seconds > 0;
            if (!ok)
                std::fprintf(stderr, "gphoto2 cycles: %s stopped measuring\n",
                             builds[i].label.c_str());
            else
                builds[i].rounds.push_back(round);
        }
    }
    for (int i = 0; i < 2; ++i) {
        if (!finish(children[i]) && ok) {
            std::fprintf(stderr, "gphoto2 cycles: %s failed\n", builds[i].label.c_str());
            ok = false;
        }
        builds[i].leftInHome = leftIn(homePaths[i]);
    }
    if (!ok)
        return 1;

    const std::vector<double> before = builds[0].perSecond();
    const std::vector<double> after = builds[1].perSecond();
    std::vector<double> paired;
    for (int r = 0; r < kRounds; ++r)
        paired.push_back(after[r] / before[r]);
    BenchTable rows = table();
    rows.addRow(buildRow(builds[0]));
    rows.addRow(buildRow(builds[1]));
    rows.addRow({ "after ÷ before",
                  BenchTable::cell("×%.2f (round by round ×%.2f–×%.2f)",
                                   BenchTable::median(after) / BenchTable::median(before),
                                   BenchTable::minimum(paired), BenchTable::maximum(paired)),
                  "", "", "" });
    rows.print("Camera cycle through libgphoto2 with no camera attached, two builds in alternate "
               "rounds ("
               + kCycle + "); " + roundsNote() + " each");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--serve") == 0)
        return serve();
    std::string label = "this build";
    std::string beforeProgram;
    std::string beforeLabel;
    bool understood = argc % 2 == 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--label")
            label = argv[i + 1];
        else if (option == "--before")
            beforeProgram = argv[i + 1];
        else if (option == "--before-label")
            beforeLabel = argv[i + 1];
        else
            understood = false;
    }
    if (!understood || label.empty() || beforeProgram.empty() != beforeLabel.empty()) {
        std::fprintf(stderr,
                     "usage: %s [--label TEXT]\n"
                     "       %s --before PROGRAM --before-label TEXT [--label TEXT]\n",
                     argv[0], argv[0]);
        return 2;
    }
    return beforeProgram.empty() ? alone(label) : compare(beforeProgram, beforeLabel, label);
}
