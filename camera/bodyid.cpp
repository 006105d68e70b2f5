#include "camera/bodyid.h"

#include <cstring>

bool readBodyIdOf(EdsCameraRef camera, QString &bodyId, EdsError &error)
{
    char buffer[kBodyIdFieldSize] = {};
    error = EdsGetPropertyData(camera, kEdsPropID_BodyIDEx, 0, kBodyIdFieldSize, buffer);
    if (error != EDS_ERR_OK)
        return false;
    return bodyIdFromField(buffer, kBodyIdFieldSize, bodyId);
}

bool bodyIdFromField(const char *field, std::size_t size, QString &bodyId)
{
    const QString text = sdkText(field, size);

    if (size == 0 || field[0] != '-') {
        bodyId = text;
        return true;
    }

    // Some bodies report the 32-bit ID as signed. Text that is no signed
    // 32-bit number is no ID at all: showing 0 would invent one.
    bool ok = false;
    const int signedId = text.toInt(&ok, 10);
    if (!ok)
        return false;
    bodyId = QString::number(static_cast<quint32>(signedId), 10);
    return true;
}

QString sdkText(const char *field, std::size_t size)
{
    const void *end = std::memchr(field, 0, size);
    const std::size_t length = end ? std::size_t(static_cast<const char *>(end) - field) : size;
    return QString::fromUtf8(field, int(length));
}
