#pragma once

#include <gphoto2/gphoto2-abilities-list.h>
#include <gphoto2/gphoto2-camera.h>
#include <gphoto2/gphoto2-context.h>
#include <gphoto2/gphoto2-port-info-list.h>

#include <string>
#include <vector>

// The libgphoto2 side of the camera implementation: one context, the tables
// of drivers and ports, opening a camera by model and port, and single
// settings read or written by name. Every call answers with libgphoto2's own
// result code; the caller decides what it means.
class Gphoto2Backend
{
public:
    // One camera as autodetection reports it.
    struct Detected {
        std::string model;
        std::string port;
    };

    // A setting's current value and, for a menu, the values it offers.
    struct Setting {
        std::string value;
        std::vector<std::string> choices;
    };

    Gphoto2Backend();
    ~Gphoto2Backend();
    Gphoto2Backend(const Gphoto2Backend &) = delete;
    Gphoto2Backend &operator=(const Gphoto2Backend &) = delete;

    int detect(std::vector<Detected> &found);
    int open(const Detected &wanted, Camera **outCamera);
    int close(Camera *camera);
    int read(Camera *camera, const char *name, Setting &setting);
    int write(Camera *camera, const char *name, const std::string &choice);

private:
    int loadTables();

    GPContext *context = nullptr;
    CameraAbilitiesList *abilities = nullptr;
    GPPortInfoList *ports = nullptr;
};
