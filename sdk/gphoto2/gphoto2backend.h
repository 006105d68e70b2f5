#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

struct _Camera;

// What the libgphoto2 implementation needs of libgphoto2: finding cameras,
// opening them by model and port (or by the drivers that another process
// found for them), single settings read or written by name, and the whole
// configuration read at once. Every call
// answers with libgphoto2's own result code; the caller decides what it
// means. Gphoto2Library is the real one; tests offer others.
class Gphoto2Backend
{
public:
    using Session = _Camera *;

    // One camera as detection reports it.
    struct Detected {
        std::string model;
        std::string port;
        // Its own drivers as describeDrivers() wrote them down: opened with
        // these, it is reached without detection and without loading any
        // other driver. Empty: opened the way detection found it.
        std::string drivers = {};
    };

    // A setting's current value and, for a menu, the values it offers. A
    // date's value is its epoch in seconds, as decimal text; a range's is its
    // number.
    struct Setting {
        std::string value;
        std::vector<std::string> choices;
        bool date = false;
    };

    // Picks what to write from the setting as the body offers it; null
    // writes nothing.
    using Chooser = std::function<const std::string *(const Setting &)>;

    virtual ~Gphoto2Backend() = default;

    virtual int detect(std::vector<Detected> &found) = 0;
    virtual int describeDrivers(const Detected &camera, std::string &drivers) = 0;
    virtual int open(const Detected &wanted, Session *outSession) = 0;
    virtual int close(Session session) = 0;
    // Each of these looks the setting up on the camera once.
    virtual int read(Session session, const char *name, Setting &setting) = 0;
    virtual int write(Session session, const char *name, const Chooser &choose) = 0;
    // Sets a date setting to a moment; any other kind of setting is refused.
    virtual int writeTime(Session session, const char *name, long long epoch) = 0;
    // The whole configuration in one read: every setting that has a value,
    // by its name and, where no name took it, by its label.
    virtual int readAll(Session session, std::map<std::string, Setting> &settings) = 0;
    // Lets go of what detection found; called when the SDK terminates.
    virtual void forgetPorts() = 0;
};
