#include "paintprobeplugin.h"

#include "paintprobe.h"

QObject *PaintProbePlugin::create(const QString &key, const QString &options)
{
    Q_UNUSED(options)
    if (key.compare(QLatin1String("sarvolinpaintprobe"), Qt::CaseInsensitive) != 0)
        return nullptr;
    // The launcher hands over the write end of a pipe; run by hand, stderr.
    bool ok = false;
    const int fd = qEnvironmentVariableIntValue("SARVOLIN_PAINT_PROBE_FD", &ok);
    return new PaintProbe(ok ? fd : 2);
}
