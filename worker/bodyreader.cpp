#include "worker/bodyreader.h"

#include "camera/bodyidfield.h"
#include "camera/edstime.h"
#include "worker/camerawalk.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace {

bool meansGone(EdsError error)
{
    return error == EDS_ERR_DEVICE_NOT_FOUND || error == EDS_ERR_COMM_DISCONNECTED;
}

// A fixed-size text field of the SDK, up to its first zero byte.
std::string fieldText(const char *field, std::size_t size)
{
    const void *end = std::memchr(field, 0, size);
    return std::string(field, end ? std::size_t(static_cast<const char *>(end) - field) : size);
}

enum class Kind { Text, Number, Clock };

struct ExtraProperty {
    const char *name;
    EdsPropertyID id;
    Kind kind;
};

constexpr ExtraProperty kExtras[] = {
    { "owner", kEdsPropID_OwnerName, Kind::Text },
    { "artist", kEdsPropID_Artist, Kind::Text },
    { "copyright", kEdsPropID_Copyright, Kind::Text },
    { "firmware", kEdsPropID_FirmwareVersion, Kind::Text },
    { "lens", kEdsPropID_LensName, Kind::Text },
    { "battery", kEdsPropID_BatteryLevel, Kind::Number },
    { "battery_word", kSarvolinPropID_BatteryWord, Kind::Text },
    { "shots", kEdsPropID_AvailableShots, Kind::Number },
    { "shutter_count", kSarvolinPropID_ShutterCount, Kind::Number },
    { "clock", kEdsPropID_DateTime, Kind::Clock },
};

// The computer's local time now, for a body's clock; a leap second is not
// a time every body takes.
EdsTime localTimeNow()
{
    EdsTime now = EdsClock::localTimeOf(std::time(nullptr)).value_or(EdsTime {});
    if (now.second > 59)
        now.second = 59;
    return now;
}

bool wanted(const BodyReader::Request &request, const char *name)
{
    return std::find(request.extras.begin(), request.extras.end(), name) != request.extras.end();
}

} // namespace

std::vector<std::string> BodyReader::extras()
{
    std::vector<std::string> names;
    for (const ExtraProperty &extra : kExtras)
        names.emplace_back(extra.name);
    return names;
}

BodyReader::BodyReader(std::function<bool()> stopRequested)
    : stopRequested(std::move(stopRequested))
{ }

EdsCameraRef BodyReader::find(const std::string &port, EdsError &error)
{
    EdsCameraRef found = nullptr;
    error = forEachCamera([&](EdsCameraRef camera, const EdsDeviceInfo &info) {
        if (port.empty() || fieldText(info.szPortName, sizeof info.szPortName) != port)
            return false;
        found = camera;
        return true;
    });
    return found;
}

BodyReader::Result BodyReader::read(const std::string &port, const std::string &address)
{
    return read(port, address, Request());
}

BodyReader::Result BodyReader::read(const std::string &port, const std::string &address,
                                    const Request &request)
{
    Result result;
    if (EdsInitializeSDK() != EDS_ERR_OK) {
        result.failure = ReadFailure::SdkFailed;
        return result;
    }

    EdsError error = address.empty() ? EDS_ERR_OK : SarvolinUseCameraAddress(address.c_str());
    EdsCameraRef camera = error == EDS_ERR_OK ? find(port, error) : nullptr;
    bool open = false;
    auto finish = [&](ReadFailure failure) {
        if (open)
            EdsCloseSession(camera);
        if (camera)
            EdsRelease(camera);
        if (EdsTerminateSDK() != EDS_ERR_OK)
            EdsTerminateSDK();
        result.failure = failure;
        result.stopped = stopRequested();
        return result;
    };

    if (error != EDS_ERR_OK)
        return finish(ReadFailure::SdkFailed);
    if (!camera)
        return finish(ReadFailure::Gone);
    if (stopRequested())
        return finish(ReadFailure::None);

    // A body just plugged in may refuse its first session.
    error = EdsOpenSession(camera);
    if (error != EDS_ERR_OK && !meansGone(error) && !stopRequested())
        error = EdsOpenSession(camera);
    if (error != EDS_ERR_OK)
        return finish(meansGone(error) ? ReadFailure::Gone : ReadFailure::Refused);
    open = true;
    if (stopRequested())
        return finish(ReadFailure::None);

    char field[kBodyIdFieldSize] = {};
    error = EdsGetPropertyData(camera, kEdsPropID_BodyIDEx, 0, sizeof field, field);
    if (error != EDS_ERR_OK || field[0] == '\0')
        return finish(meansGone(error) ? ReadFailure::Gone : ReadFailure::NoId);
    result.idField = fieldText(field, sizeof field);

    if (request.setClock) {
        const EdsTime now = localTimeNow();
        if (stopRequested())
            return finish(ReadFailure::None);
        error = EdsSetPropertyData(camera, kEdsPropID_DateTime, 0, sizeof now, &now);
        if (error != EDS_ERR_OK)
            return finish(meansGone(error) ? ReadFailure::Gone : ReadFailure::ClockNotSet);
    }
    readExtras(camera, request, result);
    if (request.setClock) {
        const auto offset = std::find_if(
            result.extras.begin(), result.extras.end(),
            [](const WorkerProtocol::Extra &extra) { return extra.name == "clock_offset_s"; });
        if (offset == result.extras.end() || offset->number > clockToleranceS
            || offset->number < -clockToleranceS)
            return finish(ReadFailure::ClockOff);
    }
    return finish(ReadFailure::None);
}

// Each extra is one property; one the body does not give is left out. The
// clock is read back after it was set.
void BodyReader::readExtras(EdsCameraRef camera, const Request &request, Result &result)
{
    for (const ExtraProperty &extra : kExtras) {
        const bool clock = extra.kind == Kind::Clock;
        if (!wanted(request, extra.name) && !(clock && request.setClock))
            continue;
        if (stopRequested())
            return;
        if (extra.kind == Kind::Text) {
            char text[256] = {};
            if (EdsGetPropertyData(camera, extra.id, 0, sizeof text, text) == EDS_ERR_OK
                && text[0] != '\0')
                result.extras.push_back({ extra.name, fieldText(text, sizeof text) });
        } else if (extra.kind == Kind::Number) {
            EdsUInt32 value = 0;
            if (EdsGetPropertyData(camera, extra.id, 0, sizeof value, &value) == EDS_ERR_OK)
                result.extras.push_back({ extra.name, {}, std::int64_t(value), true });
        } else {
            EdsTime body = {};
            if (EdsGetPropertyData(camera, extra.id, 0, sizeof body, &body) != EDS_ERR_OK)
                continue;
            const std::time_t now = std::time(nullptr);
            const std::optional<std::time_t> then = EdsClock::momentOf(body);
            if (!then)
                continue;
            char iso[32];
            std::snprintf(iso, sizeof iso, "%04u-%02u-%02uT%02u:%02u:%02u", unsigned(body.year),
                          unsigned(body.month), unsigned(body.day), unsigned(body.hour),
                          unsigned(body.minute), unsigned(body.second));
            result.extras.push_back({ extra.name, iso });
            result.extras.push_back(
                { "clock_offset_s", {}, std::int64_t(std::difftime(*then, now)), true });
        }
    }
}
