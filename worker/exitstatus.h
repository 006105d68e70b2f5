#pragma once

// The exit statuses of the many-body programs and their workers, beyond 0
// (all went well) and 128 + a signal's number (stopped by it).
namespace ExitStatus {

constexpr int someFailed = 1;
constexpr int noneFound = 2;
constexpr int badUsage = 64; // or a roster that cannot be used
constexpr int sdkUnavailable = 69; // the camera library, or a worker program

} // namespace ExitStatus
