#include "sdk/gphoto2/gphoto2library.h"

#include "sdk/gphoto2/gphoto2drivers.h"

#include <gphoto2/gphoto2-camera.h>
#include <gphoto2/gphoto2-list.h>
#include <gphoto2/gphoto2-result.h>
#include <gphoto2/gphoto2-widget.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include <strings.h>

namespace fs = std::filesystem;

namespace {

constexpr char kPortDriversVariable[] = "IOLIBS";

// libgphoto2 loads every port driver in its folder, so one driver by itself
// gets a private folder with a link to just that one. The folder is needed
// until the driver has been set on a port, which loads it from there again.
class LonePortDriver
{
public:
    explicit LonePortDriver(const std::string &file)
    {
        std::error_code error;
        std::string pattern = (fs::temp_directory_path(error) / "sarvolin-port-XXXXXX").string();
        if (error || !mkdtemp(pattern.data()))
            return;
        folder = pattern;
        fs::create_symlink(file, fs::path(folder) / fs::path(file).filename(), error);
        GPPortInfoList *loaded = nullptr;
        if (error || gp_port_info_list_new(&loaded) < GP_OK)
            return;
        // libgphoto2 takes the folder from the environment only.
        const char *old = std::getenv(kPortDriversVariable);
        const std::optional<std::string> saved
            = old ? std::optional<std::string>(old) : std::nullopt;
        setenv(kPortDriversVariable, folder.c_str(), 1);
        const int result = gp_port_info_list_load(loaded);
        if (saved)
            setenv(kPortDriversVariable, saved->c_str(), 1);
        else
            unsetenv(kPortDriversVariable);
        if (result < GP_OK)
            gp_port_info_list_free(loaded);
        else
            list = loaded;
    }
    ~LonePortDriver()
    {
        if (list)
            gp_port_info_list_free(list);
        removeFolder();
    }
    LonePortDriver(const LonePortDriver &) = delete;
    LonePortDriver &operator=(const LonePortDriver &) = delete;

    // The ports the driver serves, or null when it could not be loaded.
    GPPortInfoList *ports() const { return list; }

    void removeFolder()
    {
        std::error_code ignored;
        if (!folder.empty())
            fs::remove_all(folder, ignored);
        folder.clear();
    }

private:
    std::string folder;
    GPPortInfoList *list = nullptr;
};

int portInfoOf(GPPortInfoList *list, const std::string &path, GPPortInfo &info)
{
    const int port = gp_port_info_list_lookup_path(list, path.c_str());
    if (port < GP_OK)
        return port;
    return gp_port_info_list_get_info(list, port, &info);
}

// A USB port is a bus and device number, which the next device plugged in
// may get: the body there must be of the model it was found as. libgphoto2
// checks that too, but answers a mismatch as a bad parameter.
int checkUsbBody(Camera *camera, const CameraAbilities &abilities)
{
    if (camera->port->type != GP_PORT_USB || strcasecmp(abilities.model, "Directory Browse") == 0)
        return GP_OK;
    if (abilities.usb_vendor
        && gp_port_usb_find_device(camera->port, abilities.usb_vendor, abilities.usb_product)
            >= GP_OK)
        return GP_OK;
    if (abilities.usb_class
        && gp_port_usb_find_device_by_class(camera->port, abilities.usb_class,
                                            abilities.usb_subclass, abilities.usb_protocol)
            >= GP_OK)
        return GP_OK;
    return GP_ERROR_MODEL_NOT_FOUND;
}

// A widget from a single-setting lookup may still hang in a tree; freeing
// its root frees whatever came with it.
void freeWidget(CameraWidget *widget)
{
    CameraWidget *root = widget;
    gp_widget_get_root(widget, &root);
    gp_widget_free(root ? root : widget);
}

bool isText(CameraWidgetType type)
{
    return type == GP_WIDGET_TEXT || type == GP_WIDGET_RADIO || type == GP_WIDGET_MENU;
}

// A whole number as one, so that a count held in a range reads as a count.
std::string numberText(float number)
{
    char text[64];
    if (std::nearbyint(number) == number)
        std::snprintf(text, sizeof text, "%.0f", double(number));
    else
        std::snprintf(text, sizeof text, "%g", double(number));
    return text;
}

// Texts and menus; dates and ranges too unless only texts will do, as where
// a text is written back.
int readWidget(CameraWidget *widget, Gphoto2Backend::Setting &setting, bool textsOnly)
{
    CameraWidgetType type = GP_WIDGET_WINDOW;
    int result = gp_widget_get_type(widget, &type);
    if (result < GP_OK)
        return result;
    Gphoto2Backend::Setting read;
    if (!textsOnly && type == GP_WIDGET_DATE) {
        int epoch = 0;
        result = gp_widget_get_value(widget, &epoch);
        read.value = std::to_string(epoch);
        read.date = true;
    } else if (!textsOnly && type == GP_WIDGET_RANGE) {
        float number = 0;
        result = gp_widget_get_value(widget, &number);
        read.value = numberText(number);
    } else if (isText(type)) {
        const char *value = nullptr;
        result = gp_widget_get_value(widget, &value);
        read.value = value ? value : "";
        for (int i = 0, count = type == GP_WIDGET_TEXT ? 0 : gp_widget_count_choices(widget);
             i < count; ++i) {
            const char *choice = nullptr;
            if (gp_widget_get_choice(widget, i, &choice) >= GP_OK && choice)
                read.choices.emplace_back(choice);
        }
    } else {
        return GP_ERROR_NOT_SUPPORTED;
    }
    if (result < GP_OK)
        return result;
    setting = std::move(read);
    return GP_OK;
}

// The settings themselves, in the tree's order; windows and sections only
// hold them.
void collectSettings(CameraWidget *widget, std::vector<CameraWidget *> &settings)
{
    CameraWidgetType type = GP_WIDGET_WINDOW;
    if (gp_widget_get_type(widget, &type) < GP_OK)
        return;
    if (type != GP_WIDGET_WINDOW && type != GP_WIDGET_SECTION) {
        settings.push_back(widget);
        return;
    }
    const int count = gp_widget_count_children(widget);
    for (int i = 0; i < count; ++i) {
        CameraWidget *child = nullptr;
        if (gp_widget_get_child(widget, i, &child) >= GP_OK && child)
            collectSettings(child, settings);
    }
}

} // namespace

Gphoto2Library::Gphoto2Library()
    : context(gp_context_new())
{ }

Gphoto2Library::~Gphoto2Library()
{
    forgetPorts();
    if (drivers)
        gp_abilities_list_free(drivers);
    if (context)
        gp_context_unref(context);
}

// Loading every camera driver is most of what a press cost, and the drivers
// do not change while the program runs.
int Gphoto2Library::loadDrivers()
{
    if (drivers)
        return GP_OK;
    CameraAbilitiesList *list = nullptr;
    int result = gp_abilities_list_new(&list);
    if (result < GP_OK)
        return result;
    result = gp_abilities_list_load(list, context);
    if (result < GP_OK) {
        gp_abilities_list_free(list);
        return result;
    }
    drivers = list;
    return GP_OK;
}

// Every driver, and the ports as the last detection found them (or now).
int Gphoto2Library::loadAll()
{
    const int result = loadDrivers();
    return result >= GP_OK && !ports ? scanPorts() : result;
}

// Ports come and go as cameras are plugged in, so every detection looks anew.
int Gphoto2Library::scanPorts()
{
    GPPortInfoList *list = nullptr;
    int result = gp_port_info_list_new(&list);
    if (result < GP_OK)
        return result;
    result = gp_port_info_list_load(list);
    if (result < GP_OK) {
        gp_port_info_list_free(list);
        return result;
    }
    forgetPorts();
    ports = list;
    return GP_OK;
}

void Gphoto2Library::forgetPorts()
{
    if (ports)
        gp_port_info_list_free(ports);
    ports = nullptr;
}

int Gphoto2Library::detect(std::vector<Detected> &found)
{
    int result = loadDrivers();
    if (result >= GP_OK)
        result = scanPorts();
    if (result < GP_OK)
        return result;

    CameraList *list = nullptr;
    result = gp_list_new(&list);
    if (result < GP_OK)
        return result;
    std::vector<Detected> cameras;
    result = gp_abilities_list_detect(drivers, ports, list, context);
    const int count = result < GP_OK ? 0 : gp_list_count(list);
    for (int i = 0; i < count; ++i) {
        const char *model = nullptr;
        const char *port = nullptr;
        // "usb:" alone is the generic USB entry, not a camera.
        if (gp_list_get_name(list, i, &model) >= GP_OK && gp_list_get_value(list, i, &port) >= GP_OK
            && model && port && std::strcmp(port, "usb:") != 0)
            cameras.push_back({ model, port });
    }
    gp_list_free(list);

    if (result < GP_OK)
        return result;
    found = std::move(cameras);
    return GP_OK;
}

int Gphoto2Library::abilitiesOf(const std::string &model, CameraAbilities &abilities)
{
    const int index = gp_abilities_list_lookup_model(drivers, model.c_str());
    if (index < GP_OK)
        return index;
    return gp_abilities_list_get_abilities(drivers, index, &abilities);
}

// libgphoto2 does not say which file serves a port, so each port driver is
// loaded by itself, from the folder libgphoto2 loads them from, until one
// serves the port as the same type of port; the answer holds for that type.
const std::string *Gphoto2Library::portDriverOf(const std::string &path, GPPortType type)
{
    auto known = portDrivers.find(type);
    if (known == portDrivers.end()) {
        const char *moved = std::getenv(kPortDriversVariable);
        std::vector<fs::path> files;
        std::error_code error;
        for (fs::directory_iterator entry(moved ? moved : SARVOLIN_GPHOTO2_PORT_DRIVERS, error);
             !error && entry != fs::directory_iterator(); entry.increment(error)) {
            if (entry->path().extension() == ".so")
                files.push_back(entry->path());
        }
        std::sort(files.begin(), files.end());
        std::string served; // none, if no driver serves it
        for (const fs::path &file : files) {
            LonePortDriver driver(file.string());
            GPPortInfo info = nullptr;
            GPPortType found = GP_PORT_NONE;
            if (driver.ports() && portInfoOf(driver.ports(), path, info) >= GP_OK
                && gp_port_info_get_type(info, &found) >= GP_OK && found == type) {
                served = file.string();
                break;
            }
        }
        known = portDrivers.emplace(type, served).first;
    }
    return known->second.empty() ? nullptr : &known->second;
}

int Gphoto2Library::describeDrivers(const Detected &camera, std::string &out)
{
    int result = loadAll();
    if (result < GP_OK)
        return result;
    Gphoto2Drivers found;
    result = abilitiesOf(camera.model, found.abilities);
    if (result < GP_OK)
        return result;
    GPPortInfo info = nullptr;
    GPPortType type = GP_PORT_NONE;
    result = portInfoOf(ports, camera.port, info);
    if (result >= GP_OK)
        result = gp_port_info_get_type(info, &type);
    if (result < GP_OK)
        return result;
    const std::string *portDriver = portDriverOf(camera.port, type);
    if (!portDriver)
        return GP_ERROR_NOT_SUPPORTED;
    found.portDriver = *portDriver;
    std::string text = found.text();
    if (text.empty())
        return GP_ERROR_NOT_SUPPORTED;
    out = std::move(text);
    return GP_OK;
}

// Where the camera's drivers cannot be loaded by themselves (no folder for
// the link, say), they are loaded with all the others, as for detection.
int Gphoto2Library::open(const Detected &wanted, Session *outSession)
{
    if (!wanted.drivers.empty()) {
        const int result = openAlone(wanted, outSession);
        if (result != GP_ERROR_LIBRARY)
            return result;
    }
    int result = loadAll();
    if (result < GP_OK)
        return result;

    CameraAbilities abilities;
    result = abilitiesOf(wanted.model, abilities);
    if (result < GP_OK)
        return result;
    GPPortInfo portInfo = nullptr;
    result = portInfoOf(ports, wanted.port, portInfo);
    if (result < GP_OK)
        return result;
    return openWith(abilities, portInfo, outSession, [] {});
}

// No detection, and no driver but the camera's own two.
int Gphoto2Library::openAlone(const Detected &wanted, Session *outSession)
{
    Gphoto2Drivers own;
    if (!Gphoto2Drivers::fromText(wanted.drivers, own)
        || wanted.model.size() >= sizeof own.abilities.model)
        return GP_ERROR_BAD_PARAMETERS;
    std::memcpy(own.abilities.model, wanted.model.c_str(), wanted.model.size() + 1);
    LonePortDriver portDriver(own.portDriver);
    if (!portDriver.ports())
        return GP_ERROR_LIBRARY;
    GPPortInfo portInfo = nullptr;
    const int result = portInfoOf(portDriver.ports(), wanted.port, portInfo);
    if (result < GP_OK)
        return result;
    return openWith(own.abilities, portInfo, outSession, [&] { portDriver.removeFolder(); });
}

int Gphoto2Library::openWith(const CameraAbilities &abilities, GPPortInfo portInfo,
                             Session *outSession, const std::function<void()> &portSet)
{
    Camera *camera = nullptr;
    int result = gp_camera_new(&camera);
    if (result < GP_OK)
        return result;
    result = gp_camera_set_abilities(camera, abilities);
    if (result >= GP_OK)
        result = gp_camera_set_port_info(camera, portInfo);
    portSet();
    if (result >= GP_OK)
        result = checkUsbBody(camera, abilities);
    if (result >= GP_OK)
        result = gp_camera_init(camera, context);
    if (result < GP_OK) {
        gp_camera_free(camera);
        return result;
    }
    *outSession = camera;
    return GP_OK;
}

// The camera is freed whatever the exit answers: it is not used again.
int Gphoto2Library::close(Session session)
{
    const int result = gp_camera_exit(session, context);
    gp_camera_free(session);
    return result;
}

// One lookup on the camera; on success the caller frees the widget.
int Gphoto2Library::lookUp(Session session, const char *name, CameraWidget *&widget,
                           Setting &setting, bool textsOnly)
{
    widget = nullptr;
    int result = gp_camera_get_single_config(session, name, &widget, context);
    if (result < GP_OK)
        return result;
    if (!widget)
        return GP_ERROR;
    result = readWidget(widget, setting, textsOnly);
    if (result < GP_OK) {
        freeWidget(widget);
        widget = nullptr;
    }
    return result;
}

int Gphoto2Library::read(Session session, const char *name, Setting &setting)
{
    CameraWidget *widget = nullptr;
    const int result = lookUp(session, name, widget, setting, false);
    if (widget)
        freeWidget(widget);
    return result;
}

// One lookup serves both choosing and writing.
int Gphoto2Library::write(Session session, const char *name, const Chooser &choose)
{
    CameraWidget *widget = nullptr;
    Setting setting;
    int result = lookUp(session, name, widget, setting, true);
    if (result < GP_OK)
        return result;
    const std::string *choice = choose(setting);
    result = choice ? gp_widget_set_value(widget, choice->c_str()) : GP_ERROR_NOT_SUPPORTED;
    if (result >= GP_OK)
        result = gp_camera_set_single_config(session, name, widget, context);
    freeWidget(widget);
    return result;
}

// The value is a real moment, which libgphoto2 turns into the body's local
// time with the computer's time zone.
int Gphoto2Library::writeTime(Session session, const char *name, long long epoch)
{
    if (epoch < INT_MIN || epoch > INT_MAX)
        return GP_ERROR_BAD_PARAMETERS; // libgphoto2 holds a date as an int
    CameraWidget *widget = nullptr;
    int result = gp_camera_get_single_config(session, name, &widget, context);
    if (result < GP_OK)
        return result;
    if (!widget)
        return GP_ERROR;
    CameraWidgetType type = GP_WIDGET_WINDOW;
    result = gp_widget_get_type(widget, &type);
    if (result >= GP_OK && type != GP_WIDGET_DATE)
        result = GP_ERROR_NOT_SUPPORTED;
    const int value = static_cast<int>(epoch);
    if (result >= GP_OK)
        result = gp_widget_set_value(widget, &value);
    if (result >= GP_OK)
        result = gp_camera_set_single_config(session, name, widget, context);
    freeWidget(widget);
    return result;
}

// Names are taken before labels, whatever their order in the tree.
int Gphoto2Library::readAll(Session session, std::map<std::string, Setting> &out)
{
    CameraWidget *root = nullptr;
    const int result = gp_camera_get_config(session, &root, context);
    if (result < GP_OK)
        return result;
    if (!root)
        return GP_ERROR;
    std::vector<CameraWidget *> widgets;
    collectSettings(root, widgets);
    std::map<std::string, Setting> settings;
    std::vector<std::pair<std::string, Setting>> labelled;
    for (CameraWidget *widget : widgets) {
        Setting setting;
        if (readWidget(widget, setting, false) < GP_OK || setting.value.empty())
            continue;
        const char *name = nullptr;
        const char *label = nullptr;
        if (gp_widget_get_label(widget, &label) >= GP_OK && label && *label)
            labelled.emplace_back(label, setting);
        if (gp_widget_get_name(widget, &name) >= GP_OK && name && *name)
            settings.emplace(name, std::move(setting));
    }
    gp_widget_free(root);
    for (auto &[label, setting] : labelled)
        settings.emplace(std::move(label), std::move(setting));
    out = std::move(settings);
    return GP_OK;
}
