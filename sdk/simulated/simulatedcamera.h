#pragma once

#include "camera/edsdk.h"

#include <cstddef>
#include <ctime>
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
        // Like Ok, but for what the name says.
        LowBattery,
        NearlyFull, // a card with room for a dozen pictures
        Drifted, // a clock an hour and a bit ahead
        Bare, // gives neither clock, battery, lens, names nor counts
        Mains,
        BatteryWord, // a word for its battery instead of a percentage
    };

    // Everything about a body but its behaviour follows from its socket.
    SimulatedCamera(std::size_t socket, Behaviour behaviour = Behaviour::Ok);

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
    EdsError readClock(EdsTime &out) const;
    EdsError setClock(const EdsTime &time, bool &changed);

    std::string portName;
    Behaviour how;
    std::map<EdsPropertyID, EdsUInt32> values; // what a program may write
    std::map<EdsPropertyID, EdsUInt32> readings; // numbers the body only reports
    std::map<EdsPropertyID, std::string> texts; // all read-only
    std::time_t clockAhead = 0; // seconds ahead of the computer's clock
};
