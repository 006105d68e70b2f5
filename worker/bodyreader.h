#pragma once

#include "camera/edsdk.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads the body ID field of the one body at a given port, from SDK start to
// SDK stop: finds it (at its address alone, where the lister gave one),
// opens a session, reads the field and whatever else was asked for, closes
// the session and lets go of everything again. Writes nothing but the clock,
// and that only when asked. Asked to stop, it ends at the next step, closing
// whatever it had opened. This is a worker's whole work, and needs no Qt;
// what the field's text reads as is the lister's to say, in the same way as
// the window says it.
class BodyReader
{
public:
    // What else to read, by name (see extras()), and whether to set the
    // body's clock to the computer's local time first.
    struct Request {
        std::vector<std::string> extras;
        bool setClock = false;
    };

    // An extra the body gave. A text is the property's bytes up to its first
    // zero; the clock is ISO 8601 local time, and comes with "clock_offset_s",
    // the body's clock less the computer's in whole seconds.
    struct Extra {
        std::string name;
        std::string text;
        std::int64_t number = 0;
        bool isNumber = false;
    };

    struct Result {
        std::string idField; // up to the field's first zero byte
        std::string error; // empty when the field was read
        bool stopped = false;
        std::vector<Extra> extras; // what the body did not give is left out
    };

    explicit BodyReader(std::function<bool()> stopRequested);

    Result read(const std::string &port, const std::string &address, const Request &request);
    Result read(const std::string &port, const std::string &address = std::string());

    // Every extra a request may name.
    static std::vector<std::string> extras();

    // The reasons a read fails, as the rows give them.
    static constexpr const char *gone = "gone before it could be read";
    static constexpr const char *refused = "session refused";
    static constexpr const char *noId = "gave no ID";
    static constexpr const char *timedOut = "timed out";
    static constexpr const char *sdkFailed = "camera library failed";
    static constexpr const char *workerFailed = "reader failed";
    static constexpr const char *clockNotSet = "clock could not be set";
    static constexpr const char *clockOff = "clock still off after it was set";

    // How far a clock may read back from the computer's after being set.
    static constexpr int clockToleranceS = 2;

private:
    EdsCameraRef find(const std::string &port, EdsError &error);
    void readExtras(EdsCameraRef camera, const Request &request, Result &result);

    std::function<bool()> stopRequested;
};
