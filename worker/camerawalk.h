#pragma once

#include "camera/edsdk.h"
#include "worker/workerprotocol.h"

#include <functional>

// Walks the SDK's camera list once, handing each camera that can be
// described to `visit`. A visit that answers true keeps the camera's
// reference, for the caller to release, and ends the walk. No Qt: the
// lister's look and the worker's search both walk this way.
using CameraVisit = std::function<bool(EdsCameraRef camera, const EdsDeviceInfo &info)>;
EdsError forEachCamera(const CameraVisit &visit);

// One look at what is attached: each body's port, model and address (where
// the SDK gives one), or the SDK's error and none. A body without a port (one
// being unplugged) is left out.
WorkerProtocol::Look lookAtCameras();
