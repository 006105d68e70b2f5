#pragma once

#include "camera/bodyidfield.h"
#include "camera/edsdk.h"

#include <QString>

#include <cstddef>

// Reads the body ID of a camera whose session is open, as text the way the
// window shows it. True when `bodyId` holds the ID. On false, `bodyId` is left
// as it was and `error` holds the SDK's answer, or EDS_ERR_OK when the read
// worked but the body's text was no ID.
bool readBodyIdOf(EdsCameraRef camera, QString &bodyId, EdsError &error);

// The same text from the field as the SDK filled it in: false, leaving
// `bodyId` as it was, when the field holds no ID.
bool bodyIdFromField(const char *field, std::size_t size, QString &bodyId);

// A fixed-size text field of the SDK, up to its first zero byte or whole
// where it has none, read as UTF-8.
QString sdkText(const char *field, std::size_t size);
