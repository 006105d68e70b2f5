#pragma once

#include "camera/edsdk.h"

#include <map>
#include <string>

// The attached camera itself: its identity and its settings. Knows nothing of
// handles or sessions; those belong to the library state around it.
class SimulatedCamera
{
public:
    SimulatedCamera(std::string bodyId, std::string portName);

    void fillDeviceInfo(EdsDeviceInfo &info) const;

    EdsError propertySize(EdsPropertyID id, EdsInt32 param, EdsDataType &type,
                          EdsUInt32 &size) const;
    EdsError readProperty(EdsPropertyID id, EdsInt32 param, EdsUInt32 size, void *out) const;
    // `changed` tells whether the stored value is now different.
    EdsError writeProperty(EdsPropertyID id, EdsInt32 param, EdsUInt32 size, const void *in,
                           bool &changed);

private:
    EdsError checkAccess(EdsPropertyID id, EdsInt32 param, EdsUInt32 size) const;
    EdsUInt32 sizeOf(EdsPropertyID id) const;

    std::string bodyId;
    std::string portName;
    std::map<EdsPropertyID, EdsUInt32> values;
};
