#pragma once

// SIGINT and SIGTERM (Ctrl+C, Ctrl+Break and closing the console on
// Windows), and where asked the end of standard input, as requests to stop:
// the first one is remembered for any code to poll. Needs no Qt, so that a
// worker links none; StopSignals hands the requests to an event loop.
namespace StopRequests {

// Catches the stop signals; broken pipes are ignored, so that writing to a
// closed reader fails instead of killing us.
void catchSignals();
// The first stop request (SIGINT 2, SIGTERM 15), or 0.
int caught();
// Takes the end of standard input, where that is a pipe, as this signal:
// the program that started us closes it to ask for a stop, and it closes by
// itself when that program dies, on every system.
void stopAtEndOfInput(int signal);

// Each request also goes to `report`, on the thread that caught it; on Unix
// that is a signal handler, so it may only do what one may.
using Reporter = void (*)(int signal);
void reportTo(Reporter report);

} // namespace StopRequests
