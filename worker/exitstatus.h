#pragma once

// The exit statuses of the many-body programs and their workers, beyond 0:
// all went well.
namespace ExitStatus {

constexpr int someFailed = 1;
constexpr int noneFound = 2;
constexpr int badUsage = 64; // or a roster that cannot be used
constexpr int sdkUnavailable = 69; // the camera library, a worker program, or a broker
constexpr int brokerRefused = 77; // our credentials, or a publication

// Stopped by a signal, as a shell has it.
constexpr int stoppedBy(int signal)
{
    return 128 + signal;
}

} // namespace ExitStatus
