// The SDK calls of one connect–read–disconnect cycle on the simulated camera,
// counted per function and compared, call by call, with what the camera logic
// has to ask of the SDK. The linker routes the camera logic's calls through
// the __wrap_ functions below (see CMakeLists.txt), which record them and
// pass them on to the simulated camera.
#include "benchtable.h"
#include "cameracycle.h"

#include "camera/cameracannon.h"

#include <QtGlobal>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kCycles = 100;

struct Call {
    std::string fn;
    EdsPropertyID property = 0; // 0 where the function takes none
    EdsError result = EDS_ERR_OK;

    std::string text() const { return property ? fn + BenchTable::cell(" 0x%X", property) : fn; }
};

std::vector<Call> recorded;

EdsError note(const char *fn, EdsPropertyID property, EdsError result)
{
    recorded.push_back({ fn, property, result });
    return result;
}

// One cycle from an SDK that is not initialised, with the camera as it comes
// out of the bag (exposure mode not manual), written down from what the
// camera logic must do rather than from how it does it.
std::vector<Call> requiredCycle()
{
    const EdsPropertyID exposure = kEdsPropID_AEModeSelect;
    const EdsPropertyID saveTo = kEdsPropID_SaveTo;
    const EdsPropertyID quality = kEdsPropID_ImageQuality;
    return {
        // initSdk: terminate unconditionally, then initialise
        { "EdsTerminateSDK" },
        { "EdsInitializeSDK" },
        // openFirstCamera
        { "EdsGetCameraList" },
        { "EdsGetChildCount" },
        { "EdsGetChildAtIndex" },
        { "EdsRelease" },
        { "EdsOpenSession" },
        // prepareCamera: exposure mode made manual
        { "EdsGetPropertySize", exposure },
        { "EdsGetPropertyData", exposure },
        { "EdsSetPropertyData", exposure },
        // pictures to the host, written and verified twice
        { "EdsGetPropertySize", saveTo },
        { "EdsSetPropertyData", saveTo },
        { "EdsGetPropertyData", saveTo },
        { "EdsGetPropertySize", saveTo },
        { "EdsSetPropertyData", saveTo },
        { "EdsGetPropertyData", saveTo },
        { "EdsSetCapacity" },
        // RAW image quality, written and verified
        { "EdsGetPropertySize", quality },
        { "EdsSetPropertyData", quality },
        { "EdsGetPropertyData", quality },
        // the three event handlers
        { "EdsSetObjectEventHandler" },
        { "EdsSetCameraStateEventHandler" },
        { "EdsSetPropertyEventHandler" },
        // the exposure mode verified
        { "EdsGetPropertySize", exposure },
        { "EdsGetPropertyData", exposure },
        // readBodyId
        { "EdsGetPropertyData", kEdsPropID_BodyIDEx },
        // disconnectCamera
        { "EdsSetObjectEventHandler" },
        { "EdsSetCameraStateEventHandler" },
        { "EdsCloseSession" },
        { "EdsRelease" },
        { "EdsTerminateSDK" },
    };
}

// Empty when the cycle made exactly the required calls, in order.
std::string difference(const std::vector<Call> &made, const std::vector<Call> &required)
{
    for (std::size_t i = 0; i < made.size() || i < required.size(); ++i) {
        const std::string want = i < required.size() ? required[i].text() : "no call";
        const std::string got = i < made.size() ? made[i].text() : "no call";
        if (want != got)
            return BenchTable::cell("call %zu: %s where %s is required", i + 1, got.c_str(),
                                    want.c_str());
    }
    return std::string();
}

} // namespace

extern "C" {

EdsError __real_EdsInitializeSDK();
EdsError __real_EdsTerminateSDK();
EdsError __real_EdsRelease(EdsBaseRef);
EdsError __real_EdsGetChildCount(EdsBaseRef, EdsUInt32 *);
EdsError __real_EdsGetChildAtIndex(EdsBaseRef, EdsInt32, EdsBaseRef *);
EdsError __real_EdsGetPropertySize(EdsBaseRef, EdsPropertyID, EdsInt32, EdsDataType *, EdsUInt32 *);
EdsError __real_EdsGetPropertyData(EdsBaseRef, EdsPropertyID, EdsInt32, EdsUInt32, EdsVoid *);
EdsError __real_EdsSetPropertyData(EdsBaseRef, EdsPropertyID, EdsInt32, EdsUInt32, const EdsVoid *);
EdsError __real_EdsGetCameraList(EdsCameraListRef *);
EdsError __real_EdsGetDeviceInfo(EdsCameraRef, EdsDeviceInfo *);
EdsError __real_EdsOpenSession(EdsCameraRef);
EdsError __real_EdsCloseSession(EdsCameraRef);
EdsError __real_EdsSetCapacity(EdsCameraRef, EdsCapacity);
EdsError __real_EdsSetPropertyEventHandler(EdsCameraRef, EdsPropertyEvent, EdsPropertyEventHandler,
                                           EdsVoid *);
EdsError __real_EdsSetObjectEventHandler(EdsCameraRef, EdsObjectEvent, EdsObjectEventHandler,
                                         EdsVoid *);
EdsError __real_EdsSetCameraStateEventHandler(EdsCameraRef, EdsStateEvent, EdsStateEventHandler,
                                              EdsVoid *);

EdsError __wrap_EdsInitializeSDK()
{
    return note("EdsInitializeSDK", 0, __real_EdsInitializeSDK());
}

EdsError __wrap_EdsTerminateSDK()
{
    return note("EdsTerminateSDK", 0, __real_EdsTerminateSDK());
}

EdsError __wrap_EdsRelease(EdsBaseRef ref)
{
    return note("EdsRelease", 0, __real_EdsRelease(ref));
}

EdsError __wrap_EdsGetChildCount(EdsBaseRef ref, EdsUInt32 *count)
{
    return note("EdsGetChildCount", 0, __real_EdsGetChildCount(ref, count));
}

EdsError __wrap_EdsGetChildAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef *child)
{
    return note("EdsGetChildAtIndex", 0, __real_EdsGetChildAtIndex(ref, index, child));
}

EdsError __wrap_EdsGetPropertySize(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param,
                                   EdsDataType *type, EdsUInt32 *size)
{
    return note("EdsGetPropertySize", id, __real_EdsGetPropertySize(ref, id, param, type, size));
}

EdsError __wrap_EdsGetPropertyData(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                                   EdsVoid *data)
{
    return note("EdsGetPropertyData", id, __real_EdsGetPropertyData(ref, id, param, size, data));
}

EdsError __wrap_EdsSetPropertyData(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                                   const EdsVoid *data)
{
    return note("EdsSetPropertyData", id, __real_EdsSetPropertyData(ref, id, param, size, data));
}

EdsError __wrap_EdsGetCameraList(EdsCameraListRef *list)
{
    return note("EdsGetCameraList", 0, __real_EdsGetCameraList(list));
}

EdsError __wrap_EdsGetDeviceInfo(EdsCameraRef camera, EdsDeviceInfo *info)
{
    return note("EdsGetDeviceInfo", 0, __real_EdsGetDeviceInfo(camera, info));
}

EdsError __wrap_EdsOpenSession(EdsCameraRef camera)
{
    return note("EdsOpenSession", 0, __real_EdsOpenSession(camera));
}

EdsError __wrap_EdsCloseSession(EdsCameraRef camera)
{
    return note("EdsCloseSession", 0, __real_EdsCloseSession(camera));
}

EdsError __wrap_EdsSetCapacity(EdsCameraRef camera, EdsCapacity capacity)
{
    return note("EdsSetCapacity", 0, __real_EdsSetCapacity(camera, capacity));
}

EdsError __wrap_EdsSetPropertyEventHandler(EdsCameraRef camera, EdsPropertyEvent event,
                                           EdsPropertyEventHandler handler, EdsVoid *context)
{
    return note("EdsSetPropertyEventHandler", 0,
                __real_EdsSetPropertyEventHandler(camera, event, handler, context));
}

EdsError __wrap_EdsSetObjectEventHandler(EdsCameraRef camera, EdsObjectEvent event,
                                         EdsObjectEventHandler handler, EdsVoid *context)
{
    return note("EdsSetObjectEventHandler", 0,
                __real_EdsSetObjectEventHandler(camera, event, handler, context));
}

EdsError __wrap_EdsSetCameraStateEventHandler(EdsCameraRef camera, EdsStateEvent event,
                                              EdsStateEventHandler handler, EdsVoid *context)
{
    return note("EdsSetCameraStateEventHandler", 0,
                __real_EdsSetCameraStateEventHandler(camera, event, handler, context));
}

} // extern "C"

int main()
{
    qputenv("SARVOLIN_SIMULATED_CAMERAS", "1");

    const std::vector<Call> required = requiredCycle();
    std::map<std::string, int> madeCount;
    std::map<std::string, int> failedCount;
    std::map<std::string, int> requiredCount;
    for (const Call &call : required)
        ++requiredCount[call.fn];

    std::string firstDifference;
    int cyclesAsRequired = 0;
    CameraCannon camera;
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        recorded.clear();
        if (!runCameraCycle(camera)) {
            std::fprintf(stderr, "SDK calls: cycle %d on the simulated camera failed\n", cycle);
            return 1;
        }
        for (const Call &call : recorded) {
            ++madeCount[call.fn];
            if (call.result != EDS_ERR_OK)
                ++failedCount[call.fn];
        }
        const std::string diff = difference(recorded, required);
        if (diff.empty())
            ++cyclesAsRequired;
        else if (firstDifference.empty())
            firstDifference = BenchTable::cell("cycle %d, ", cycle) + diff;
    }

    std::map<std::string, bool> functions;
    for (const auto &entry : madeCount)
        functions[entry.first] = true;
    for (const auto &entry : requiredCount)
        functions[entry.first] = true;

    BenchTable breakdown({ "SDK function", "calls per cycle", "of which failed", "required" });
    int made = 0;
    int failed = 0;
    for (const auto &entry : functions) {
        const std::string &fn = entry.first;
        made += madeCount[fn];
        failed += failedCount[fn];
        breakdown.addRow({ fn, BenchTable::cell("%g", double(madeCount[fn]) / kCycles),
                           BenchTable::cell("%g", double(failedCount[fn]) / kCycles),
                           std::to_string(requiredCount[fn]) });
    }
    const double perCycle = double(made) / kCycles;
    breakdown.addRow({ "total", BenchTable::cell("%g", perCycle),
                       BenchTable::cell("%g", double(failed) / kCycles),
                       std::to_string(required.size()) });
    breakdown.print(BenchTable::cell("SDK calls per connect–read–disconnect cycle on the simulated "
                                     "camera, over %d cycles",
                                     kCycles));

    const bool asRequired = cyclesAsRequired == kCycles;
    BenchTable summary({ "measure", "value", "target", "status" });
    summary.addRow({ "SDK calls per cycle", BenchTable::cell("%g", perCycle),
                     BenchTable::cell("%zu, exactly the required ones", required.size()),
                     BenchTable::status(asRequired) });
    summary.addRow({ "cycles whose calls match the required sequence, call by call",
                     BenchTable::cell("%d of %d", cyclesAsRequired, kCycles),
                     BenchTable::cell("%d of %d", kCycles, kCycles),
                     BenchTable::status(asRequired) });
    if (!asRequired)
        summary.addRow({ "first difference", firstDifference, "", "" });
    summary.print("SDK calls against the required sequence");
    return 0;
}
