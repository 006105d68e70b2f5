#pragma once

#include "sdk/gphoto2/gphoto2backend.h"

#include <gphoto2/gphoto2-abilities-list.h>
#include <gphoto2/gphoto2-context.h>
#include <gphoto2/gphoto2-port-info-list.h>
#include <gphoto2/gphoto2-widget.h>

#include <functional>
#include <map>
#include <string>

// libgphoto2 itself: one context, the table of camera drivers, loaded on
// first use and kept, and the ports, scanned afresh by every detection. A
// camera opened with its drivers written down loads those two drivers alone.
class Gphoto2Library : public Gphoto2Backend
{
public:
    Gphoto2Library();
    ~Gphoto2Library() override;
    Gphoto2Library(const Gphoto2Library &) = delete;
    Gphoto2Library &operator=(const Gphoto2Library &) = delete;

    int detect(std::vector<Detected> &found) override;
    int describeDrivers(const Detected &camera, std::string &drivers) override;
    int open(const Detected &wanted, Session *outSession) override;
    int close(Session session) override;
    int read(Session session, const char *name, Setting &setting) override;
    int write(Session session, const char *name, const Chooser &choose) override;
    int writeTime(Session session, const char *name, long long epoch) override;
    int readAll(Session session, std::map<std::string, Setting> &settings) override;
    void forgetPorts() override;

private:
    int loadDrivers();
    int scanPorts();
    int loadAll();
    int abilitiesOf(const std::string &model, CameraAbilities &abilities);
    const std::string *portDriverOf(const std::string &path, GPPortType type);
    int openAlone(const Detected &wanted, Session *outSession);
    int openWith(const CameraAbilities &abilities, GPPortInfo port, Session *outSession,
                 const std::function<void()> &portSet);
    int lookUp(Session session, const char *name, CameraWidget *&widget, Setting &setting,
               bool textsOnly);

    GPContext *context = nullptr;
    CameraAbilitiesList *drivers = nullptr;
    GPPortInfoList *ports = nullptr;
    std::map<GPPortType, std::string> portDrivers; // the file that serves each type, once asked
};
