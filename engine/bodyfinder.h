#pragma once

#include "camera/edsdk.h"
#include "engine/bodyrow.h"

#include <QVector>

// Finds the attached bodies through the camera SDK: their ports and models.
// Opens no session and touches no setting. The SDK stays up from start() to
// stop() (or the end of the object), so repeated looks reuse what it loaded.
class BodyFinder
{
public:
    BodyFinder() = default;
    ~BodyFinder();
    BodyFinder(const BodyFinder &) = delete;
    BodyFinder &operator=(const BodyFinder &) = delete;

    EdsError start();
    // One look at what is attached, with each body's address where the SDK
    // gives one; a body that cannot be described (one being unplugged) is
    // left out.
    EdsError find(QVector<BodyRow> &found);
    void stop();

private:
    bool started = false;
};
