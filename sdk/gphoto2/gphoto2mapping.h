#pragma once

#include "camera/edsdk.h"

#include <string>
#include <vector>

// How libgphoto2's setting texts and result codes read as the camera SDK's
// values. Nothing here talks to libgphoto2, so all of it can be checked
// without a camera.
namespace Gphoto2Mapping {

// What a choice that no table knows reads as. It never selects anything when
// written, so a body's unknown mode cannot be mistaken for a requested one.
constexpr EdsUInt32 kUnknownValue = 0xFFFFFFFF;

using ChoiceReader = EdsUInt32 (*)(const std::string &choice);

// Exposure mode widget ("autoexposuremode"): "Manual" is 3.
EdsUInt32 exposureModeFromChoice(const std::string &choice);

// Image format widget ("imageformat"): only the choice "RAW" reads as RAW.
EdsUInt32 imageQualityFromChoice(const std::string &choice);

// Index of the first choice that reads as value, or -1 when none does.
int choiceIndexFor(EdsUInt32 value, const std::vector<std::string> &choices,
                   ChoiceReader fromChoice);

// A libgphoto2 result (negative on failure, anything else is success).
EdsError errorFromResult(int result);

// A setting's name or label as spellings are compared: lower case, without
// spaces, '_' or '-' ("Battery Level" is "batterylevel").
std::string settingKey(const std::string &name);

// A battery setting: a percentage ("85%"), mains power ("AC") as
// kEdsBatteryLevel_AC, or a level word ("Low") as the percentage it stands
// for, with isWord set. False for anything else.
bool batteryLevelFromText(const std::string &text, EdsUInt32 &level, bool &isWord);

// A count: decimal digits that fit in 32 bits, spaces around them allowed.
bool countFromText(const std::string &text, EdsUInt32 &count);

// A clock as text, "YYYY-MM-DD HH:MM:SS" or "YYYY:MM:DD HH:MM:SS".
bool timeFromText(const std::string &text, EdsTime &time);
// A date setting's epoch (decimal text) as the computer's local time.
bool timeFromEpochText(const std::string &text, EdsTime &time);
// The moment a local time stands for, in the computer's time zone; false
// when a field is out of range.
bool epochFromTime(const EdsTime &time, long long &epoch);

// Copies text into a caller's buffer of size bytes, cutting it short so that
// it always ends with a zero byte. Fails, writing nothing, when size is 0.
bool copyText(const std::string &text, EdsUInt32 size, void *buffer);

} // namespace Gphoto2Mapping
