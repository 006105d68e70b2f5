#include "list/stopsignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>

#ifdef Q_OS_WIN
#include <QMetaObject>
#include <QPointer>

#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>
#endif

namespace {

constexpr int kInterrupt = 2; // SIGINT
constexpr int kTerminate = 15; // SIGTERM

std::atomic<int> firstCaught { 0 };
std::atomic<int> endOfInputSignal { kTerminate };

#ifdef Q_OS_WIN

QPointer<StopSignals> reporter;

// Called on threads of their own; the report goes to the object's thread.
void report(int signal)
{
    int none = 0;
    firstCaught.compare_exchange_strong(none, signal);
    if (StopSignals *target = reporter.data())
        QMetaObject::invokeMethod(target, "received", Qt::QueuedConnection, Q_ARG(int, signal));
}

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

int pipeEnds[2] = { -1, -1 };

// Safe in a signal handler.
void report(int signal)
{
    const int saved = errno;
    int none = 0;
    firstCaught.compare_exchange_strong(none, signal);
    if (pipeEnds[1] >= 0) {
        const char byte = static_cast<char>(signal);
        [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    }
    errno = saved;
}

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

void StopSignals::catchSignals()
{
    install();
}

int StopSignals::caught()
{
    return firstCaught.load();
}

void StopSignals::stopAtEndOfInput(int signal)
{
    endOfInputSignal = signal;
    if (inputIsPipe())
        watchInput();
}

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
#ifdef Q_OS_WIN
    reporter = this;
#else
    if (pipeEnds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, pipeEnds) == 0) {
        for (const int end : pipeEnds) {
            ::fcntl(end, F_SETFD, FD_CLOEXEC);
            ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
        }
    }
    if (pipeEnds[0] >= 0) {
        notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &StopSignals::readPending);
    }
#endif
    install();
}

StopSignals::~StopSignals() = default;

void StopSignals::readPending()
{
#ifndef Q_OS_WIN
    char signal = 0;
    while (::read(pipeEnds[0], &signal, 1) == 1)
        emit received(signal);
#endif
}
