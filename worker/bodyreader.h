#pragma once

#include "camera/edsdk.h"
#include "worker/workerprotocol.h"

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

    // What the body gave. A text is the property's bytes up to its first
    // zero; the clock is ISO 8601 local time, and comes with "clock_offset_s",
    // the body's clock less the computer's in whole seconds.
    struct Result : WorkerProtocol::BodyAnswer {
        bool stopped = false;
    };

    explicit BodyReader(std::function<bool()> stopRequested);

    Result read(const std::string &port, const std::string &address, const Request &request);
    Result read(const std::string &port, const std::string &address = std::string());

    // Every extra a request may name.
    static std::vector<std::string> extras();

    // How far a clock may read back from the computer's after being set.
    static constexpr int clockToleranceS = 2;

private:
    EdsCameraRef find(const std::string &port, EdsError &error);
    void readExtras(EdsCameraRef camera, const Request &request, Result &result);

    std::function<bool()> stopRequested;
};
