#pragma once

#include "camera/edsdk.h"

#include <string>

// The camera maker's library, loaded at run time instead of linked, so the
// program builds without the vendor's headers or import library and starts
// (and reports a failed connection) on a machine that lacks the library.
//
// On Windows it is EDSDK.dll, taken from the executable's folder first and
// then from the normal DLL search path, with every entry point looked up by
// ordinal. Elsewhere it is the shared library named by the environment
// variable SARVOLIN_VENDOR_LIBRARY (default libEDSDK.so, or
// EDSDK.framework/EDSDK on macOS), with entry points looked up by name.
class VendorLibrary
{
public:
    // The pointer types are those of our declarations, so they carry the
    // vendor's calling convention wherever the declarations do.
    struct Functions {
        decltype(&EdsInitializeSDK) initializeSdk = nullptr;
        decltype(&EdsTerminateSDK) terminateSdk = nullptr;
        decltype(&EdsRelease) release = nullptr;
        decltype(&EdsGetChildCount) getChildCount = nullptr;
        decltype(&EdsGetChildAtIndex) getChildAtIndex = nullptr;
        decltype(&EdsGetPropertySize) getPropertySize = nullptr;
        decltype(&EdsGetPropertyData) getPropertyData = nullptr;
        decltype(&EdsSetPropertyData) setPropertyData = nullptr;
        decltype(&EdsGetCameraList) getCameraList = nullptr;
        decltype(&EdsGetDeviceInfo) getDeviceInfo = nullptr;
        decltype(&EdsOpenSession) openSession = nullptr;
        decltype(&EdsCloseSession) closeSession = nullptr;
        decltype(&EdsSetCapacity) setCapacity = nullptr;
        decltype(&EdsSetPropertyEventHandler) setPropertyEventHandler = nullptr;
        decltype(&EdsSetObjectEventHandler) setObjectEventHandler = nullptr;
        decltype(&EdsSetCameraStateEventHandler) setCameraStateEventHandler = nullptr;
    };

    // Loads the library and resolves all sixteen entry points. On failure
    // writes one warning naming what is missing to standard error (and, on
    // Windows, to the debugger output, since a GUI program has no console)
    // and leaves nothing loaded.
    bool open();
    // Unloads the library; every function pointer becomes null.
    void close();

    bool isOpen() const { return handle != nullptr; }
    // One line to standard error (and, on Windows, to the debugger output).
    static void warn(const std::string &text);
    // All null while the library is not open.
    const Functions &functions() const { return entryPoints; }

private:
    void *handle = nullptr;
    Functions entryPoints;
};
