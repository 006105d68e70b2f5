#include "sdk/gphoto2/gphoto2mapping.h"

#include <gphoto2/gphoto2-result.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

struct ChoiceValue {
    const char *choice;
    EdsUInt32 value;
};

// The texts are libgphoto2's, and their case ("TV" for Tv) is not ours to
// rely on, so they are compared without regard to case.
constexpr ChoiceValue kExposureModes[] = {
    { "P", 0 },
    { "Program", 0 },
    { "Tv", 1 },
    { "Av", 2 },
    { "Manual", kEdsAEMode_Manual },
    { "Bulb", 4 },
    { "A_DEP", 5 },
    { "DEP", 6 },
    { "Custom", 7 },
    { "Lock", 8 },
    { "Green", 9 },
    { "Night Portrait", 10 },
    { "Sports", 11 },
    { "Portrait", 12 },
    { "Landscape", 13 },
    { "Closeup", 14 },
    { "Flash Off", 15 },
    { "Creative Auto", 19 },
    { "Movie", 20 },
    { "Auto", 22 },
    { "SCN", 25 },
};

// clang-format off
// Compared exactly. The camera logic recognises RAW by the third byte being
// 0x64, and a reduced-size or JPEG-paired RAW is not what it asks for, so
// those stay unknown rather than borrow RAW's byte.
constexpr ChoiceValue kImageQualities[] = {
    { "RAW", EdsImageQuality_LR },
    { "Large Fine JPEG", 0x0013FF0F },
    { "Large Normal JPEG", 0x0012FF0F },
    { "Medium Fine JPEG", 0x0113FF0F },
    { "Medium Normal JPEG", 0x0112FF0F },
    { "Small Fine JPEG", 0x0213FF0F },
    { "Small Normal JPEG", 0x0212FF0F },
};
// clang-format on

bool equalIgnoringCase(const std::string &a, const char *b)
{
    const std::size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    return std::equal(a.begin(), a.end(), b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x))
            == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

namespace Gphoto2Mapping {

EdsUInt32 exposureModeFromChoice(const std::string &choice)
{
    for (const ChoiceValue &entry : kExposureModes) {
        if (equalIgnoringCase(choice, entry.choice))
            return entry.value;
    }
    return kUnknownValue;
}

EdsUInt32 imageQualityFromChoice(const std::string &choice)
{
    for (const ChoiceValue &entry : kImageQualities) {
        if (choice == entry.choice)
            return entry.value;
    }
    return kUnknownValue;
}

int choiceIndexFor(EdsUInt32 value, const std::vector<std::string> &choices,
                   ChoiceReader fromChoice)
{
    if (value == kUnknownValue)
        return -1;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (fromChoice(choices[i]) == value)
            return static_cast<int>(i);
    }
    return -1;
}

EdsError errorFromResult(int result)
{
    if (result >= GP_OK)
        return EDS_ERR_OK;
    switch (result) {
    case GP_ERROR_NOT_SUPPORTED:
        return EDS_ERR_NOT_SUPPORTED;
    case GP_ERROR_BAD_PARAMETERS:
        return EDS_ERR_INVALID_PARAMETER;
    case GP_ERROR_MODEL_NOT_FOUND:
    case GP_ERROR_UNKNOWN_PORT:
    case GP_ERROR_IO_USB_FIND:
        return EDS_ERR_DEVICE_NOT_FOUND;
    case GP_ERROR_CAMERA_BUSY:
    case GP_ERROR_IO_USB_CLAIM:
    case GP_ERROR_IO_LOCK:
        return EDS_ERR_DEVICE_BUSY;
    case GP_ERROR_IO:
    case GP_ERROR_TIMEOUT:
    case GP_ERROR_IO_INIT:
    case GP_ERROR_IO_READ:
    case GP_ERROR_IO_WRITE:
    case GP_ERROR_IO_UPDATE:
    case GP_ERROR_IO_USB_CLEAR_HALT:
        return EDS_ERR_COMM_DISCONNECTED;
    default:
        return EDS_ERR_INTERNAL_ERROR;
    }
}

bool copyText(const std::string &text, EdsUInt32 size, void *buffer)
{
    if (size == 0)
        return false;
    const std::size_t length = std::min<std::size_t>(text.size(), size - 1);
    char *out = static_cast<char *>(buffer);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
    return true;
}

} // namespace Gphoto2Mapping
