#include "sdk/gphoto2/gphoto2sdk.h"

#include "sdk/gphoto2/gphoto2library.h"
#include "sdk/gphoto2/gphoto2mapping.h"

#include <gphoto2/gphoto2-result.h>

#include <climits>
#include <cstring>
#include <sstream>
#include <utility>

using Gphoto2Mapping::errorFromResult;

namespace {

constexpr EdsUInt32 kValueSize = sizeof(EdsUInt32);

// Where pictures would go. Kept here, not in libgphoto2's "capturetarget":
// that one is stored in the user's settings file, and this program never
// captures anyway.
constexpr EdsUInt32 kSaveToCamera = 1;
constexpr EdsUInt32 kSaveToBoth = 3;

// The decimal serial as the body reports it, leading zeros and all; bodies
// without it at least report the device's serial number.
const std::vector<const char *> kBodyIdWidgets = { "eosserialnumber", "serialnumber" };

struct ChoiceProperty {
    std::vector<const char *> widgets; // the first one the body has is used
    Gphoto2Mapping::ChoiceReader fromChoice;
};

const ChoiceProperty *choicePropertyOf(EdsPropertyID id)
{
    static const ChoiceProperty exposureMode { { "autoexposuremode", "autoexposuremodedial" },
                                               &Gphoto2Mapping::exposureModeFromChoice };
    static const ChoiceProperty imageQuality { { "imageformat" },
                                               &Gphoto2Mapping::imageQualityFromChoice };
    switch (id) {
    case kEdsPropID_AEModeSelect:
        return &exposureMode;
    case kEdsPropID_ImageQuality:
        return &imageQuality;
    default:
        return nullptr;
    }
}

// The body's own properties, read from the whole configuration.
enum class BodyForm { Text, BatteryLevel, BatteryWord, Count, Clock };

struct Spelling {
    const char *key; // as Gphoto2Mapping::settingKey makes it
    bool datesOnly = false;
};

struct BodyProperty {
    BodyForm form;
    std::vector<Spelling> spellings; // the first one that reads is used
};

// Where the clock is written, and looked up again after that.
constexpr char kClockSetting[] = "datetime";

// EOS, Nikon and Sony bodies share libgphoto2's names; some give others.
const BodyProperty *bodyPropertyOf(EdsPropertyID id)
{
    static const BodyProperty owner { BodyForm::Text, { { "ownername" }, { "owner" } } };
    static const BodyProperty artist { BodyForm::Text, { { "artist" } } };
    static const BodyProperty copyright { BodyForm::Text, { { "copyright" } } };
    static const BodyProperty firmware {
        BodyForm::Text, { { "deviceversion" }, { "firmwareversion" }, { "firmware" } }
    };
    static const BodyProperty lens { BodyForm::Text, { { "lensname" }, { "lens" } } };
    static const BodyProperty battery { BodyForm::BatteryLevel,
                                        { { "batterylevel" }, { "battery" } } };
    static const BodyProperty batteryWord { BodyForm::BatteryWord, battery.spellings };
    static const BodyProperty shots { BodyForm::Count, { { "availableshots" } } };
    static const BodyProperty shutter { BodyForm::Count,
                                        { { "shuttercounter" }, { "shuttercount" } } };
    // A UTC clock only as a date, which is a real moment: as text it would
    // read as a local time, an hour or more off.
    static const BodyProperty clock { BodyForm::Clock,
                                      { { kClockSetting }, { "datetimeutc", true } } };
    switch (id) {
    case kEdsPropID_OwnerName:
        return &owner;
    case kEdsPropID_Artist:
        return &artist;
    case kEdsPropID_Copyright:
        return &copyright;
    case kEdsPropID_FirmwareVersion:
        return &firmware;
    case kEdsPropID_LensName:
        return &lens;
    case kEdsPropID_BatteryLevel:
        return &battery;
    case kSarvolinPropID_BatteryWord:
        return &batteryWord;
    case kEdsPropID_AvailableShots:
        return &shots;
    case kSarvolinPropID_ShutterCount:
        return &shutter;
    case kEdsPropID_DateTime:
        return &clock;
    default:
        return nullptr;
    }
}

EdsDataType typeOf(BodyForm form)
{
    switch (form) {
    case BodyForm::Text:
    case BodyForm::BatteryWord:
        return kEdsDataType_String;
    case BodyForm::Clock:
        return kEdsDataType_Time;
    default:
        return kEdsDataType_UInt32;
    }
}

// The room a value needs; a text needs at least its closing zero.
EdsUInt32 sizeOfType(EdsDataType type)
{
    return type == kEdsDataType_String ? 1
        : type == kEdsDataType_Time    ? sizeof(EdsTime)
                                       : kValueSize;
}

// A setting as the property's data (a text without its closing zero); false
// when the value means nothing certain, which is better not given than
// wrong.
bool bodyDataOf(BodyForm form, const Gphoto2Backend::Setting &setting, std::string &data)
{
    EdsUInt32 number = 0;
    bool word = false;
    EdsTime time = {};
    switch (form) {
    case BodyForm::Text:
        if (setting.value.empty())
            return false;
        data = setting.value;
        return true;
    case BodyForm::BatteryWord:
        if (!Gphoto2Mapping::batteryLevelFromText(setting.value, number, word) || !word)
            return false;
        data = setting.value;
        return true;
    case BodyForm::BatteryLevel:
        if (!Gphoto2Mapping::batteryLevelFromText(setting.value, number, word))
            return false;
        break;
    case BodyForm::Count:
        if (!Gphoto2Mapping::countFromText(setting.value, number))
            return false;
        break;
    case BodyForm::Clock:
        if (setting.date ? !Gphoto2Mapping::timeFromEpochText(setting.value, time)
                         : !Gphoto2Mapping::timeFromText(setting.value, time))
            return false;
        data.assign(reinterpret_cast<const char *>(&time), sizeof time);
        return true;
    }
    data.assign(reinterpret_cast<const char *>(&number), sizeof number);
    return true;
}

// By the spelling itself, else by any name or label that compares equal.
const Gphoto2Backend::Setting *
settingOf(const std::map<std::string, Gphoto2Backend::Setting> &settings, const char *key)
{
    const auto exact = settings.find(key);
    if (exact != settings.end())
        return &exact->second;
    for (const auto &[name, setting] : settings) {
        if (Gphoto2Mapping::settingKey(name) == key)
            return &setting;
    }
    return nullptr;
}

void forgetSettings(Gphoto2CameraState &camera)
{
    camera.settings.reset();
    camera.settingsResult = 0;
    camera.clockWritten = false;
}

// Live view and everything else has no counterpart here.
bool isSupported(EdsPropertyID id)
{
    return id == kEdsPropID_SaveTo || id == kEdsPropID_BodyIDEx || choicePropertyOf(id)
        || bodyPropertyOf(id);
}

// The settings a property is read from, the first one the body has.
const std::vector<const char *> &widgetsOf(EdsPropertyID id)
{
    return id == kEdsPropID_BodyIDEx ? kBodyIdWidgets : choicePropertyOf(id)->widgets;
}

// What a body answers for a setting it does not have.
bool isAbsent(int result)
{
    return result == GP_ERROR_BAD_PARAMETERS || result == GP_ERROR_NOT_SUPPORTED;
}

EdsError errorOrAbsent(int result)
{
    return isAbsent(result) ? EDS_ERR_NOT_SUPPORTED : errorFromResult(result);
}

} // namespace

Gphoto2Sdk &Gphoto2Sdk::instance()
{
    static Gphoto2Sdk sdk;
    return sdk;
}

CameraSdk &cameraSdk()
{
    return Gphoto2Sdk::instance();
}

Gphoto2Sdk::Gphoto2Sdk()
    : CameraSdkBase(FailedOutputs::Untouched)
{ }

// A program that ends without terminating still lets go of its cameras.
Gphoto2Sdk::~Gphoto2Sdk()
{
    references.clear();
    backend.reset();
}

bool Gphoto2Sdk::replaceBackend(std::unique_ptr<Gphoto2Backend> replacement)
{
    const auto lock = enter();
    if (isInitialised())
        return false;
    backend = std::move(replacement);
    return true;
}

// libgphoto2 comes up once: its drivers stay loaded for the next press.
EdsError Gphoto2Sdk::start()
{
    if (!backend)
        backend = std::make_unique<Gphoto2Library>();
    return EDS_ERR_OK;
}

void Gphoto2Sdk::stop()
{
    onlyCamera.reset();
    backend->forgetPorts();
}

EdsError Gphoto2Sdk::listCameras(EdsCameraListRef &outList)
{
    if (onlyCamera) {
        outList = makeList({ *onlyCamera });
        return EDS_ERR_OK;
    }
    std::vector<Gphoto2Backend::Detected> detected;
    const int result = backend->detect(detected);
    if (result < GP_OK)
        return errorFromResult(result);
    outList = makeList(detected);
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::cameraListOf(const std::vector<Gphoto2Backend::Detected> &cameras,
                                  EdsCameraListRef *outList)
{
    const auto lock = enter();
    if (!isInitialised())
        return EDS_ERR_NOT_INITIALIZED;
    if (!outList)
        return EDS_ERR_INVALID_POINTER;
    *outList = makeList(cameras);
    return EDS_ERR_OK;
}

// Model, port and the drivers that reach them, a line each.
EdsError Gphoto2Sdk::addressOf(CameraState &camera, std::string &address)
{
    const Gphoto2Backend::Detected &device = camera.device;
    std::string drivers = device.drivers;
    if (drivers.empty()) {
        const int result = backend->describeDrivers(device, drivers);
        if (result < GP_OK)
            return errorFromResult(result);
    }
    const std::string *parts[] = { &device.model, &device.port, &drivers };
    for (const std::string *part : parts) {
        if (part->empty() || part->find('\n') != std::string::npos)
            return EDS_ERR_NOT_SUPPORTED;
    }
    address = device.model + '\n' + device.port + '\n' + drivers;
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::reachOnly(const std::string &address)
{
    Gphoto2Backend::Detected only;
    std::istringstream lines(address);
    if (!std::getline(lines, only.model) || !std::getline(lines, only.port)
        || !std::getline(lines, only.drivers) || lines.peek() != EOF || only.model.empty()
        || only.port.empty() || only.drivers.empty())
        return EDS_ERR_INVALID_PARAMETER;
    onlyCamera = std::move(only);
    return EDS_ERR_OK;
}

// A camera is the same camera while its model and port are.
EdsCameraListRef Gphoto2Sdk::makeList(const std::vector<Gphoto2Backend::Detected> &cameras)
{
    return references.addList(
        cameras, [](const CameraState &camera, const Gphoto2Backend::Detected &device) {
            return camera.device.model == device.model && camera.device.port == device.port;
        });
}

EdsError Gphoto2Sdk::describe(CameraState &camera, EdsDeviceInfo &outInfo)
{
    EdsDeviceInfo info = {};
    Gphoto2Mapping::copyText(camera.device.port, sizeof info.szPortName, info.szPortName);
    Gphoto2Mapping::copyText(camera.device.model, sizeof info.szDeviceDescription,
                             info.szDeviceDescription);
    outInfo = info;
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::open(CameraState &camera)
{
    if (camera.session)
        return EDS_ERR_OK;
    Gphoto2Backend::Session session = nullptr;
    const int result = backend->open(camera.device, &session);
    if (result < GP_OK)
        return errorFromResult(result);
    camera.session = session;
    camera.saveTo = kSaveToCamera;
    forgetSettings(camera);
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::close(CameraState &camera)
{
    const Gphoto2Backend::Session session = std::exchange(camera.session, nullptr);
    forgetSettings(camera);
    return errorFromResult(backend->close(session));
}

void Gphoto2Sdk::endSession(CameraState &camera)
{
    if (camera.session)
        backend->close(std::exchange(camera.session, nullptr));
    forgetSettings(camera);
}

EdsError Gphoto2Sdk::sizeOf(CameraState &camera, EdsPropertyID id, EdsInt32, EdsDataType &outType,
                            EdsUInt32 &outSize)
{
    if (!isSupported(id))
        return EDS_ERR_NOT_SUPPORTED;
    if (id == kEdsPropID_SaveTo) {
        outType = kEdsDataType_UInt32;
        outSize = kValueSize;
        return EDS_ERR_OK;
    }
    if (const BodyProperty *property = bodyPropertyOf(id)) {
        std::string data;
        const EdsError error = readBodyValue(camera, id, data);
        if (error != EDS_ERR_OK)
            return error;
        outType = typeOf(property->form);
        outSize = static_cast<EdsUInt32>(data.size() + (outType == kEdsDataType_String ? 1 : 0));
        return EDS_ERR_OK;
    }
    // A body without the setting has no such property.
    Setting setting;
    const EdsError error = readSetting(camera, id, setting);
    if (error != EDS_ERR_OK)
        return error;
    const bool text = id == kEdsPropID_BodyIDEx;
    outType = text ? kEdsDataType_String : kEdsDataType_UInt32;
    outSize = text ? static_cast<EdsUInt32>(setting.value.size() + 1) : kValueSize;
    // Every setting read costs the body round trips; the data read that
    // follows is served from this one.
    lastRead = LastRead { &camera, id, callNumber(), std::move(setting) };
    return EDS_ERR_OK;
}

EdsError Gphoto2Sdk::read(CameraState &camera, EdsPropertyID id, EdsInt32, EdsUInt32 size,
                          EdsVoid *outData)
{
    if (!isSupported(id))
        return EDS_ERR_NOT_SUPPORTED;
    if (const BodyProperty *property = bodyPropertyOf(id)) {
        const EdsDataType type = typeOf(property->form);
        if (size < sizeOfType(type))
            return EDS_ERR_INVALID_PARAMETER;
        std::string data;
        const EdsError error = readBodyValue(camera, id, data);
        if (error != EDS_ERR_OK)
            return error;
        if (type == kEdsDataType_String)
            Gphoto2Mapping::copyText(data, size, outData);
        else
            std::memcpy(outData, data.data(), data.size());
        return EDS_ERR_OK;
    }
    const bool text = id == kEdsPropID_BodyIDEx;
    if (text ? size == 0 : size < kValueSize)
        return EDS_ERR_INVALID_PARAMETER;
    if (id == kEdsPropID_SaveTo) {
        std::memcpy(outData, &camera.saveTo, kValueSize);
        return EDS_ERR_OK;
    }
    Setting setting;
    const EdsError error = lookUp(camera, id, setting);
    if (error != EDS_ERR_OK)
        return error;
    if (text) {
        Gphoto2Mapping::copyText(setting.value, size, outData);
    } else {
        const EdsUInt32 value = choicePropertyOf(id)->fromChoice(setting.value);
        std::memcpy(outData, &value, kValueSize);
    }
    return EDS_ERR_OK;
}

// The setting that the size query of the call just before read, or the
// camera's own.
EdsError Gphoto2Sdk::lookUp(CameraState &camera, EdsPropertyID id, Setting &setting)
{
    std::optional<LastRead> last = std::exchange(lastRead, std::nullopt);
    if (last && last->camera == &camera && last->id == id && last->call + 1 == callNumber()) {
        setting = std::move(last->setting);
        return EDS_ERR_OK;
    }
    return readSetting(camera, id, setting);
}

EdsError Gphoto2Sdk::write(CameraState &camera, EdsPropertyID id, EdsInt32, EdsUInt32 size,
                           const EdsVoid *inData, std::unique_lock<std::mutex> &)
{
    if (bodyPropertyOf(id))
        return id == kEdsPropID_DateTime ? writeClock(camera, size, inData) : EDS_ERR_NOT_SUPPORTED;
    if (!isSupported(id) || id == kEdsPropID_BodyIDEx)
        return EDS_ERR_NOT_SUPPORTED;
    if (size < kValueSize)
        return EDS_ERR_INVALID_PARAMETER;
    EdsUInt32 value = 0;
    std::memcpy(&value, inData, kValueSize);

    if (id == kEdsPropID_SaveTo) {
        if (value < kSaveToCamera || value > kSaveToBoth)
            return EDS_ERR_INVALID_PARAMETER;
        camera.saveTo = value;
        return EDS_ERR_OK;
    }

    // Only what this body offers can be selected; whether it took the choice
    // shows when the value is read back. A setting the body lists without a
    // value counts as missing, as when reading.
    const ChoiceProperty *property = choicePropertyOf(id);
    int failure = GP_ERROR_NOT_SUPPORTED;
    for (const char *name : property->widgets) {
        bool offered = false;
        const int result = backend->write(camera.session, name, [&](const Setting &setting) {
            offered = !setting.value.empty();
            const int index = offered
                ? Gphoto2Mapping::choiceIndexFor(value, setting.choices, property->fromChoice)
                : -1;
            return index < 0 ? nullptr : &setting.choices[static_cast<std::size_t>(index)];
        });
        if (result >= GP_OK || offered)
            return errorFromResult(result);
        if (!isAbsent(result))
            failure = result;
    }
    return errorFromResult(failure);
}

// The first of the property's settings that the body has and that holds a
// value; an empty one counts as missing, since some bodies list a serial
// number they leave blank.
EdsError Gphoto2Sdk::readSetting(CameraState &camera, EdsPropertyID id, Setting &setting)
{
    int failure = GP_ERROR_NOT_SUPPORTED;
    for (const char *name : widgetsOf(id)) {
        Setting candidate;
        const int result = backend->read(camera.session, name, candidate);
        if (result >= GP_OK && !candidate.value.empty()) {
            setting = std::move(candidate);
            return EDS_ERR_OK;
        }
        if (result < GP_OK && !isAbsent(result))
            failure = result;
    }
    return errorFromResult(failure);
}

// Each single lookup costs an EOS body two more operations than the setting
// itself, so the session's first body property reads everything at once and
// the others are served from that. A failed read is kept too: asking again
// would cost a body that does not answer as much again.
EdsError Gphoto2Sdk::readBodyValue(CameraState &camera, EdsPropertyID id, std::string &data)
{
    const BodyProperty &property = *bodyPropertyOf(id);
    if (property.form == BodyForm::Clock && camera.clockWritten) {
        // Since the write only the body knows its clock; one lookup, not
        // another whole read.
        Setting setting;
        const int result = backend->read(camera.session, kClockSetting, setting);
        if (result < GP_OK)
            return errorOrAbsent(result);
        camera.clockWritten = false;
        if (camera.settings)
            (*camera.settings)[kClockSetting] = setting;
        return bodyDataOf(property.form, setting, data) ? EDS_ERR_OK : EDS_ERR_NOT_SUPPORTED;
    }
    if (!camera.settings) {
        std::map<std::string, Setting> settings;
        camera.settingsResult = backend->readAll(camera.session, settings);
        camera.settings = camera.settingsResult < GP_OK ? std::map<std::string, Setting>()
                                                        : std::move(settings);
        camera.clockWritten = false;
    }
    if (camera.settingsResult < GP_OK)
        return errorOrAbsent(camera.settingsResult);
    for (const Spelling &spelling : property.spellings) {
        const Setting *setting = settingOf(*camera.settings, spelling.key);
        if (setting && (setting->date || !spelling.datesOnly)
            && bodyDataOf(property.form, *setting, data))
            return EDS_ERR_OK;
    }
    return EDS_ERR_NOT_SUPPORTED;
}

// Not libgphoto2's "syncdatetime" action: that writes the computer's UTC into
// the body's local clock. The datetime setting takes a real moment and
// libgphoto2 turns it into local time with the computer's zone.
EdsError Gphoto2Sdk::writeClock(CameraState &camera, EdsUInt32 size, const EdsVoid *inData)
{
    if (size < sizeof(EdsTime))
        return EDS_ERR_INVALID_PARAMETER;
    EdsTime time;
    std::memcpy(&time, inData, sizeof time);
    long long epoch = 0;
    // libgphoto2 holds a date as an int.
    if (!Gphoto2Mapping::epochFromTime(time, epoch) || epoch < INT_MIN || epoch > INT_MAX)
        return EDS_ERR_INVALID_PARAMETER;
    const int result = backend->writeTime(camera.session, kClockSetting, epoch);
    // A body without such a setting was left as it was.
    if (!isAbsent(result))
        camera.clockWritten = true;
    return errorOrAbsent(result);
}
