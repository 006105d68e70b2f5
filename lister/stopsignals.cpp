#include "lister/stopsignals.h"

#include "worker/stoprequests.h"

#include <QSocketNotifier>

#ifdef Q_OS_WIN
#include <QMetaObject>
#include <QPointer>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN

QPointer<StopSignals> reporter;

// Called on threads of their own; the report goes to the object's thread.
void reportToObject(int signal)
{
    if (StopSignals *target = reporter.data())
        QMetaObject::invokeMethod(target, "received", Qt::QueuedConnection, Q_ARG(int, signal));
}

#else

int pipeEnds[2] = { -1, -1 };

// Safe in a signal handler.
void reportToObject(int signal)
{
    if (pipeEnds[1] >= 0) {
        const char byte = static_cast<char>(signal);
        [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    }
}

#endif

} // namespace

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
    StopRequests::reportTo(&reportToObject);
    StopRequests::catchSignals();
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
