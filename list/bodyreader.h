#pragma once

#include "camera/edsdk.h"

#include <QString>

#include <functional>

// Reads the ID of the one body at a given port, from SDK start to SDK stop:
// finds it (at its address alone, where the lister gave one), opens a
// session, reads the ID, closes the session and lets go of everything again.
// Writes no setting. Asked to stop, it ends at the next
// step, closing whatever it had opened.
class BodyReader
{
public:
    struct Result {
        QString bodyId;
        QString error; // empty when the ID was read
        bool stopped = false;
    };

    explicit BodyReader(std::function<bool()> stopRequested);

    Result read(const QString &port, const QString &address = QString());

    // The reasons a read fails, as the rows give them.
    static const QString gone;
    static const QString refused;
    static const QString noId;
    static const QString timedOut;
    static const QString sdkFailed;
    static const QString workerFailed;

private:
    EdsCameraRef find(const QString &port, EdsError &error);

    std::function<bool()> stopRequested;
};
