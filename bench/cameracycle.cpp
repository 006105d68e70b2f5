#include "cameracycle.h"

#include "camera/cameracannon.h"

#include <QString>

bool runCameraCycle(CameraCannon &camera)
{
    int count = 0;
    bool ok = camera.initSdk() && camera.openFirstCamera(count) && count > 0
        && camera.prepareCamera(0) == 0;
    if (ok) {
        QString id = QString(QLatin1String(""));
        ok = camera.readBodyId(id) && !id.isEmpty();
    }
    camera.disconnectCamera();
    return ok;
}
