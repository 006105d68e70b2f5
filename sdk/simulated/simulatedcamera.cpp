#include "sdk/simulated/simulatedcamera.h"

#include "camera/edstime.h"

#include "sdk/simulated/simulatedrig.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr char kDescription[] = "Simulated camera";

constexpr EdsUInt32 kAEModeAv = 2;
constexpr EdsUInt32 kSaveToCamera = 1;
constexpr EdsUInt32 kSaveToBoth = 3;
constexpr EdsUInt32 kImageQualityLargeFineJpeg = 0x0013FF0F;

const char *const kLenses[] = {
    "Simulated 24-70mm f/2.8",
    "Simulated 50mm f/1.8",
    "Simulated 70-200mm f/4",
    "Simulated 16-35mm f/4",
};

void copyText(char (&field)[256], const std::string &text)
{
    const std::size_t length = std::min(text.size(), sizeof field - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace

// A camera as it comes out of the bag: not in manual exposure, saving to its
// own card and shooting JPEG, so a program that means to change any of that
// has to write it. Its battery is at least half full, unless it is the body
// that stands for one that is not.
SimulatedCamera::SimulatedCamera(std::size_t socket, Behaviour behaviour)
    : portName(SimulatedRig::portNameOf(socket))
    , how(behaviour)
    , values { { kEdsPropID_AEModeSelect, kAEModeAv },
               { kEdsPropID_SaveTo, kSaveToCamera },
               { kEdsPropID_ImageQuality, kImageQualityLargeFineJpeg },
               { kEdsPropID_Evf_OutputDevice, 0 },
               { kEdsPropID_Evf_Mode, 0 },
               { kEdsPropID_Evf_AFMode, 0 } }
    , texts { { kEdsPropID_BodyIDEx,
                behaviour == Behaviour::NoId ? std::string() : SimulatedRig::bodyIdOf(socket) } }
{
    if (behaviour == Behaviour::Bare)
        return;
    const auto n = static_cast<EdsUInt32>(socket);
    readings = { { kEdsPropID_BatteryLevel, 100 - n * 13 % 50 },
                 { kEdsPropID_AvailableShots, 900 + n * 37 },
                 { kSarvolinPropID_ShutterCount, 12000 + n * 1789 } };
    texts[kEdsPropID_OwnerName] = "Body " + portName.substr(portName.find(':') + 1);
    texts[kEdsPropID_Artist] = "Simulated artist";
    texts[kEdsPropID_Copyright] = "Sarvolin demo";
    texts[kEdsPropID_FirmwareVersion] = "1.1." + std::to_string(socket + 1);
    texts[kEdsPropID_LensName] = kLenses[socket % std::size(kLenses)];

    switch (behaviour) {
    case Behaviour::LowBattery:
        readings[kEdsPropID_BatteryLevel] = 15;
        break;
    case Behaviour::NearlyFull:
        readings[kEdsPropID_AvailableShots] = 12;
        break;
    case Behaviour::Drifted:
        clockAhead = 3725;
        break;
    case Behaviour::Mains:
        readings[kEdsPropID_BatteryLevel] = kEdsBatteryLevel_AC;
        break;
    case Behaviour::BatteryWord:
        readings[kEdsPropID_BatteryLevel] = 20;
        texts[kSarvolinPropID_BatteryWord] = "Low";
        break;
    default:
        break;
    }
}

void SimulatedCamera::fillDeviceInfo(EdsDeviceInfo &info) const
{
    info = EdsDeviceInfo {};
    copyText(info.szPortName, portName);
    copyText(info.szDeviceDescription, kDescription);
    info.deviceSubType = 1;
}

EdsUInt32 SimulatedCamera::sizeOf(EdsPropertyID id) const
{
    const auto text = texts.find(id);
    if (text != texts.end())
        return static_cast<EdsUInt32>(text->second.size() + 1);
    if (id == kEdsPropID_DateTime)
        return how == Behaviour::Bare ? 0 : sizeof(EdsTime);
    return values.count(id) || readings.count(id) ? sizeof(EdsUInt32) : 0;
}

EdsError SimulatedCamera::checkAccess(EdsPropertyID id, EdsInt32 param, EdsUInt32 size) const
{
    const EdsUInt32 needed = sizeOf(id);
    if (needed == 0)
        return EDS_ERR_NOT_SUPPORTED;
    // None of these properties is an array, so there is nothing to select.
    if (param != 0)
        return EDS_ERR_INVALID_PARAMETER;
    if (size < needed)
        return EDS_ERR_INVALID_PARAMETER;
    return EDS_ERR_OK;
}

EdsError SimulatedCamera::propertySize(EdsPropertyID id, EdsInt32 param, EdsDataType &type,
                                       EdsUInt32 &size) const
{
    const EdsError error = checkAccess(id, param, sizeOf(id));
    if (error != EDS_ERR_OK)
        return error;
    if (texts.count(id))
        type = kEdsDataType_String;
    else if (id == kEdsPropID_DateTime)
        type = kEdsDataType_Time;
    else
        type = kEdsDataType_UInt32;
    size = sizeOf(id);
    return EDS_ERR_OK;
}

// The body's clock runs with the computer's, its offset kept.
EdsError SimulatedCamera::readClock(EdsTime &out) const
{
    const std::optional<EdsTime> local = EdsClock::localTimeOf(std::time(nullptr) + clockAhead);
    if (!local)
        return EDS_ERR_INTERNAL_ERROR;
    out = *local;
    return EDS_ERR_OK;
}

// Years outside those the computer's own time functions hold everywhere are
// refused with the rest.
EdsError SimulatedCamera::setClock(const EdsTime &time, bool &changed)
{
    const std::optional<std::time_t> set = EdsClock::momentOf(time);
    if (!set)
        return EDS_ERR_INVALID_PARAMETER;
    const std::time_t ahead = *set - std::time(nullptr);
    changed = ahead != clockAhead;
    clockAhead = ahead;
    return EDS_ERR_OK;
}

// Copies exactly the property's own size: a larger buffer keeps its tail.
EdsError SimulatedCamera::readProperty(EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                                       void *out) const
{
    const EdsError error = checkAccess(id, param, size);
    if (error != EDS_ERR_OK)
        return error;
    const auto text = texts.find(id);
    if (text != texts.end()) {
        std::memcpy(out, text->second.c_str(), text->second.size() + 1);
        return EDS_ERR_OK;
    }
    if (id == kEdsPropID_DateTime) {
        EdsTime time {};
        const EdsError clockError = readClock(time);
        if (clockError == EDS_ERR_OK)
            std::memcpy(out, &time, sizeof time);
        return clockError;
    }
    const auto reading = readings.find(id);
    std::memcpy(out, reading != readings.end() ? &reading->second : &values.at(id),
                sizeof(EdsUInt32));
    return EDS_ERR_OK;
}

EdsError SimulatedCamera::writeProperty(EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                                        const void *in, bool &changed)
{
    changed = false;
    const EdsError error = checkAccess(id, param, size);
    if (error != EDS_ERR_OK)
        return error;
    // The ID is burnt in at the factory; the rest only the body itself knows.
    if (texts.count(id) || readings.count(id))
        return EDS_ERR_NOT_SUPPORTED;
    if (id == kEdsPropID_DateTime) {
        EdsTime time {};
        std::memcpy(&time, in, sizeof time);
        return setClock(time, changed);
    }
    EdsUInt32 value = 0;
    std::memcpy(&value, in, sizeof value);
    if (id == kEdsPropID_SaveTo && (value < kSaveToCamera || value > kSaveToBoth))
        return EDS_ERR_INVALID_PARAMETER;
    EdsUInt32 &stored = values.at(id);
    changed = stored != value;
    stored = value;
    return EDS_ERR_OK;
}
