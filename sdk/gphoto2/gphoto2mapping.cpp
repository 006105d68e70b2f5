#include "sdk/gphoto2/gphoto2mapping.h"

#include "camera/edstime.h"

#include <gphoto2/gphoto2-result.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

// The words some bodies give instead of a percentage, and what each means.
constexpr ChoiceValue kBatteryWords[] = {
    { "Full", 100 },  { "High", 75 }, { "Half", 50 },
    { "Medium", 50 }, { "Low", 20 },  { "Empty", 0 },
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Digits only, no sign, no spaces, at most limit.
bool unsignedFrom(const std::string &digits, unsigned long long limit, unsigned long long &value)
{
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return false;
    unsigned long long read = 0;
    for (const char digit : digits) {
        read = read * 10 + static_cast<unsigned>(digit - '0');
        if (read > limit)
            return false;
    }
    value = read;
    return true;
}

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

std::string settingKey(const std::string &name)
{
    std::string key;
    for (const char c : name) {
        if (c != ' ' && c != '_' && c != '-')
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

// "Unknown value 0004" and words of no known level give no level at all:
// a guess would be a wrong number.
bool batteryLevelFromText(const std::string &text, EdsUInt32 &level, bool &isWord)
{
    std::string value = trimmed(text);
    if (equalIgnoringCase(value, "AC") || equalIgnoringCase(value, "AC Power")) {
        level = kEdsBatteryLevel_AC;
        isWord = false;
        return true;
    }
    for (const ChoiceValue &entry : kBatteryWords) {
        if (equalIgnoringCase(value, entry.choice)) {
            level = entry.value;
            isWord = true;
            return true;
        }
    }
    if (!value.empty() && value.back() == '%')
        value = trimmed(value.substr(0, value.size() - 1));
    unsigned long long percent = 0;
    if (!unsignedFrom(value, 100, percent))
        return false;
    level = static_cast<EdsUInt32>(percent);
    isWord = false;
    return true;
}

bool countFromText(const std::string &text, EdsUInt32 &count)
{
    unsigned long long value = 0;
    if (!unsignedFrom(trimmed(text), 0xFFFFFFFF, value))
        return false;
    count = static_cast<EdsUInt32>(value);
    return true;
}

bool timeFromText(const std::string &text, EdsTime &time)
{
    // Where each field starts and the separator that ends it.
    static constexpr struct {
        std::size_t at;
        std::size_t length;
    } kFields[] = { { 0, 4 }, { 5, 2 }, { 8, 2 }, { 11, 2 }, { 14, 2 }, { 17, 2 } };
    if (text.size() != 19 || (text[4] != '-' && text[4] != ':') || text[7] != text[4]
        || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return false;
    EdsUInt32 fields[6] = {};
    for (std::size_t i = 0; i < 6; ++i) {
        unsigned long long value = 0;
        if (!unsignedFrom(text.substr(kFields[i].at, kFields[i].length), 9999, value))
            return false;
        fields[i] = static_cast<EdsUInt32>(value);
    }
    const EdsTime read = { fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], 0 };
    if (!EdsClock::momentOf(read))
        return false;
    time = read;
    return true;
}

bool timeFromEpochText(const std::string &text, EdsTime &time)
{
    if (text.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    const long long epoch = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || !(isDigit(text[0]) || text[0] == '-'))
        return false;
    const std::optional<EdsTime> read = EdsClock::localTimeOf(static_cast<std::time_t>(epoch));
    if (!read || !EdsClock::momentOf(*read))
        return false;
    time = *read;
    return true;
}

// The computer decides whether summer time applies to that moment.
bool epochFromTime(const EdsTime &time, long long &epoch)
{
    const std::optional<std::time_t> moment = EdsClock::momentOf(time);
    if (!moment)
        return false;
    epoch = static_cast<long long>(*moment);
    return true;
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
