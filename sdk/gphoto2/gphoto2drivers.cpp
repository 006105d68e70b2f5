#include "sdk/gphoto2/gphoto2drivers.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr char kSeparator = '\t';

// Every field of the record but the model, which the camera's own model
// names; the speeds go last, as a list of their own.
std::vector<int *> numbersOf(CameraAbilities &a)
{
    return { reinterpret_cast<int *>(&a.status),
             reinterpret_cast<int *>(&a.port),
             reinterpret_cast<int *>(&a.operations),
             reinterpret_cast<int *>(&a.file_operations),
             reinterpret_cast<int *>(&a.folder_operations),
             &a.usb_vendor,
             &a.usb_product,
             &a.usb_class,
             &a.usb_subclass,
             &a.usb_protocol,
             reinterpret_cast<int *>(&a.device_type),
             &a.reserved2,
             &a.reserved3,
             &a.reserved4,
             &a.reserved5,
             &a.reserved6,
             &a.reserved7,
             &a.reserved8 };
}

static_assert(sizeof(CameraDriverStatus) == sizeof(int) && sizeof(GPPortType) == sizeof(int)
                  && sizeof(CameraOperation) == sizeof(int)
                  && sizeof(CameraFileOperation) == sizeof(int)
                  && sizeof(CameraFolderOperation) == sizeof(int)
                  && sizeof(GphotoDeviceType) == sizeof(int),
              "the record's enumerations are written as ints");

bool fitsOneField(const std::string &text)
{
    return text.find_first_of("\t\n\r", 0, 3) == std::string::npos
        && text.find('\0') == std::string::npos;
}

bool numberIn(const std::string &text, int &value)
{
    if (text.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || number < INT_MIN || number > INT_MAX)
        return false;
    value = static_cast<int>(number);
    return true;
}

bool copyInto(const std::string &text, char *field, std::size_t size)
{
    if (text.size() >= size)
        return false;
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

} // namespace

std::string Gphoto2Drivers::text() const
{
    CameraAbilities copy = abilities;
    const std::string library = copy.library;
    const std::string id = copy.id;
    if (portDriver.empty() || library.empty() || !fitsOneField(portDriver) || !fitsOneField(library)
        || !fitsOneField(id))
        return std::string();
    std::string text = portDriver + kSeparator + library + kSeparator + id;
    for (const int *number : numbersOf(copy))
        text += kSeparator + std::to_string(*number);
    text += kSeparator;
    // The list ends at its first 0, and always has one.
    for (std::size_t i = 0; i + 1 < sizeof copy.speed / sizeof copy.speed[0] && copy.speed[i]; ++i)
        text += (i ? "," : "") + std::to_string(copy.speed[i]);
    return text;
}

bool Gphoto2Drivers::fromText(const std::string &text, Gphoto2Drivers &drivers)
{
    Gphoto2Drivers read;
    const std::vector<int *> numbers = numbersOf(read.abilities);
    const std::vector<std::string> fields = split(text, kSeparator);
    if (fields.size() != 3 + numbers.size() + 1 || fields[0].empty() || fields[1].empty())
        return false;
    read.portDriver = fields[0];
    if (!copyInto(fields[1], read.abilities.library, sizeof read.abilities.library)
        || !copyInto(fields[2], read.abilities.id, sizeof read.abilities.id))
        return false;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (!numberIn(fields[3 + i], *numbers[i]))
            return false;
    }
    const std::string &speeds = fields.back();
    if (!speeds.empty()) {
        const std::vector<std::string> each = split(speeds, ',');
        if (each.size() >= sizeof read.abilities.speed / sizeof read.abilities.speed[0])
            return false;
        for (std::size_t i = 0; i < each.size(); ++i) {
            if (!numberIn(each[i], read.abilities.speed[i]) || read.abilities.speed[i] == 0)
                return false;
        }
    }
    drivers = std::move(read);
    return true;
}
