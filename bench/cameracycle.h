#pragma once

class CameraCannon;

// One press of Connect and Read followed by one of Disconnect, as the window
// drives the camera: initSdk, openFirstCamera, prepareCamera, readBodyId,
// disconnectCamera. False when a step fails or no ID comes back.
bool runCameraCycle(CameraCannon &camera);
