#pragma once

// Our own declarations of the camera SDK operations the program relies on.
// Every camera implementation (vendor library loader, libgphoto2, simulated
// camera, the scriptable test SDK) compiles against this header.

#include <cstdint>

// The vendor library's convention on 32-bit Windows, for its functions and
// for the handlers it calls. A library may be built with EDSAPI set to
// another convention, so that the loader's refusal of one can be seen.
#if defined(_WIN32) && !defined(_WIN64)
#ifndef EDSAPI
#define EDSAPI __stdcall
#endif
#define EDSCALLBACK __stdcall
#else
#ifndef EDSAPI
#define EDSAPI
#endif
#define EDSCALLBACK
#endif

typedef std::uint32_t EdsError;
typedef std::uint32_t EdsUInt32;
typedef std::int32_t EdsInt32;
typedef std::int32_t EdsBool;
typedef void EdsVoid;

typedef std::uint32_t EdsPropertyID;
typedef std::uint32_t EdsDataType;
typedef std::uint32_t EdsPropertyEvent;
typedef std::uint32_t EdsObjectEvent;
typedef std::uint32_t EdsStateEvent;

struct EdsOpaqueObject;
typedef EdsOpaqueObject *EdsBaseRef;
typedef EdsBaseRef EdsCameraListRef;
typedef EdsBaseRef EdsCameraRef;

struct EdsDeviceInfo {
    char szPortName[256];
    char szDeviceDescription[256];
    EdsUInt32 deviceSubType;
    EdsUInt32 reserved;
};
static_assert(sizeof(EdsDeviceInfo) == 520, "EdsDeviceInfo must match the SDK's 520-byte record");

struct EdsCapacity {
    EdsInt32 numberOfFreeClusters;
    EdsInt32 bytesPerSector;
    EdsBool reset;
};
static_assert(sizeof(EdsCapacity) == 12, "EdsCapacity is passed by value as three 32-bit fields");

// A body's clock: local time, without a zone.
struct EdsTime {
    EdsUInt32 year;
    EdsUInt32 month; // 1 to 12
    EdsUInt32 day;
    EdsUInt32 hour;
    EdsUInt32 minute;
    EdsUInt32 second;
    EdsUInt32 milliseconds;
};
static_assert(sizeof(EdsTime) == 28, "EdsTime is seven 32-bit fields");

typedef EdsError(EDSCALLBACK *EdsPropertyEventHandler)(EdsPropertyEvent inEvent,
                                                       EdsPropertyID inPropertyID,
                                                       EdsUInt32 inParam, EdsVoid *inContext);
typedef EdsError(EDSCALLBACK *EdsObjectEventHandler)(EdsObjectEvent inEvent, EdsBaseRef inRef,
                                                     EdsVoid *inContext);
typedef EdsError(EDSCALLBACK *EdsStateEventHandler)(EdsStateEvent inEvent, EdsUInt32 inEventData,
                                                    EdsVoid *inContext);

// Property ids
constexpr EdsPropertyID kEdsPropID_OwnerName = 0x00000004; // text
constexpr EdsPropertyID kEdsPropID_DateTime = 0x00000006; // EdsTime
constexpr EdsPropertyID kEdsPropID_FirmwareVersion = 0x00000007; // text
// 0 to 100 percent, or kEdsBatteryLevel_AC on mains power.
constexpr EdsPropertyID kEdsPropID_BatteryLevel = 0x00000008;
constexpr EdsPropertyID kEdsPropID_SaveTo = 0x0000000B;
constexpr EdsPropertyID kEdsPropID_BodyIDEx = 0x00000015;
constexpr EdsPropertyID kEdsPropID_ImageQuality = 0x00000100;
constexpr EdsPropertyID kEdsPropID_AvailableShots = 0x0000040A; // pictures left on the card
constexpr EdsPropertyID kEdsPropID_LensName = 0x0000040D; // text
constexpr EdsPropertyID kEdsPropID_Artist = 0x00000418; // text
constexpr EdsPropertyID kEdsPropID_Copyright = 0x00000419; // text
constexpr EdsPropertyID kEdsPropID_AEModeSelect = 0x00000436;
constexpr EdsPropertyID kEdsPropID_Evf_OutputDevice = 0x00000500;
constexpr EdsPropertyID kEdsPropID_Evf_Mode = 0x00000501;
constexpr EdsPropertyID kEdsPropID_Evf_AFMode = 0x0000050E;

// Not the maker's: ids of our own, outside every range the maker uses, for
// what some camera libraries give and the maker's library does not. The
// vendor loader answers them with EDS_ERR_NOT_SUPPORTED.
// Pictures taken over the body's life (32-bit).
constexpr EdsPropertyID kSarvolinPropID_ShutterCount = 0x7F000001;
// The body's own word for its battery ("Full", "Low") where it gives one
// instead of a percentage (text); kEdsPropID_BatteryLevel then answers the
// percentage that word stands for.
constexpr EdsPropertyID kSarvolinPropID_BatteryWord = 0x7F000002;

// Data types, as our implementations answer them; the camera logic never
// relies on them.
constexpr EdsDataType kEdsDataType_String = 2;
constexpr EdsDataType kEdsDataType_UInt32 = 9;
constexpr EdsDataType kEdsDataType_Time = 23;

// Property values
constexpr EdsUInt32 kEdsBatteryLevel_AC = 0xFFFFFFFF;
constexpr EdsUInt32 kEdsAEMode_Manual = 3;
constexpr EdsUInt32 kEdsSaveTo_Host = 2;
constexpr EdsUInt32 EdsImageQuality_LR = 0x0064FF0F;

// Events
constexpr EdsPropertyEvent kEdsPropertyEvent_All = 0x00000100;
constexpr EdsObjectEvent kEdsObjectEvent_All = 0x00000200;
constexpr EdsStateEvent kEdsStateEvent_All = 0x00000300;

// Results. Only 0 and "device not found" carry meaning for the camera logic;
// the others are what our own implementations answer with.
constexpr EdsError EDS_ERR_OK = 0x00000000;
constexpr EdsError EDS_ERR_INTERNAL_ERROR = 0x00000002;
constexpr EdsError EDS_ERR_NOT_SUPPORTED = 0x00000007;
constexpr EdsError EDS_ERR_INVALID_PARAMETER = 0x00000060;
constexpr EdsError EDS_ERR_INVALID_HANDLE = 0x00000061;
constexpr EdsError EDS_ERR_INVALID_POINTER = 0x00000062;
constexpr EdsError EDS_ERR_DEVICE_NOT_FOUND = 0x00000080;
constexpr EdsError EDS_ERR_DEVICE_BUSY = 0x00000081;
constexpr EdsError EDS_ERR_COMM_DISCONNECTED = 0x000000C1;
constexpr EdsError EDS_ERR_SESSION_NOT_OPEN = 0x00002003;
constexpr EdsError EDS_ERR_NOT_INITIALIZED = 0x00002005;

extern "C" {

EdsError EDSAPI EdsInitializeSDK();
EdsError EDSAPI EdsTerminateSDK();
EdsError EDSAPI EdsRelease(EdsBaseRef inRef);
EdsError EDSAPI EdsGetChildCount(EdsBaseRef inRef, EdsUInt32 *outCount);
EdsError EDSAPI EdsGetChildAtIndex(EdsBaseRef inRef, EdsInt32 inIndex, EdsBaseRef *outRef);
EdsError EDSAPI EdsGetPropertySize(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsDataType *outDataType, EdsUInt32 *outSize);
EdsError EDSAPI EdsGetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, EdsVoid *outPropertyData);
EdsError EDSAPI EdsSetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, const EdsVoid *inPropertyData);
EdsError EDSAPI EdsGetCameraList(EdsCameraListRef *outCameraListRef);
EdsError EDSAPI EdsGetDeviceInfo(EdsCameraRef inCameraRef, EdsDeviceInfo *outDeviceInfo);
EdsError EDSAPI EdsOpenSession(EdsCameraRef inCameraRef);
EdsError EDSAPI EdsCloseSession(EdsCameraRef inCameraRef);
EdsError EDSAPI EdsSetCapacity(EdsCameraRef inCameraRef, EdsCapacity inCapacity);
EdsError EDSAPI EdsSetPropertyEventHandler(EdsCameraRef inCameraRef, EdsPropertyEvent inEvent,
                                           EdsPropertyEventHandler inPropertyEventHandler,
                                           EdsVoid *inContext);
EdsError EDSAPI EdsSetObjectEventHandler(EdsCameraRef inCameraRef, EdsObjectEvent inEvent,
                                         EdsObjectEventHandler inObjectEventHandler,
                                         EdsVoid *inContext);
EdsError EDSAPI EdsSetCameraStateEventHandler(EdsCameraRef inCameraRef, EdsStateEvent inEvent,
                                              EdsStateEventHandler inStateEventHandler,
                                              EdsVoid *inContext);

// Not the maker's: our own additions, which every camera implementation
// answers. A camera's address is a text of the implementation's own by which
// another process reaches that one camera without looking at any other one.
// An implementation that has no such way answers EDS_ERR_NOT_SUPPORTED, and
// its callers look for the camera among all of them instead.
EdsError EDSAPI SarvolinGetCameraAddress(EdsCameraRef inCameraRef, EdsUInt32 inSize,
                                         char *outAddress);
// From now until the SDK terminates, its camera list holds only the camera at
// this address (none if it is not there any more), and no other is touched.
EdsError EDSAPI SarvolinUseCameraAddress(const char *inAddress);

} // extern "C"

// Room for any address, its closing zero included.
constexpr EdsUInt32 kSarvolinAddressSize = 4096;
