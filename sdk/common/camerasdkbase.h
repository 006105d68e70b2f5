#pragma once

#include "sdk/common/camerasdk.h"
#include "sdk/common/referencetable.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>

// What every camera implementation does around its own work: one lock over
// each call, refusing calls while not initialised, the references it hands
// out and their lookup, and the checks of the caller's pointers. A camera
// reference carries the implementation's Payload; the implementation fills in
// the protected operations, each called with the lock held, the SDK
// initialised and the camera found (and its session open where a property
// is concerned).
template <typename Payload> class CameraSdkBase : public CameraSdk
{
public:
    // How reference outputs are left when a call fails.
    enum class FailedOutputs { Untouched, Cleared };

    EdsError initialize() final
    {
        const auto lock = enter();
        if (initialised)
            return EDS_ERR_OK; // one terminate ends any number of these
        const EdsError error = start();
        initialised = error == EDS_ERR_OK;
        return error;
    }

    EdsError terminate() final
    {
        const auto lock = enter();
        if (!initialised)
            return EDS_ERR_NOT_INITIALIZED;
        references.clear(); // ends every session with its camera
        stop();
        initialised = false;
        return EDS_ERR_OK;
    }

    EdsError release(EdsBaseRef ref) final
    {
        const auto lock = enter();
        if (!initialised)
            return EDS_ERR_NOT_INITIALIZED;
        return references.release(ref);
    }

    EdsError cameraList(EdsCameraListRef *outList) final
    {
        const auto lock = enter();
        clearOutput(outList);
        if (!initialised)
            return EDS_ERR_NOT_INITIALIZED;
        if (!outList)
            return EDS_ERR_INVALID_POINTER;
        return listCameras(*outList);
    }

    EdsError childCount(EdsBaseRef ref, EdsUInt32 *outCount) final
    {
        const auto lock = enter();
        if (!initialised)
            return EDS_ERR_NOT_INITIALIZED;
        return references.childCount(ref, outCount);
    }

    EdsError childAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef *outRef) final
    {
        const auto lock = enter();
        clearOutput(outRef);
        if (!initialised)
            return EDS_ERR_NOT_INITIALIZED;
        return references.childAtIndex(ref, index, outRef);
    }

    EdsError deviceInfo(EdsCameraRef ref, EdsDeviceInfo *outInfo) final
    {
        const auto lock = enter();
        Payload *camera = nullptr;
        if (const EdsError error = find(ref, camera))
            return error;
        if (!outInfo)
            return EDS_ERR_INVALID_POINTER;
        return describe(*camera, *outInfo);
    }

    EdsError openSession(EdsCameraRef ref) final
    {
        const auto lock = enter();
        Payload *camera = nullptr;
        if (const EdsError error = find(ref, camera))
            return error;
        return open(*camera);
    }

    EdsError closeSession(EdsCameraRef ref) final
    {
        const auto lock = enter();
        Payload *camera = nullptr;
        if (const EdsError error = findOpen(ref, camera))
            return error;
        return close(*camera);
    }

    EdsError setCapacity(EdsCameraRef ref, EdsCapacity capacity) final
    {
        const auto lock = enter();
        Payload *camera = nullptr;
        if (const EdsError error = find(ref, camera))
            return error;
        return acceptCapacity(*camera, capacity);
    }

    EdsError propertySize(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param, EdsDataType *outType,
                          EdsUInt32 *outSize) final
    {
        const auto lock = enter();
        Payload *camera = nullptr;
        if (const EdsError error = findOpen(ref, camera))
            return error;
        if (!outType || !outSize)
            return EDS_ERR_INVALID_POINTER;
        return sizeOf(*camera, id, param, *outType, *outSize);
    }

    EdsError propertyData(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                          EdsVoid *outData) final
    {
        const auto lock = enter();
        Payload *camera = nullptr;
        if (const EdsError error = findOpen(ref, camera))
            return error;
        if (!outData)
            return EDS_ERR_INVALID_POINTER;
        return read(*camera, id, param, size, outData);
    }

    EdsError setPropertyData(EdsBaseRef ref, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                             const EdsVoid *inData) final
    {
        auto lock = enter();
        Payload *camera = nullptr;
        if (const EdsError error = findOpen(ref, camera))
            return error;
        if (!inData)
            return EDS_ERR_INVALID_POINTER;
        return write(*camera, id, param, size, inData, lock);
    }

    EdsError setPropertyEventHandler(EdsCameraRef ref, EdsPropertyEvent event,
                                     EdsPropertyEventHandler handler, EdsVoid *context) final
    {
        const auto lock = enter();
        Payload *camera = nullptr;
        if (const EdsError error = find(ref, camera))
            return error;
        return watchProperties(*camera, event, handler, context);
    }

    EdsError setObjectEventHandler(EdsCameraRef ref) final { return findOnly(ref); }
    EdsError setCameraStateEventHandler(EdsCameraRef ref) final { return findOnly(ref); }

    // An address that does not fit leaves the output as it was.
    EdsError cameraAddress(EdsCameraRef ref, EdsUInt32 size, char *outAddress) final
    {
        const auto lock = enter();
        Payload *camera = nullptr;
        if (const EdsError error = find(ref, camera))
            return error;
        if (!outAddress)
            return EDS_ERR_INVALID_POINTER;
        std::string address;
        if (const EdsError error = addressOf(*camera, address))
            return error;
        if (address.empty())
            return EDS_ERR_NOT_SUPPORTED;
        if (address.size() >= size)
            return EDS_ERR_INVALID_PARAMETER;
        std::memcpy(outAddress, address.c_str(), address.size() + 1);
        return EDS_ERR_OK;
    }

    EdsError useCameraAddress(const char *address) final
    {
        const auto lock = enter();
        if (!initialised)
            return EDS_ERR_NOT_INITIALIZED;
        if (!address)
            return EDS_ERR_INVALID_POINTER;
        return reachOnly(address);
    }

protected:
    explicit CameraSdkBase(FailedOutputs failedOutputs)
        : references([this](Payload &camera) { endSession(camera); })
        , failedOutputs(failedOutputs)
    { }

    // Brings the implementation up for a first initialisation, and down again
    // after a terminate has dropped every reference.
    virtual EdsError start() = 0;
    virtual void stop() = 0;

    virtual EdsError listCameras(EdsCameraListRef &outList) = 0;
    virtual EdsError describe(Payload &camera, EdsDeviceInfo &outInfo) = 0;
    virtual bool isOpen(const Payload &camera) const = 0;
    virtual EdsError open(Payload &camera) = 0;
    virtual EdsError close(Payload &camera) = 0;
    // Called when a camera's last reference goes, session open or not.
    virtual void endSession(Payload &camera) = 0;
    virtual EdsError acceptCapacity(Payload &camera, EdsCapacity capacity) = 0;
    virtual EdsError sizeOf(Payload &camera, EdsPropertyID id, EdsInt32 param, EdsDataType &outType,
                            EdsUInt32 &outSize)
        = 0;
    virtual EdsError read(Payload &camera, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                          EdsVoid *outData)
        = 0;
    // May unlock, e.g. to call a handler that calls back in.
    virtual EdsError write(Payload &camera, EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                           const EdsVoid *inData, std::unique_lock<std::mutex> &lock)
        = 0;
    virtual EdsError watchProperties(Payload &camera, EdsPropertyEvent event,
                                     EdsPropertyEventHandler handler, EdsVoid *context)
        = 0;
    // Addresses, for an implementation that can reach one camera directly.
    // reachOnly holds until the next terminate, which calls stop().
    virtual EdsError addressOf(Payload &, std::string &) { return EDS_ERR_NOT_SUPPORTED; }
    virtual EdsError reachOnly(const std::string &) { return EDS_ERR_NOT_SUPPORTED; }

    // Every call counts, so an implementation can tell whether one call came
    // right after another.
    std::unique_lock<std::mutex> enter()
    {
        std::unique_lock<std::mutex> lock(mutex);
        ++calls;
        return lock;
    }
    std::uint64_t callNumber() const { return calls; }
    bool isInitialised() const { return initialised; }

    ReferenceTable<Payload> references;

private:
    EdsError find(EdsBaseRef ref, Payload *&camera)
    {
        if (!initialised)
            return EDS_ERR_NOT_INITIALIZED;
        camera = references.camera(ref);
        return camera ? EDS_ERR_OK : EDS_ERR_INVALID_HANDLE;
    }

    EdsError findOpen(EdsBaseRef ref, Payload *&camera)
    {
        if (const EdsError error = find(ref, camera))
            return error;
        return isOpen(*camera) ? EDS_ERR_OK : EDS_ERR_SESSION_NOT_OPEN;
    }

    EdsError findOnly(EdsBaseRef ref)
    {
        const auto lock = enter();
        Payload *camera = nullptr;
        return find(ref, camera);
    }

    template <typename Ref> void clearOutput(Ref *output)
    {
        if (output && failedOutputs == FailedOutputs::Cleared)
            *output = nullptr;
    }

    std::mutex mutex;
    bool initialised = false;
    std::uint64_t calls = 0;
    const FailedOutputs failedOutputs;
};
