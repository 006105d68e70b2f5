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
#include <unistd.h>
#endif

namespace {

constexpr int kInterrupt = 2; // SIGINT
constexpr int kTerminate = 15; // SIGTERM

std::atomic<int> firstCaught { 0 };

void remember(int signal)
{
    int none = 0;
    firstCaught.compare_exchange_strong(none, signal);
}

#ifdef Q_OS_WIN

QPointer<StopSignals> reporter;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    const int signal = event == CTRL_C_EVENT ? kInterrupt : kTerminate;
    remember(signal);
    // The handler runs on a thread of its own; the report goes to the object's.
    if (StopSignals *target = reporter.data())
        QMetaObject::invokeMethod(target, "received", Qt::QueuedConnection, Q_ARG(int, signal));
    return TRUE;
}

void install()
{
    SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
}

#else

int pipeEnds[2] = { -1, -1 };

void onSignal(int signal)
{
    const int saved = errno;
    remember(signal);
    if (pipeEnds[1] >= 0) {
        const char byte = static_cast<char>(signal);
        [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    }
    errno = saved;
}

void install()
{
    struct sigaction action = {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
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
