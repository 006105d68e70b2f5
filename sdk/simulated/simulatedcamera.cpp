#include "sdk/simulated/simulatedcamera.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr EdsDataType kDataTypeString = 2;
constexpr EdsDataType kDataTypeUInt32 = 9;

constexpr char kDescription[] = "Simulated camera";

constexpr EdsUInt32 kAEModeAv = 2;
constexpr EdsUInt32 kSaveToCamera = 1;
constexpr EdsUInt32 kSaveToBoth = 3;
constexpr EdsUInt32 kImageQualityLargeFineJpeg = 0x0013FF0F;

void copyText(char (&field)[256], const std::string &text)
{
    const std::size_t length = std::min(text.size(), sizeof field - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace

// A camera as it comes out of the bag: not in manual exposure, saving to its
// own card and shooting JPEG, so a program that means to change any of that
// has to write it.
SimulatedCamera::SimulatedCamera(std::string bodyId, std::string portName, Behaviour behaviour)
    : bodyId(behaviour == Behaviour::NoId ? std::string() : std::move(bodyId))
    , portName(std::move(portName))
    , how(behaviour)
    , values { { kEdsPropID_AEModeSelect, kAEModeAv },
               { kEdsPropID_SaveTo, kSaveToCamera },
               { kEdsPropID_ImageQuality, kImageQualityLargeFineJpeg },
               { kEdsPropID_Evf_OutputDevice, 0 },
               { kEdsPropID_Evf_Mode, 0 },
               { kEdsPropID_Evf_AFMode, 0 } }
{ }

void SimulatedCamera::fillDeviceInfo(EdsDeviceInfo &info) const
{
    info = EdsDeviceInfo {};
    copyText(info.szPortName, portName);
    copyText(info.szDeviceDescription, kDescription);
    info.deviceSubType = 1;
}

EdsUInt32 SimulatedCamera::sizeOf(EdsPropertyID id) const
{
    if (id == kEdsPropID_BodyIDEx)
        return static_cast<EdsUInt32>(bodyId.size() + 1);
    return values.count(id) ? sizeof(EdsUInt32) : 0;
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
    type = id == kEdsPropID_BodyIDEx ? kDataTypeString : kDataTypeUInt32;
    size = sizeOf(id);
    return EDS_ERR_OK;
}

// Copies exactly the property's own size: a larger buffer keeps its tail.
EdsError SimulatedCamera::readProperty(EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                                       void *out) const
{
    const EdsError error = checkAccess(id, param, size);
    if (error != EDS_ERR_OK)
        return error;
    if (id == kEdsPropID_BodyIDEx)
        std::memcpy(out, bodyId.c_str(), bodyId.size() + 1);
    else
        std::memcpy(out, &values.at(id), sizeof(EdsUInt32));
    return EDS_ERR_OK;
}

EdsError SimulatedCamera::writeProperty(EdsPropertyID id, EdsInt32 param, EdsUInt32 size,
                                        const void *in, bool &changed)
{
    changed = false;
    const EdsError error = checkAccess(id, param, size);
    if (error != EDS_ERR_OK)
        return error;
    if (id == kEdsPropID_BodyIDEx)
        return EDS_ERR_NOT_SUPPORTED; // burnt in at the factory
    EdsUInt32 value = 0;
    std::memcpy(&value, in, sizeof value);
    if (id == kEdsPropID_SaveTo && (value < kSaveToCamera || value > kSaveToBoth))
        return EDS_ERR_INVALID_PARAMETER;
    EdsUInt32 &stored = values.at(id);
    changed = stored != value;
    stored = value;
    return EDS_ERR_OK;
}
