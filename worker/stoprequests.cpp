#include "worker/stoprequests.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>
#endif

namespace {

constexpr int kInterrupt = 2; // SIGINT
constexpr int kTerminate = 15; // SIGTERM

std::atomic<int> firstCaught { 0 };
std::atomic<int> endOfInputSignal { kTerminate };
std::atomic<StopRequests::Reporter> reporter { nullptr };

// Safe in a signal handler.
void report(int signal)
{
#ifndef _WIN32
    const int saved = errno;
#endif
    int none = 0;
    firstCaught.compare_exchange_strong(none, signal);
    if (const StopRequests::Reporter to = reporter.load())
        to(signal);
#ifndef _WIN32
    errno = saved;
#endif
}

#ifdef _WIN32

// Called on threads of their own.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    report(event == CTRL_C_EVENT ? kInterrupt : kTerminate);
    return TRUE;
}

void install()
{
    SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
}

bool inputIsPipe()
{
    return GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_PIPE;
}

// Raw reads: the C library's stdin lock, held by a blocked read, would hold
// up the flush at exit.
DWORD WINAPI readInputToEnd(void *)
{
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr)
           && got > 0)
        got = 0;
    report(endOfInputSignal);
    return 0;
}

void watchInput()
{
    if (HANDLE thread = CreateThread(nullptr, 0, &readInputToEnd, nullptr, 0, nullptr))
        CloseHandle(thread);
}

#else

void install()
{
    struct sigaction action = {};
    action.sa_handler = &report;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool inputIsPipe()
{
    struct stat input = {};
    return ::fstat(STDIN_FILENO, &input) == 0 && S_ISFIFO(input.st_mode);
}

void watchInput()
{
    std::thread([] {
        char buffer[256];
        for (;;) {
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got == 0 || (got < 0 && errno != EINTR))
                break;
        }
        report(endOfInputSignal);
    }).detach();
}

#endif

} // namespace

namespace StopRequests {

void catchSignals()
{
    install();
}

int caught()
{
    return firstCaught.load();
}

void stopAtEndOfInput(int signal)
{
    endOfInputSignal = signal;
    if (inputIsPipe())
        watchInput();
}

void reportTo(Reporter report)
{
    reporter = report;
}

} // namespace StopRequests
