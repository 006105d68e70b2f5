#pragma once

#include "camera/edsdk.h"
#include "sdk/simulated/simulatedcamera.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// What a demo or a test sets up around the simulated cameras, from the
// environment:
// - SARVOLIN_SIMULATED_CAMERAS: what is attached (see attached());
// - SARVOLIN_SIMULATED_LATENCY_MS: how long each call that reaches a body takes;
// - SARVOLIN_SIMULATED_FIRST_ID: 12 digits, the ID of the body in the first
//   socket, so that rigs on several computers hold different bodies; socket k
//   has that ID plus k - 1. Anything else, or one that leaves no room for
//   every socket, leaves the IDs as they are without it;
// - SARVOLIN_SIMULATED_LOG: a file that gets one line per session opened or
//   closed, setting written and SDK started or stopped, from every process.
class SimulatedRig
{
public:
    using Slot = std::optional<SimulatedCamera::Behaviour>;

    // One entry per socket, empty where nothing is plugged in. The variable
    // holds a count of well-behaved bodies, or a list of "ok", "refuse",
    // "no-id", "gone", "hang", "low-battery" (15%), "nearly-full" (12 shots
    // left), "drifted" (clock 3725 s ahead), "bare" (no clock, battery, lens,
    // names or counts), "mains", "battery-word" (says "Low" for 20%) and "-"
    // (an empty socket), or "@FILE" to read either from FILE at every look,
    // so that bodies come and go while a program runs. Unset, or anything
    // else, means one body.
    static std::vector<Slot> attached();
    // What a description means, or nothing if it means nothing.
    static std::optional<std::vector<Slot>> parse(const std::string &description);

    static std::chrono::milliseconds latency();
    static void record(const std::string &event);

    // A body's identity follows its socket.
    static std::string bodyIdOf(std::size_t socket);
    static std::string portNameOf(std::size_t socket);
    // The socket a port name names, or nothing.
    static std::optional<std::size_t> socketOf(const std::string &portName);
};
