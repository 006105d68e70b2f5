#pragma once

#include "camera/edsdk.h"

#include <functional>

// Walks the SDK's camera list once, handing each camera that can be
// described to `visit`. A visit that answers true keeps the camera's
// reference, for the caller to release, and ends the walk. No Qt: the
// lister's look and the worker's search both walk this way.
using CameraVisit = std::function<bool(EdsCameraRef camera, const EdsDeviceInfo &info)>;
EdsError forEachCamera(const CameraVisit &visit);
