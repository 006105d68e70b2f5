#include "engine/usblocations.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

quint32 key(uint bus, uint device)
{
    return (bus << 16) | device;
}

// A sysfs attribute holding one decimal number, or -1.
int numberIn(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const int value = file.read(16).trimmed().toInt(&ok, 10);
    return ok && value >= 0 && value <= 0xFFFF ? value : -1;
}

} // namespace

UsbLocations::UsbLocations(const QString &sysfs)
{
    const QDir devices(sysfs + QStringLiteral("/bus/usb/devices"));
    // Interfaces ("1-1.4.2:1.0") carry no numbers of their own.
    const QStringList names = devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (name.contains(QLatin1Char(':')))
            continue;
        const int bus = numberIn(devices.filePath(name + QStringLiteral("/busnum")));
        const int device = numberIn(devices.filePath(name + QStringLiteral("/devnum")));
        if (bus >= 0 && device >= 0)
            byBusAndDevice.insert(key(uint(bus), uint(device)), name);
    }
}

QString UsbLocations::of(const QString &port) const
{
    static const QRegularExpression usbPort(QStringLiteral("^usb:(\\d{1,3}),(\\d{1,3})$"));
    const QRegularExpressionMatch match = usbPort.match(port);
    if (!match.hasMatch())
        return QString();
    return byBusAndDevice.value(key(match.captured(1).toUInt(), match.captured(2).toUInt()));
}
