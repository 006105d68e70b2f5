#pragma once

#include "sdk/gphoto2/gphoto2backend.h"

#include <gphoto2/gphoto2-abilities-list.h>
#include <gphoto2/gphoto2-context.h>
#include <gphoto2/gphoto2-port-info-list.h>
#include <gphoto2/gphoto2-widget.h>

// libgphoto2 itself: one context, the table of camera drivers, loaded on
// first use and kept, and the ports, scanned afresh by every detection.
class Gphoto2Library : public Gphoto2Backend
{
public:
    Gphoto2Library();
    ~Gphoto2Library() override;
    Gphoto2Library(const Gphoto2Library &) = delete;
    Gphoto2Library &operator=(const Gphoto2Library &) = delete;

    int detect(std::vector<Detected> &found) override;
    int open(const Detected &wanted, Session *outSession) override;
    int close(Session session) override;
    int read(Session session, const char *name, Setting &setting) override;
    int write(Session session, const char *name, const Chooser &choose) override;
    void forgetPorts() override;

private:
    int loadDrivers();
    int scanPorts();
    int lookUp(Session session, const char *name, CameraWidget *&widget, Setting &setting);

    GPContext *context = nullptr;
    CameraAbilitiesList *drivers = nullptr;
    GPPortInfoList *ports = nullptr;
};
