// Prints the address by which a worker reaches the camera MODEL at PORT
// through libgphoto2, as the lister hands it over, so that a worker sent to
// a body that is not there can be timed on a machine with no camera.
//   sarvolin-bench-address MODEL PORT
#include "camera/edsdk.h"
#include "sdk/gphoto2/gphoto2sdk.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s MODEL PORT\n", argv[0]);
        return 2;
    }
    EdsCameraListRef list = nullptr;
    EdsCameraRef camera = nullptr;
    char address[kSarvolinAddressSize];
    EdsError error = EdsInitializeSDK();
    if (error == EDS_ERR_OK)
        error = Gphoto2Sdk::instance().cameraListOf({ { argv[1], argv[2] } }, &list);
    if (error == EDS_ERR_OK)
        error = EdsGetChildAtIndex(list, 0, &camera);
    if (error == EDS_ERR_OK)
        error = SarvolinGetCameraAddress(camera, sizeof address, address);
    if (error == EDS_ERR_OK)
        std::fputs(address, stdout);
    else
        std::fprintf(stderr, "%s: no address for %s at %s (error 0x%X)\n", argv[0], argv[1],
                     argv[2], static_cast<unsigned>(error));
    EdsTerminateSDK();
    return error == EDS_ERR_OK ? 0 : 1;
}
