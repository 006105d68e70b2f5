#pragma once

#include <QHash>
#include <QString>

// Where USB devices sit, as the kernel names the path of hubs and sockets
// ("1-1.4.2"): the same for a body re-plugged into the same socket, unlike
// its device number. Read once from sysfs; elsewhere there is nothing.
class UsbLocations
{
public:
    explicit UsbLocations(const QString &sysfs = QStringLiteral("/sys"));

    // The location of the device behind a port named "usb:BBB,DDD" (bus and
    // device number), or empty for other ports and unknown devices.
    QString of(const QString &port) const;

private:
    QHash<quint32, QString> byBusAndDevice;
};
