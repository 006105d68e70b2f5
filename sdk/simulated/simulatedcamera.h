#pragma once

#include "camera/edsdk.h"

#include <map>
#include <string>

// The attached camera itself: its identity and its settings. Knows nothing of
// handles or sessions; those belong to the library state around it.
class SimulatedCamera
{
public:
    // How the body answers a program that opens it and reads its ID.
    enum class Behaviour {
        Ok,
        Refuse, // refuses every session
        NoId, // reports an empty body ID
        Gone, // unplugged just after it was found
        Hang, // answers no session request for five minutes
    };

    SimulatedCamera(std::string bodyId, std::string portName, Behaviour behaviour = Behaviour::Ok);

    Behaviour behaviour() const { return how; }
    const std::string &port() const { return portName; }

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
    Behaviour how;
    std::map<EdsPropertyID, EdsUInt32> values;
};
