#include "paintprobe.h"
#include "procstatus.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

long long monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// VmHWM of /proc/self/status: the process's own peak, unlike the rusage of a
// child, which also counts the launcher's memory from before the exec.
long peakResidentKiB()
{
    return procStatusKiB("VmHWM");
}

} // namespace

PaintProbe::PaintProbe(int fd)
    : fd(fd)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool PaintProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (!firstPaint && event->type() == QEvent::Paint && watched->isWidgetType()) {
        firstPaint = monotonicNs();
        // Widgets paint and flush a whole frame in one go; a zero timer runs
        // once the event loop has control again.
        QTimer::singleShot(0, this, &PaintProbe::finish);
    }
    return false;
}

void PaintProbe::finish()
{
    const long long frame = monotonicNs();
    char line[128];
    const int length
        = std::snprintf(line, sizeof line, "paint %lld frame %lld hwm %ld anon %ld\n", firstPaint,
                        frame, peakResidentKiB(), procStatusKiB("RssAnon"));
    if (length > 0 && ::write(fd, line, static_cast<std::size_t>(length)) < 0)
        std::perror("paint probe");
    ::_exit(0);
}
