#pragma once

#include "camera/edsdk.h"
#include "list/bodyrow.h"

#include <QVector>

#include <functional>

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

    // Walks the SDK's camera list once, handing each body that can be
    // described to `visit` with its port and model. A visit that answers
    // true keeps the camera's reference, for the caller to release, and ends
    // the walk.
    using Visit = std::function<bool(EdsCameraRef camera, const BodyRow &body)>;
    static EdsError forEachBody(const Visit &visit);

private:
    bool started = false;
};
