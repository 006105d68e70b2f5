#pragma once

#include "camera/edsdk.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// A camera SDK for tests. Results, sizes and values are scripted, every call
// is logged with its arguments, and references are handed out as ids that are
// never dereferenced, so misuse of one (released, invalidated by termination,
// never issued) is reported as a violation instead of crashing the test.
// A call that fails never touches its out-parameters.
namespace ScriptedSdk {

enum class Fn {
    InitializeSDK,
    TerminateSDK,
    Release,
    GetChildCount,
    GetChildAtIndex,
    GetPropertySize,
    GetPropertyData,
    SetPropertyData,
    GetCameraList,
    GetDeviceInfo,
    OpenSession,
    CloseSession,
    SetCapacity,
    SetPropertyEventHandler,
    SetObjectEventHandler,
    SetCameraStateEventHandler,
};

// What a reference stood for when it was passed.
enum class Target { Null, List, Camera, Stale };

struct Call {
    Fn fn = Fn::InitializeSDK;
    EdsBaseRef ref = nullptr;
    Target target = Target::Null;
    int camera = -1; // index in the camera list, for Target::Camera
    EdsPropertyID propertyId = 0;
    EdsInt32 param = 0; // property parameter, or the child index
    EdsUInt32 size = 0;
    QByteArray data; // bytes handed to EdsSetPropertyData
    EdsCapacity capacity = {};
    EdsUInt32 event = 0;
    std::uintptr_t handler = 0; // 0 for none
    EdsVoid *context = nullptr;
    EdsBaseRef outRef = nullptr; // reference handed out
    EdsError result = EDS_ERR_OK;

    EdsUInt32 value() const; // the written bytes, little-endian, if at most 4
    // Compact form for comparing sequences, e.g.
    // "SetPropertyData camera0 0x436 size 4 = 0x3", "OpenSession null -> 0x61".
    QString text() const;
};

template <typename Handler> std::uintptr_t address(Handler handler)
{
    return reinterpret_cast<std::uintptr_t>(handler);
}

// The default world: SDK not initialised, one camera attached, every 32-bit
// property 4 bytes wide with writes that stick, exposure mode not manual,
// pictures saved on the camera, a JPEG image quality, body ID "083021001234",
// device description "Scripted camera". Clears scripts, log and bookkeeping.
void reset();

// Results of the next calls of fn, in order; EDS_ERR_OK lets a call behave
// normally. A non-zero result fails the call without any effect.
void script(Fn fn, std::vector<EdsError> results);
// Fails the n-th call (1-based) counted from the last reset() or clearLog().
void failCall(int n, EdsError error = EDS_ERR_INTERNAL_ERROR);

void setCameraCount(EdsUInt32 count);
void setPropertySize(EdsPropertyID id, EdsUInt32 size);
void setPropertyValue(EdsPropertyID id, EdsUInt32 value);
void setWritesStick(EdsPropertyID id, bool stick);
void setBodyId(const QByteArray &bytes); // at most 256 bytes, zero bytes included as given
void setDeviceInfo(const QByteArray &description, EdsUInt32 deviceSubType = 0);

EdsUInt32 propertyValue(EdsPropertyID id);

const std::vector<Call> &calls();
std::vector<Call> callsOf(Fn fn);
QStringList trace(); // Call::text() of every logged call
// Forgets the log and pending failCall()s, so the next call is number 1 again;
// the world, the scripts and the bookkeeping stay.
void clearLog();

bool initialized();
int aliveReferences(); // issued, neither released nor invalidated by termination
QStringList violations(); // double releases and uses of stale references

} // namespace ScriptedSdk
