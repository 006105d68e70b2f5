#include "support/scriptedsdk.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <set>

namespace ScriptedSdk {
namespace {

constexpr std::uintptr_t kRefBase = 0x5eed0000;
constexpr std::uintptr_t kRefStep = 0x10;
constexpr EdsUInt32 kBodyIdSize = 256;

struct Handle {
    enum State { Alive, Released, Invalidated } state = Alive;
    bool isList = false;
    int camera = -1;
};

struct Property {
    EdsUInt32 size = 4;
    QByteArray bytes; // the value; reads are padded with zeros to the size asked for
    bool sticks = true;
};

struct World {
    bool initialized = false;
    EdsUInt32 cameraCount = 1;
    std::map<EdsPropertyID, Property> properties;
    EdsDeviceInfo deviceInfo = {};
    std::map<Fn, std::deque<EdsError>> scripts;
    std::map<int, EdsError> failures; // call number -> result
    int callNumber = 0;
    std::vector<Call> calls;
    std::map<std::uintptr_t, Handle> handles;
    std::uintptr_t nextId = 1;
    std::set<int> sessions; // cameras with an open session
    QStringList violations;
};

World &world()
{
    static World w;
    return w;
}

QByteArray littleEndian(EdsUInt32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xff);
    return bytes;
}

EdsUInt32 fromLittleEndian(const QByteArray &bytes)
{
    EdsUInt32 value = 0;
    for (int i = 0; i < std::min(4, int(bytes.size())); ++i)
        value |= EdsUInt32(quint8(bytes[i])) << (8 * i);
    return value;
}

const char *fnName(Fn fn)
{
    static const char *const names[] = {
        "InitializeSDK",
        "TerminateSDK",
        "Release",
        "GetChildCount",
        "GetChildAtIndex",
        "GetPropertySize",
        "GetPropertyData",
        "SetPropertyData",
        "GetCameraList",
        "GetDeviceInfo",
        "OpenSession",
        "CloseSession",
        "SetCapacity",
        "SetPropertyEventHandler",
        "SetObjectEventHandler",
        "SetCameraStateEventHandler",
    };
    return names[static_cast<int>(fn)];
}

EdsBaseRef issue(bool isList, int camera)
{
    World &w = world();
    const std::uintptr_t key = kRefBase + kRefStep * w.nextId++;
    Handle h;
    h.isList = isList;
    h.camera = camera;
    w.handles[key] = h;
    return reinterpret_cast<EdsBaseRef>(key);
}

enum class Need { Nothing, Any, List, Camera };

// Checks the reference a call was given; a stale or wrong one is recorded as
// a violation and refused like a real SDK refuses an invalid handle.
EdsError checkRef(Call &c, Need need, Handle **handle)
{
    World &w = world();
    if (need == Need::Nothing)
        return EDS_ERR_OK;
    if (!c.ref) {
        c.target = Target::Null;
        return EDS_ERR_INVALID_HANDLE;
    }
    const auto it = w.handles.find(reinterpret_cast<std::uintptr_t>(c.ref));
    const auto where = QStringLiteral("call %1 %2: ").arg(w.callNumber).arg(fnName(c.fn));
    if (it == w.handles.end() || it->second.state != Handle::Alive) {
        c.target = Target::Stale;
        if (it == w.handles.end())
            w.violations << where + QStringLiteral("reference never issued");
        else if (it->second.state == Handle::Invalidated)
            w.violations << where + QStringLiteral("reference invalidated by termination");
        else if (c.fn == Fn::Release)
            w.violations << where + QStringLiteral("double release");
        else
            w.violations << where + QStringLiteral("released reference");
        return EDS_ERR_INVALID_HANDLE;
    }
    Handle &h = it->second;
    c.target = h.isList ? Target::List : Target::Camera;
    c.camera = h.camera;
    if ((need == Need::List && !h.isList) || (need == Need::Camera && h.isList)) {
        w.violations << where + QStringLiteral("wrong kind of reference");
        return EDS_ERR_INVALID_HANDLE;
    }
    *handle = &h;
    return EDS_ERR_OK;
}

EdsError takeScripted(Fn fn)
{
    World &w = world();
    EdsError scripted = EDS_ERR_OK;
    auto queue = w.scripts.find(fn);
    if (queue != w.scripts.end() && !queue->second.empty()) {
        scripted = queue->second.front();
        queue->second.pop_front();
    }
    const auto failure = w.failures.find(w.callNumber);
    if (failure != w.failures.end())
        scripted = failure->second;
    return scripted;
}

// One SDK call: log it, check its reference, apply a scripted result, and
// only then let the body act (and write out-parameters).
template <typename Body> EdsError run(Call c, Need need, Body body)
{
    World &w = world();
    ++w.callNumber;
    const EdsError scripted = takeScripted(c.fn);
    Handle *handle = nullptr;
    EdsError err = checkRef(c, need, &handle);
    if (err == EDS_ERR_OK)
        err = scripted;
    if (err == EDS_ERR_OK)
        err = body(c, handle);
    c.result = err;
    w.calls.push_back(c);
    return err;
}

Call make(Fn fn, EdsBaseRef ref = nullptr, EdsPropertyID id = 0, EdsInt32 param = 0,
          EdsUInt32 size = 0)
{
    Call c;
    c.fn = fn;
    c.ref = ref;
    c.propertyId = id;
    c.param = param;
    c.size = size;
    return c;
}

bool hasSession(const Handle *h)
{
    return world().sessions.count(h->camera) != 0;
}

Property *property(EdsPropertyID id)
{
    auto &properties = world().properties;
    const auto it = properties.find(id);
    return it == properties.end() ? nullptr : &it->second;
}

// The property that a call on the camera's open session names, or why not.
EdsError sessionProperty(const Handle *h, EdsPropertyID id, Property *&p)
{
    if (!hasSession(h))
        return EDS_ERR_SESSION_NOT_OPEN;
    p = property(id);
    return p ? EDS_ERR_OK : EDS_ERR_NOT_SUPPORTED;
}

template <typename Handler>
EdsError setHandler(Fn fn, EdsCameraRef camera, EdsUInt32 event, Handler handler, EdsVoid *context)
{
    Call c = make(fn, camera);
    c.event = event;
    c.handler = address(handler);
    c.context = context;
    return run(c, Need::Camera, [](Call &, Handle *h) {
        return hasSession(h) ? EDS_ERR_OK : EDS_ERR_SESSION_NOT_OPEN;
    });
}

} // namespace

EdsUInt32 Call::value() const
{
    return fromLittleEndian(data);
}

QString Call::text() const
{
    QString s = QString::fromLatin1(fnName(fn));
    const bool hasRef
        = fn != Fn::InitializeSDK && fn != Fn::TerminateSDK && fn != Fn::GetCameraList;
    if (hasRef) {
        switch (target) {
        case Target::Null:
            s += QStringLiteral(" null");
            break;
        case Target::List:
            s += QStringLiteral(" list");
            break;
        case Target::Camera:
            s += QStringLiteral(" camera%1").arg(camera);
            break;
        case Target::Stale:
            s += QStringLiteral(" stale");
            break;
        }
    }
    const QString hex = QStringLiteral(" 0x%1");
    switch (fn) {
    case Fn::GetChildAtIndex:
        s += QStringLiteral(" %1").arg(param);
        break;
    case Fn::GetPropertySize:
    case Fn::GetPropertyData:
    case Fn::SetPropertyData:
        s += hex.arg(propertyId, 0, 16);
        if (param != 0)
            s += QStringLiteral(" param %1").arg(param);
        if (fn != Fn::GetPropertySize)
            s += QStringLiteral(" size %1").arg(size);
        if (fn == Fn::SetPropertyData)
            s += data.size() <= 4 ? QStringLiteral(" = 0x%1").arg(value(), 0, 16)
                                  : QStringLiteral(" = ") + QString::fromLatin1(data.toHex());
        break;
    case Fn::SetCapacity:
        s += QStringLiteral(" {0x%1, %2, %3}")
                 .arg(EdsUInt32(capacity.numberOfFreeClusters), 0, 16)
                 .arg(capacity.bytesPerSector)
                 .arg(capacity.reset);
        break;
    case Fn::SetPropertyEventHandler:
    case Fn::SetObjectEventHandler:
    case Fn::SetCameraStateEventHandler:
        s += hex.arg(event, 0, 16);
        s += handler ? QStringLiteral(" handler") : QStringLiteral(" none");
        if (context)
            s += QStringLiteral(" context");
        break;
    default:
        break;
    }
    if (result != EDS_ERR_OK)
        s += QStringLiteral(" -> 0x%1").arg(result, 0, 16);
    return s;
}

void reset()
{
    World &w = world();
    w = World();
    for (EdsPropertyID id :
         { kEdsPropID_Evf_OutputDevice, kEdsPropID_Evf_Mode, kEdsPropID_Evf_AFMode })
        setPropertyValue(id, 0);
    setPropertyValue(kEdsPropID_AEModeSelect, 1);
    setPropertyValue(kEdsPropID_SaveTo, 1);
    setPropertyValue(kEdsPropID_ImageQuality, 0x0013FF0F);
    setBodyId("083021001234");
    std::strcpy(w.deviceInfo.szPortName, "usb:001,004");
    setDeviceInfo("Scripted camera");
}

void script(Fn fn, std::vector<EdsError> results)
{
    auto &queue = world().scripts[fn];
    queue.insert(queue.end(), results.begin(), results.end());
}

void failCall(int n, EdsError error)
{
    world().failures[n] = error;
}

void setCameraCount(EdsUInt32 count)
{
    world().cameraCount = count;
}

void setPropertySize(EdsPropertyID id, EdsUInt32 size)
{
    world().properties[id].size = size;
}

void setPropertyValue(EdsPropertyID id, EdsUInt32 value)
{
    world().properties[id].bytes = littleEndian(value);
}

void setWritesStick(EdsPropertyID id, bool stick)
{
    world().properties[id].sticks = stick;
}

void setBodyId(const QByteArray &bytes)
{
    Property &p = world().properties[kEdsPropID_BodyIDEx];
    p.size = kBodyIdSize;
    p.bytes = bytes.left(kBodyIdSize);
}

void setDeviceInfo(const QByteArray &description, EdsUInt32 deviceSubType)
{
    EdsDeviceInfo &info = world().deviceInfo;
    std::memset(info.szDeviceDescription, 0, sizeof info.szDeviceDescription);
    std::memcpy(info.szDeviceDescription, description.constData(),
                std::min(sizeof info.szDeviceDescription, size_t(description.size())));
    info.deviceSubType = deviceSubType;
}

EdsUInt32 propertyValue(EdsPropertyID id)
{
    return fromLittleEndian(world().properties[id].bytes);
}

const std::vector<Call> &calls()
{
    return world().calls;
}

std::vector<Call> callsOf(Fn fn)
{
    std::vector<Call> selected;
    for (const Call &c : world().calls) {
        if (c.fn == fn)
            selected.push_back(c);
    }
    return selected;
}

QStringList trace()
{
    QStringList lines;
    for (const Call &c : world().calls)
        lines << c.text();
    return lines;
}

void clearLog()
{
    World &w = world();
    w.calls.clear();
    w.callNumber = 0;
    w.failures.clear();
}

bool initialized()
{
    return world().initialized;
}

int aliveReferences()
{
    const auto &handles = world().handles;
    return int(std::count_if(handles.begin(), handles.end(), [](const auto &entry) {
        return entry.second.state == Handle::Alive;
    }));
}

QStringList violations()
{
    return world().violations;
}

} // namespace ScriptedSdk

using namespace ScriptedSdk;

extern "C" {

EdsError EDSAPI EdsInitializeSDK()
{
    return run(make(Fn::InitializeSDK), Need::Nothing, [](Call &, Handle *) {
        world().initialized = true;
        return EDS_ERR_OK;
    });
}

// Termination frees everything the SDK handed out.
EdsError EDSAPI EdsTerminateSDK()
{
    return run(make(Fn::TerminateSDK), Need::Nothing, [](Call &, Handle *) {
        World &w = world();
        for (auto &entry : w.handles) {
            if (entry.second.state == Handle::Alive)
                entry.second.state = Handle::Invalidated;
        }
        w.sessions.clear();
        w.initialized = false;
        return EDS_ERR_OK;
    });
}

EdsError EDSAPI EdsRelease(EdsBaseRef inRef)
{
    return run(make(Fn::Release, inRef), Need::Any, [](Call &, Handle *h) {
        h->state = Handle::Released;
        return EDS_ERR_OK;
    });
}

EdsError EDSAPI EdsGetChildCount(EdsBaseRef inRef, EdsUInt32 *outCount)
{
    return run(make(Fn::GetChildCount, inRef), Need::List, [outCount](Call &, Handle *) {
        if (!outCount)
            return EDS_ERR_INVALID_POINTER;
        *outCount = world().cameraCount;
        return EDS_ERR_OK;
    });
}

EdsError EDSAPI EdsGetChildAtIndex(EdsBaseRef inRef, EdsInt32 inIndex, EdsBaseRef *outRef)
{
    return run(make(Fn::GetChildAtIndex, inRef, 0, inIndex), Need::List,
               [inIndex, outRef](Call &c, Handle *) {
                   if (!outRef)
                       return EDS_ERR_INVALID_POINTER;
                   if (inIndex < 0 || EdsUInt32(inIndex) >= world().cameraCount)
                       return EDS_ERR_INVALID_PARAMETER;
                   c.outRef = *outRef = issue(false, inIndex);
                   return EDS_ERR_OK;
               });
}

EdsError EDSAPI EdsGetPropertySize(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsDataType *outDataType, EdsUInt32 *outSize)
{
    return run(make(Fn::GetPropertySize, inRef, inPropertyID, inParam), Need::Camera,
               [=](Call &, Handle *h) {
                   if (!outDataType || !outSize)
                       return EDS_ERR_INVALID_POINTER;
                   Property *p = nullptr;
                   if (const EdsError error = sessionProperty(h, inPropertyID, p))
                       return error;
                   *outDataType = 0;
                   *outSize = p->size;
                   return EDS_ERR_OK;
               });
}

// Writes exactly the size asked for, as a real SDK trusts the caller's buffer.
EdsError EDSAPI EdsGetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, EdsVoid *outPropertyData)
{
    return run(make(Fn::GetPropertyData, inRef, inPropertyID, inParam, inPropertySize),
               Need::Camera, [=](Call &, Handle *h) {
                   if (!outPropertyData)
                       return EDS_ERR_INVALID_POINTER;
                   Property *p = nullptr;
                   if (const EdsError error = sessionProperty(h, inPropertyID, p))
                       return error;
                   auto *out = static_cast<char *>(outPropertyData);
                   const EdsUInt32 n = std::min(inPropertySize, EdsUInt32(p->bytes.size()));
                   std::memcpy(out, p->bytes.constData(), n);
                   std::memset(out + n, 0, inPropertySize - n);
                   return EDS_ERR_OK;
               });
}

// Reads exactly the size given; a write that sticks replaces the value's
// leading bytes, up to the property's size.
EdsError EDSAPI EdsSetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, const EdsVoid *inPropertyData)
{
    Call call = make(Fn::SetPropertyData, inRef, inPropertyID, inParam, inPropertySize);
    if (inPropertyData)
        call.data = QByteArray(static_cast<const char *>(inPropertyData), int(inPropertySize));
    return run(call, Need::Camera, [=](Call &c, Handle *h) {
        if (!inPropertyData)
            return EDS_ERR_INVALID_POINTER;
        Property *p = nullptr;
        if (const EdsError error = sessionProperty(h, inPropertyID, p))
            return error;
        if (p->sticks) {
            const int n = int(std::min(inPropertySize, p->size));
            if (p->bytes.size() < n)
                p->bytes.resize(n);
            std::memcpy(p->bytes.data(), c.data.constData(), size_t(n));
        }
        return EDS_ERR_OK;
    });
}

EdsError EDSAPI EdsGetCameraList(EdsCameraListRef *outCameraListRef)
{
    return run(make(Fn::GetCameraList), Need::Nothing, [outCameraListRef](Call &c, Handle *) {
        if (!outCameraListRef)
            return EDS_ERR_INVALID_POINTER;
        if (!world().initialized)
            return EDS_ERR_NOT_INITIALIZED;
        c.outRef = *outCameraListRef = issue(true, -1);
        return EDS_ERR_OK;
    });
}

EdsError EDSAPI EdsGetDeviceInfo(EdsCameraRef inCameraRef, EdsDeviceInfo *outDeviceInfo)
{
    return run(make(Fn::GetDeviceInfo, inCameraRef), Need::Camera,
               [outDeviceInfo](Call &, Handle *) {
                   if (!outDeviceInfo)
                       return EDS_ERR_INVALID_POINTER;
                   *outDeviceInfo = world().deviceInfo;
                   return EDS_ERR_OK;
               });
}

EdsError EDSAPI EdsOpenSession(EdsCameraRef inCameraRef)
{
    return run(make(Fn::OpenSession, inCameraRef), Need::Camera, [](Call &, Handle *h) {
        world().sessions.insert(h->camera);
        return EDS_ERR_OK;
    });
}

EdsError EDSAPI EdsCloseSession(EdsCameraRef inCameraRef)
{
    return run(make(Fn::CloseSession, inCameraRef), Need::Camera, [](Call &, Handle *h) {
        return world().sessions.erase(h->camera) ? EDS_ERR_OK : EDS_ERR_SESSION_NOT_OPEN;
    });
}

EdsError EDSAPI EdsSetCapacity(EdsCameraRef inCameraRef, EdsCapacity inCapacity)
{
    Call c = make(Fn::SetCapacity, inCameraRef);
    c.capacity = inCapacity;
    return run(c, Need::Camera, [](Call &, Handle *h) {
        return hasSession(h) ? EDS_ERR_OK : EDS_ERR_SESSION_NOT_OPEN;
    });
}

EdsError EDSAPI EdsSetPropertyEventHandler(EdsCameraRef inCameraRef, EdsPropertyEvent inEvent,
                                           EdsPropertyEventHandler inPropertyEventHandler,
                                           EdsVoid *inContext)
{
    return setHandler(Fn::SetPropertyEventHandler, inCameraRef, inEvent, inPropertyEventHandler,
                      inContext);
}

EdsError EDSAPI EdsSetObjectEventHandler(EdsCameraRef inCameraRef, EdsObjectEvent inEvent,
                                         EdsObjectEventHandler inObjectEventHandler,
                                         EdsVoid *inContext)
{
    return setHandler(Fn::SetObjectEventHandler, inCameraRef, inEvent, inObjectEventHandler,
                      inContext);
}

EdsError EDSAPI EdsSetCameraStateEventHandler(EdsCameraRef inCameraRef, EdsStateEvent inEvent,
                                              EdsStateEventHandler inStateEventHandler,
                                              EdsVoid *inContext)
{
    return setHandler(Fn::SetCameraStateEventHandler, inCameraRef, inEvent, inStateEventHandler,
                      inContext);
}

} // extern "C"
