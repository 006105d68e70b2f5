#pragma once

#include "camera/cameracannon.h"

// Brings a camera object into a state the way the main window does.
namespace CameraSteps {

enum State { Fresh, Ready, Open, Connected };

inline bool reach(CameraCannon &camera, State state)
{
    int count = 0;
    if (state >= Ready && !camera.initSdk())
        return false;
    if (state >= Open && !camera.openFirstCamera(count))
        return false;
    return state < Connected || camera.prepareCamera(0) == 0;
}

} // namespace CameraSteps
