#pragma once

// Checks shared by the loader test on Linux and the Windows test under wine.
// Neither needs Qt.

#include <functional>
#include <string>

// Calls every forwarded operation (all but initialise and terminate) with
// distinctive arguments, while the fake library is loaded, and compares what
// comes back with what the fake answers for exactly those arguments. Returns
// one line per mismatch: empty when every argument, output and result
// crossed the loader unchanged.
std::string checkForwarding();

// Calls every operation but EdsInitializeSDK while nothing is loaded. Returns
// one line per call that succeeded, touched an output or reached a handler.
std::string checkCallsRefused();

// Runs `action` with standard error going to the file `path` and returns what
// was written there.
std::string captureStandardError(const std::string &path, const std::function<void()> &action);
