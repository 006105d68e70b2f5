#include "sdk/gphoto2/gphoto2library.h"

#include <gphoto2/gphoto2-camera.h>
#include <gphoto2/gphoto2-list.h>
#include <gphoto2/gphoto2-result.h>
#include <gphoto2/gphoto2-widget.h>

#include <cstring>
#include <utility>

namespace {

// A widget from a single-setting lookup may still hang in a tree; freeing
// its root frees whatever came with it.
void freeWidget(CameraWidget *widget)
{
    CameraWidget *root = widget;
    gp_widget_get_root(widget, &root);
    gp_widget_free(root ? root : widget);
}

int readWidget(CameraWidget *widget, Gphoto2Backend::Setting &setting)
{
    CameraWidgetType type = GP_WIDGET_WINDOW;
    int result = gp_widget_get_type(widget, &type);
    if (result < GP_OK)
        return result;
    if (type != GP_WIDGET_TEXT && type != GP_WIDGET_RADIO && type != GP_WIDGET_MENU)
        return GP_ERROR_NOT_SUPPORTED;

    const char *value = nullptr;
    result = gp_widget_get_value(widget, &value);
    if (result < GP_OK)
        return result;

    Gphoto2Backend::Setting read;
    read.value = value ? value : "";
    if (type != GP_WIDGET_TEXT) {
        const int count = gp_widget_count_choices(widget);
        for (int i = 0; i < count; ++i) {
            const char *choice = nullptr;
            if (gp_widget_get_choice(widget, i, &choice) >= GP_OK && choice)
                read.choices.emplace_back(choice);
        }
    }
    setting = std::move(read);
    return GP_OK;
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

int Gphoto2Library::open(const Detected &wanted, Session *outSession)
{
    int result = loadDrivers();
    if (result >= GP_OK && !ports)
        result = scanPorts();
    if (result < GP_OK)
        return result;

    const int model = gp_abilities_list_lookup_model(drivers, wanted.model.c_str());
    if (model < GP_OK)
        return model;
    CameraAbilities abilities;
    result = gp_abilities_list_get_abilities(drivers, model, &abilities);
    if (result < GP_OK)
        return result;

    const int port = gp_port_info_list_lookup_path(ports, wanted.port.c_str());
    if (port < GP_OK)
        return port;
    GPPortInfo portInfo = nullptr;
    result = gp_port_info_list_get_info(ports, port, &portInfo);
    if (result < GP_OK)
        return result;

    Camera *camera = nullptr;
    result = gp_camera_new(&camera);
    if (result < GP_OK)
        return result;
    result = gp_camera_set_abilities(camera, abilities);
    if (result >= GP_OK)
        result = gp_camera_set_port_info(camera, portInfo);
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
                           Setting &setting)
{
    widget = nullptr;
    int result = gp_camera_get_single_config(session, name, &widget, context);
    if (result < GP_OK)
        return result;
    if (!widget)
        return GP_ERROR;
    result = readWidget(widget, setting);
    if (result < GP_OK) {
        freeWidget(widget);
        widget = nullptr;
    }
    return result;
}

int Gphoto2Library::read(Session session, const char *name, Setting &setting)
{
    CameraWidget *widget = nullptr;
    const int result = lookUp(session, name, widget, setting);
    if (widget)
        freeWidget(widget);
    return result;
}

// One lookup serves both choosing and writing.
int Gphoto2Library::write(Session session, const char *name, const Chooser &choose)
{
    CameraWidget *widget = nullptr;
    Setting setting;
    int result = lookUp(session, name, widget, setting);
    if (result < GP_OK)
        return result;
    const std::string *choice = choose(setting);
    result = choice ? gp_widget_set_value(widget, choice->c_str()) : GP_ERROR_NOT_SUPPORTED;
    if (result >= GP_OK)
        result = gp_camera_set_single_config(session, name, widget, context);
    freeWidget(widget);
    return result;
}
