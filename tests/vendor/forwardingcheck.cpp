#include "forwardingcheck.h"

#include "fakevendor.h"

#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define fileno _fileno
#define close _close
#else
#include <unistd.h>
#endif

namespace {

// Opaque references are never dereferenced by the loader; the high bits
// catch a pointer narrowed on the way.
const EdsBaseRef kCamera
    = reinterpret_cast<EdsBaseRef>(static_cast<std::uintptr_t>(0x0BADF00D5A17C0DEull));
const EdsBaseRef kUntouchedRef = reinterpret_cast<EdsBaseRef>(std::uintptr_t(0x5E471E1));
constexpr EdsUInt32 kUntouched = 0xA5A5A5A5u;

int handlerCalls = 0;
EdsError handlerArguments = 0; // digest of what the last handler call received

EdsError EDSCALLBACK onProperty(EdsPropertyEvent event, EdsPropertyID id, EdsUInt32 parameter,
                                EdsVoid *context)
{
    ++handlerCalls;
    handlerArguments = fakeDigest({ event, id, parameter, fakeBits(context) });
    return 0x3001;
}

EdsError EDSCALLBACK onObject(EdsObjectEvent event, EdsBaseRef ref, EdsVoid *context)
{
    ++handlerCalls;
    handlerArguments = fakeDigest({ event, fakeBits(ref), fakeBits(context) });
    return 0x3002;
}

EdsError EDSCALLBACK onState(EdsStateEvent event, EdsUInt32 data, EdsVoid *context)
{
    ++handlerCalls;
    handlerArguments = fakeDigest({ event, data, fakeBits(context) });
    return 0x3003;
}

std::uint64_t widen(EdsInt32 value)
{
    return std::uint64_t(std::int64_t(value));
}

template <typename Handler> std::uint64_t handlerBits(Handler handler)
{
    return reinterpret_cast<std::uintptr_t>(handler);
}

} // namespace

std::string checkForwarding()
{
    std::string failures;
    auto expect = [&](bool ok, const char *what) {
        if (!ok)
            failures += std::string(what) + "\n";
    };
    const std::uint64_t camera = fakeBits(kCamera);

    expect(EdsRelease(kCamera) == fakeDigest({ 4, camera }), "EdsRelease: result");

    EdsUInt32 count = 0;
    expect(EdsGetChildCount(kCamera, &count) == fakeDigest({ 5, camera }),
           "EdsGetChildCount: result");
    expect(count == fakeDigest({ 5, 1, camera }), "EdsGetChildCount: count");

    EdsBaseRef child = nullptr;
    const EdsInt32 index = -2;
    expect(EdsGetChildAtIndex(kCamera, index, &child) == fakeDigest({ 6, camera, widen(index) }),
           "EdsGetChildAtIndex: result");
    expect(fakeBits(child) == fakeDigest({ 6, 1, camera, widen(index) }),
           "EdsGetChildAtIndex: child");

    const EdsPropertyID id = kEdsPropID_AEModeSelect;
    const EdsInt32 parameter = -3;
    EdsDataType type = 0;
    EdsUInt32 size = 0;
    expect(EdsGetPropertySize(kCamera, id, parameter, &type, &size)
               == fakeDigest({ 8, camera, id, widen(parameter) }),
           "EdsGetPropertySize: result");
    expect(type == fakeDigest({ 8, 1, id, widen(parameter) }), "EdsGetPropertySize: data type");
    expect(size == fakeDigest({ 8, 2, id, widen(parameter) }), "EdsGetPropertySize: size");

    unsigned char buffer[6] = {};
    expect(EdsGetPropertyData(kCamera, id, parameter, sizeof buffer, buffer)
               == fakeDigest({ 9, camera, id, widen(parameter), sizeof buffer, fakeBits(buffer) }),
           "EdsGetPropertyData: result");
    for (unsigned i = 0; i < sizeof buffer; ++i)
        expect(buffer[i] == static_cast<unsigned char>(id + 3 * i), "EdsGetPropertyData: bytes");

    const EdsUInt32 quality = EdsImageQuality_LR;
    expect(EdsSetPropertyData(kCamera, kEdsPropID_ImageQuality, 0, sizeof quality, &quality)
               == fakeDigest({ 10, camera, kEdsPropID_ImageQuality, 0, sizeof quality,
                               fakeBytesDigest(&quality, sizeof quality) }),
           "EdsSetPropertyData: result");

    EdsCameraListRef list = nullptr;
    expect(EdsGetCameraList(&list) == fakeDigest({ 12 }), "EdsGetCameraList: result");
    expect(fakeBits(list) == fakeDigest({ 12, 1 }), "EdsGetCameraList: list");

    EdsDeviceInfo info;
    std::memset(&info, 0, sizeof info);
    const EdsError infoDigest = fakeDigest({ 13, camera });
    char description[32];
    std::snprintf(description, sizeof description, "camera %08x",
                  static_cast<unsigned>(infoDigest));
    expect(EdsGetDeviceInfo(kCamera, &info) == infoDigest, "EdsGetDeviceInfo: result");
    expect(std::strcmp(info.szDeviceDescription, description) == 0
               && info.deviceSubType == infoDigest + 1 && info.reserved == infoDigest + 2,
           "EdsGetDeviceInfo: record");

    expect(EdsOpenSession(kCamera) == fakeDigest({ 14, camera }), "EdsOpenSession: result");
    expect(EdsCloseSession(kCamera) == fakeDigest({ 15, camera }), "EdsCloseSession: result");

    const EdsCapacity capacity = { 0x7FFFFFFF, 0x1000, 1 };
    expect(EdsSetCapacity(kCamera, capacity)
               == fakeDigest({ 18, camera, widen(capacity.numberOfFreeClusters),
                               widen(capacity.bytesPerSector), widen(capacity.reset) }),
           "EdsSetCapacity: result");

    int contextObject = 0;
    void *context = &contextObject;

    handlerCalls = 0;
    expect(EdsSetPropertyEventHandler(kCamera, kEdsPropertyEvent_All, onProperty, context)
               == fakeDigest({ 50, camera, kEdsPropertyEvent_All, handlerBits(onProperty),
                               fakeBits(context), 0x3001 }),
           "EdsSetPropertyEventHandler: result");
    expect(handlerCalls == 1
               && handlerArguments
                   == fakeDigest({ kEdsPropertyEvent_All, kFakeHandlerPropertyId,
                                   kFakeHandlerParameter, fakeBits(context) }),
           "EdsSetPropertyEventHandler: handler call");

    handlerCalls = 0;
    expect(EdsSetObjectEventHandler(kCamera, kEdsObjectEvent_All, onObject, context)
               == fakeDigest({ 51, camera, kEdsObjectEvent_All, handlerBits(onObject),
                               fakeBits(context), 0x3002 }),
           "EdsSetObjectEventHandler: result");
    expect(handlerCalls == 1
               && handlerArguments
                   == fakeDigest({ kEdsObjectEvent_All, camera, fakeBits(context) }),
           "EdsSetObjectEventHandler: handler call");

    handlerCalls = 0;
    expect(EdsSetCameraStateEventHandler(kCamera, kEdsStateEvent_All, onState, context)
               == fakeDigest({ 52, camera, kEdsStateEvent_All, handlerBits(onState),
                               fakeBits(context), 0x3003 }),
           "EdsSetCameraStateEventHandler: result");
    expect(handlerCalls == 1
               && handlerArguments
                   == fakeDigest({ kEdsStateEvent_All, kFakeHandlerStateData, fakeBits(context) }),
           "EdsSetCameraStateEventHandler: handler call");

    // Resetting a handler passes null pointers through as they are.
    handlerCalls = 0;
    expect(EdsSetPropertyEventHandler(kCamera, kEdsPropertyEvent_All, nullptr, nullptr)
                   == fakeDigest({ 50, camera, kEdsPropertyEvent_All, 0, 0, 0 })
               && EdsSetObjectEventHandler(kCamera, kEdsObjectEvent_All, nullptr, nullptr)
                   == fakeDigest({ 51, camera, kEdsObjectEvent_All, 0, 0, 0 })
               && EdsSetCameraStateEventHandler(kCamera, kEdsStateEvent_All, nullptr, nullptr)
                   == fakeDigest({ 52, camera, kEdsStateEvent_All, 0, 0, 0 })
               && handlerCalls == 0,
           "handler reset");

    return failures;
}

std::string checkCallsRefused()
{
    std::string failures;
    auto expect = [&](bool ok, const char *what) {
        if (!ok)
            failures += std::string(what) + "\n";
    };

    EdsUInt32 count = kUntouched;
    EdsBaseRef child = kUntouchedRef;
    EdsDataType type = kUntouched;
    EdsUInt32 size = kUntouched;
    unsigned char buffer[4];
    std::memset(buffer, 0xA5, sizeof buffer);
    EdsCameraListRef list = kUntouchedRef;
    EdsDeviceInfo info;
    std::memset(&info, 0xA5, sizeof info);
    EdsDeviceInfo untouchedInfo = info;
    const EdsUInt32 value = 3;
    handlerCalls = 0;

    expect(EdsTerminateSDK() != EDS_ERR_OK, "EdsTerminateSDK succeeded");
    expect(EdsRelease(kCamera) != EDS_ERR_OK, "EdsRelease succeeded");
    expect(EdsGetChildCount(kCamera, &count) != EDS_ERR_OK, "EdsGetChildCount succeeded");
    expect(EdsGetChildAtIndex(kCamera, 0, &child) != EDS_ERR_OK, "EdsGetChildAtIndex succeeded");
    expect(EdsGetPropertySize(kCamera, kEdsPropID_BodyIDEx, 0, &type, &size) != EDS_ERR_OK,
           "EdsGetPropertySize succeeded");
    expect(EdsGetPropertyData(kCamera, kEdsPropID_SaveTo, 0, sizeof buffer, buffer) != EDS_ERR_OK,
           "EdsGetPropertyData succeeded");
    expect(EdsSetPropertyData(kCamera, kEdsPropID_SaveTo, 0, sizeof value, &value) != EDS_ERR_OK,
           "EdsSetPropertyData succeeded");
    expect(EdsGetCameraList(&list) != EDS_ERR_OK, "EdsGetCameraList succeeded");
    expect(EdsGetDeviceInfo(kCamera, &info) != EDS_ERR_OK, "EdsGetDeviceInfo succeeded");
    expect(EdsOpenSession(kCamera) != EDS_ERR_OK, "EdsOpenSession succeeded");
    expect(EdsCloseSession(kCamera) != EDS_ERR_OK, "EdsCloseSession succeeded");
    expect(EdsSetCapacity(kCamera, { 0x7FFFFFFF, 0x1000, 1 }) != EDS_ERR_OK,
           "EdsSetCapacity succeeded");
    int contextObject = 0;
    expect(EdsSetPropertyEventHandler(kCamera, kEdsPropertyEvent_All, onProperty, &contextObject)
               != EDS_ERR_OK,
           "EdsSetPropertyEventHandler succeeded");
    expect(EdsSetObjectEventHandler(kCamera, kEdsObjectEvent_All, onObject, &contextObject)
               != EDS_ERR_OK,
           "EdsSetObjectEventHandler succeeded");
    expect(EdsSetCameraStateEventHandler(kCamera, kEdsStateEvent_All, onState, &contextObject)
               != EDS_ERR_OK,
           "EdsSetCameraStateEventHandler succeeded");

    expect(count == kUntouched, "EdsGetChildCount touched the count");
    expect(child == kUntouchedRef, "EdsGetChildAtIndex touched the reference");
    expect(type == kUntouched && size == kUntouched, "EdsGetPropertySize touched its outputs");
    expect(buffer[0] == 0xA5 && buffer[3] == 0xA5, "EdsGetPropertyData touched the buffer");
    expect(list == kUntouchedRef, "EdsGetCameraList touched the list");
    expect(std::memcmp(&info, &untouchedInfo, sizeof info) == 0,
           "EdsGetDeviceInfo touched the record");
    expect(handlerCalls == 0, "a handler was called");
    return failures;
}

std::string captureStandardError(const std::string &path, const std::function<void()> &action)
{
    std::FILE *file = std::fopen(path.c_str(), "w+");
    if (!file)
        return "(standard error could not be captured)";
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(fileno(file), 2);
    action();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);

    std::string text;
    std::rewind(file);
    char chunk[256];
    std::size_t read;
    while ((read = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, read);
    std::fclose(file);
    return text;
}
