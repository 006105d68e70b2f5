// Presses of Connect and Read with no camera attached, through the real
// libgphoto2, for Google Benchmark: initSdk, openFirstCamera finding nothing,
// disconnectCamera, as the window drives the camera on a machine with nothing
// plugged in. libgphoto2 keeps its settings under HOME, which is an empty
// temporary folder here; the home_entries counter is what it left there.
#include "camera/cameracannon.h"
#include "camera/edsdk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

QString home;

// The library must list cameras and find none; only then does a failed open
// mean "not detected" rather than a library that cannot list at all.
bool nothingAttached()
{
    EdsCameraListRef list = nullptr;
    EdsUInt32 attached = 0;
    const bool listed = EdsInitializeSDK() == EDS_ERR_OK && EdsGetCameraList(&list) == EDS_ERR_OK
        && EdsGetChildCount(list, &attached) == EDS_ERR_OK;
    if (list)
        EdsRelease(list);
    EdsTerminateSDK();
    if (!listed)
        std::fprintf(stderr, "sarvolin-bench-gphoto2: libgphoto2 could not list the cameras\n");
    else if (attached != 0)
        std::fprintf(stderr,
                     "sarvolin-bench-gphoto2: %u camera(s) attached; this times a press with "
                     "none, so unplug or switch off the camera and run it again\n",
                     static_cast<unsigned>(attached));
    return listed && attached == 0;
}

void noCameraCycle(benchmark::State &state)
{
    CameraCannon camera;
    for (auto _ : state) {
        int count = 0;
        const bool initialised = camera.initSdk();
        const bool opened = initialised && camera.openFirstCamera(count);
        camera.disconnectCamera();
        if (!initialised || opened || count > 0) {
            state.SkipWithError(initialised ? "a camera was found during the run"
                                            : "initSdk failed");
            return;
        }
    }
    state.counters["home_entries"]
        = QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size();
}
BENCHMARK(noCameraCycle)->Unit(benchmark::kMicrosecond)->MinWarmUpTime(0.5);

} // namespace

int main(int argc, char *argv[])
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "sarvolin-bench-gphoto2: no temporary folder for HOME\n");
        return 1;
    }
    home = dir.path();
    qputenv("HOME", QFile::encodeName(home));
    if (!nothingAttached())
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
