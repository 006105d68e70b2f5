// The window's work on the simulated camera, for Google Benchmark: one
// connect–read–disconnect cycle of CameraCannon, with the SDK calls it makes
// and the heap it keeps as counters, and the language switch of the window,
// with and without the repaint that follows it.
#include "app/brindel.h"
#include "camera/cameracannon.h"
#include "camera/edsdk.h"

#include <QApplication>
#include <QString>

#include <benchmark/benchmark.h>

#include <cstdio>

#include <malloc.h>

namespace {

long long sdkCalls = 0;
Brindel *window = nullptr;

// Bytes handed out by malloc and not yet freed, mapped blocks included.
double heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

// One press of Connect and Read, then Disconnect; false when a step fails or
// no ID comes back.
bool cycle(CameraCannon &camera)
{
    int count = 0;
    bool ok = camera.initSdk() && camera.openFirstCamera(count) && count > 0
        && camera.prepareCamera(0) == 0;
    if (ok) {
        QString id;
        ok = camera.readBodyId(id) && !id.isEmpty();
    }
    camera.disconnectCamera();
    return ok;
}

void cameraCycle(benchmark::State &state)
{
    CameraCannon camera;
    // What the first cycles allocate once is not growth.
    for (int i = 0; i < 1000; ++i) {
        if (!cycle(camera)) {
            state.SkipWithError("a cycle on the simulated camera failed");
            return;
        }
    }
    const long long callsBefore = sdkCalls;
    const double heapBefore = heapInUse();
    for (auto _ : state) {
        if (!cycle(camera)) {
            state.SkipWithError("a cycle on the simulated camera failed");
            return;
        }
    }
    // Read before the counters, whose own entries are on the heap too.
    const double heapAfter = heapInUse();
    using benchmark::Counter;
    state.counters["sdk_calls"] = Counter(sdkCalls - callsBefore, Counter::kAvgIterations);
    state.counters["heap_bytes"] = heapAfter;
    state.counters["heap_growth"] = heapAfter - heapBefore;
}
BENCHMARK(cameraCycle);

// 0 is Chinese and 1 English; a catalogue that failed to load would leave
// the title as it was, and pass for a fast switch.
void languageSwitch(benchmark::State &state)
{
    const bool repaint = state.range(0) != 0;
    const QString titles[2] = { QStringLiteral("萨沃林V1.1.0"), QStringLiteral("SarvolinV1.1.0") };
    int index = 1;
    for (auto _ : state) {
        index = 1 - index;
        window->slot_switchLanguage(index);
        if (repaint) {
            QCoreApplication::processEvents();
        } else {
            state.PauseTiming();
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
        if (window->windowTitle() != titles[index]) {
            state.SkipWithError("the switch left the window's title as it was");
            return;
        }
    }
}
BENCHMARK(languageSwitch)->ArgName("repaint")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The window's one start-up debug line would land in the figures.
void quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

#define SARVOLIN_COUNTED(name, params, args)                                                       \
    EdsError __real_##name params;                                                                 \
    EdsError __wrap_##name params                                                                  \
    {                                                                                              \
        ++sdkCalls;                                                                                \
        return __real_##name args;                                                                 \
    }

extern "C" {
SARVOLIN_COUNTED(EdsInitializeSDK, (), ())
SARVOLIN_COUNTED(EdsTerminateSDK, (), ())
SARVOLIN_COUNTED(EdsRelease, (EdsBaseRef r), (r))
SARVOLIN_COUNTED(EdsGetChildCount, (EdsBaseRef r, EdsUInt32 *n), (r, n))
SARVOLIN_COUNTED(EdsGetChildAtIndex, (EdsBaseRef r, EdsInt32 i, EdsBaseRef *c), (r, i, c))
SARVOLIN_COUNTED(EdsGetPropertySize,
                 (EdsBaseRef r, EdsPropertyID p, EdsInt32 a, EdsDataType *t, EdsUInt32 *s),
                 (r, p, a, t, s))
SARVOLIN_COUNTED(EdsGetPropertyData,
                 (EdsBaseRef r, EdsPropertyID p, EdsInt32 a, EdsUInt32 s, EdsVoid *d),
                 (r, p, a, s, d))
SARVOLIN_COUNTED(EdsSetPropertyData,
                 (EdsBaseRef r, EdsPropertyID p, EdsInt32 a, EdsUInt32 s, const EdsVoid *d),
                 (r, p, a, s, d))
SARVOLIN_COUNTED(EdsGetCameraList, (EdsCameraListRef * l), (l))
SARVOLIN_COUNTED(EdsGetDeviceInfo, (EdsCameraRef c, EdsDeviceInfo *i), (c, i))
SARVOLIN_COUNTED(EdsOpenSession, (EdsCameraRef c), (c))
SARVOLIN_COUNTED(EdsCloseSession, (EdsCameraRef c), (c))
SARVOLIN_COUNTED(EdsSetCapacity, (EdsCameraRef c, EdsCapacity k), (c, k))
SARVOLIN_COUNTED(EdsSetPropertyEventHandler,
                 (EdsCameraRef c, EdsPropertyEvent e, EdsPropertyEventHandler h, EdsVoid *x),
                 (c, e, h, x))
SARVOLIN_COUNTED(EdsSetObjectEventHandler,
                 (EdsCameraRef c, EdsObjectEvent e, EdsObjectEventHandler h, EdsVoid *x),
                 (c, e, h, x))
SARVOLIN_COUNTED(EdsSetCameraStateEventHandler,
                 (EdsCameraRef c, EdsStateEvent e, EdsStateEventHandler h, EdsVoid *x),
                 (c, e, h, x))
}

int main(int argc, char *argv[])
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    // One camera attached, and no display, whatever the caller's session says.
    qputenv("SARVOLIN_SIMULATED_CAMERAS", "1");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    QApplication app(argc, argv);
    Brindel brindel;
    brindel.show();
    QCoreApplication::processEvents();
    window = &brindel;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
