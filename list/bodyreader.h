#pragma once

#include "camera/edsdk.h"

#include <functional>
#include <string>

// Reads the body ID field of the one body at a given port, from SDK start to
// SDK stop: finds it (at its address alone, where the lister gave one),
// opens a session, reads the field, closes the session and lets go of
// everything again. Writes no setting. Asked to stop, it ends at the next
// step, closing whatever it had opened. This is a worker's whole work, and
// needs no Qt; what the field's text reads as is the lister's to say, in
// the same way as the window says it.
class BodyReader
{
public:
    struct Result {
        std::string idField; // up to the field's first zero byte
        std::string error; // empty when the field was read
        bool stopped = false;
    };

    explicit BodyReader(std::function<bool()> stopRequested);

    Result read(const std::string &port, const std::string &address = std::string());

    // The reasons a read fails, as the rows give them.
    static constexpr const char *gone = "gone before it could be read";
    static constexpr const char *refused = "session refused";
    static constexpr const char *noId = "gave no ID";
    static constexpr const char *timedOut = "timed out";
    static constexpr const char *sdkFailed = "camera library failed";
    static constexpr const char *workerFailed = "reader failed";

private:
    EdsCameraRef find(const std::string &port, EdsError &error);

    std::function<bool()> stopRequested;
};
