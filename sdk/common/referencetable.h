#pragma once

#include "camera/edsdk.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

// The references a camera implementation hands out: camera lists, and cameras
// that carry the implementation's own Payload. The caller does the locking.
//
// References are numbers from this table, never addresses, and a number is
// never handed out twice, not even after clear(): a released reference, or
// one from before a terminate, finds nothing and is refused without touching
// freed memory.
template <typename Payload> class ReferenceTable
{
public:
    // Called on a camera's payload when its last reference goes or the table
    // is cleared, e.g. to end its session.
    using Free = std::function<void(Payload &)>;

    explicit ReferenceTable(Free onFree = nullptr)
        : onFree(std::move(onFree))
    { }

    // The payload behind a live camera reference, or null.
    Payload *camera(EdsBaseRef ref)
    {
        Object *object = find(ref, Kind::Camera);
        return object ? &object->payload : nullptr;
    }

    // A new list with one camera per device. While a camera's object lives,
    // every list hands out that same object (found by same(payload, device)),
    // so its session is the camera's session whichever reference reaches it;
    // otherwise the camera gets a new Payload { device }.
    template <typename Device, typename Same>
    EdsCameraListRef addList(const std::vector<Device> &devices, Same same)
    {
        Object list;
        list.kind = Kind::CameraList;
        for (const Device &device : devices) {
            Handle camera = 0;
            for (auto &entry : objects) {
                if (entry.second.kind == Kind::Camera && same(entry.second.payload, device)) {
                    camera = entry.first;
                    ++entry.second.refCount;
                    break;
                }
            }
            if (!camera)
                camera = add(Object { Kind::Camera, 1, {}, Payload { device } });
            list.cameras.push_back(camera);
        }
        return reinterpret_cast<EdsCameraListRef>(add(std::move(list)));
    }

    EdsError childCount(EdsBaseRef ref, EdsUInt32 *outCount)
    {
        const Object *list = find(ref, Kind::CameraList);
        if (!list)
            return EDS_ERR_INVALID_HANDLE;
        if (!outCount)
            return EDS_ERR_INVALID_POINTER;
        *outCount = static_cast<EdsUInt32>(list->cameras.size());
        return EDS_ERR_OK;
    }

    EdsError childAtIndex(EdsBaseRef ref, EdsInt32 index, EdsBaseRef *outRef)
    {
        const Object *list = find(ref, Kind::CameraList);
        if (!list)
            return EDS_ERR_INVALID_HANDLE;
        if (!outRef)
            return EDS_ERR_INVALID_POINTER;
        if (index < 0 || static_cast<std::size_t>(index) >= list->cameras.size())
            return EDS_ERR_INVALID_PARAMETER;
        const Handle camera = list->cameras[static_cast<std::size_t>(index)];
        // A caller that released the camera once too often freed it under the list.
        const auto it = objects.find(camera);
        if (it == objects.end())
            return EDS_ERR_INVALID_HANDLE;
        ++it->second.refCount;
        *outRef = reinterpret_cast<EdsBaseRef>(camera);
        return EDS_ERR_OK;
    }

    EdsError release(EdsBaseRef ref)
    {
        const Handle handle = reinterpret_cast<Handle>(ref);
        if (!ref || !objects.count(handle))
            return EDS_ERR_INVALID_HANDLE;
        unref(handle);
        return EDS_ERR_OK;
    }

    // Drops every reference at once, as a terminate does.
    void clear()
    {
        for (auto &entry : objects) {
            if (onFree && entry.second.kind == Kind::Camera)
                onFree(entry.second.payload);
        }
        objects.clear();
    }

private:
    using Handle = std::uintptr_t;
    enum class Kind { CameraList, Camera };

    struct Object {
        Kind kind = Kind::Camera;
        EdsUInt32 refCount = 1;
        std::vector<Handle> cameras; // a list holds one reference on each
        Payload payload;
    };

    Object *find(EdsBaseRef ref, Kind kind)
    {
        const auto it = objects.find(reinterpret_cast<Handle>(ref));
        if (!ref || it == objects.end() || it->second.kind != kind)
            return nullptr;
        return &it->second;
    }

    Handle add(Object object)
    {
        lastHandle += 0x10;
        objects.emplace(lastHandle, std::move(object));
        return lastHandle;
    }

    // Freeing a list drops the references it held on its cameras.
    void unref(Handle handle)
    {
        const auto it = objects.find(handle);
        if (it == objects.end())
            return; // already freed by a caller's extra release
        if (--it->second.refCount > 0)
            return;
        const std::vector<Handle> cameras = std::move(it->second.cameras);
        if (onFree && it->second.kind == Kind::Camera)
            onFree(it->second.payload);
        objects.erase(it);
        for (const Handle camera : cameras)
            unref(camera);
    }

    Free onFree;
    std::unordered_map<Handle, Object> objects;
    Handle lastHandle = 0;
};
