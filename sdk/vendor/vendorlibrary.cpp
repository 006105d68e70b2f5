#include "vendorlibrary.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

using AnyFunction = void (*)();

#if defined(_WIN32)

// Folder of the executable (not of whichever module holds this code), with a
// trailing separator; empty if it cannot be determined.
std::wstring executableFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2); // truncated: long path
    }
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

// The full path is loaded first so a same-named DLL elsewhere on the search
// path cannot take its place; the altered search path lets the vendor's own
// dependencies be found beside it.
HMODULE loadVendorDll(std::string &problem)
{
    const std::wstring folder = executableFolder();
    const std::wstring beside = folder + L"EDSDK.dll";
    HMODULE module = nullptr;
    DWORD besideError = ERROR_MOD_NOT_FOUND;
    if (!folder.empty()) {
        module = LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!module)
            besideError = GetLastError();
    }
    DWORD searchError = 0;
    if (!module) {
        module = LoadLibraryW(L"EDSDK.dll");
        if (!module)
            searchError = GetLastError();
    }
    if (!module) {
        // A copy beside the program that exists but does not load (for
        // example one built for the other bitness, error 193) is the
        // more useful thing to report.
        const bool besideExists
            = !folder.empty() && GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES;
        const DWORD error = besideExists ? besideError : searchError;
        problem = std::string("cannot load EDSDK.dll ")
            + (besideExists ? "from the program's folder"
                            : "(not in the program's folder nor on the DLL search path)")
            + ", error " + std::to_string(error);
    }
    return module;
}

AnyFunction lookUp(void *handle, const char *, unsigned short ordinal)
{
    const FARPROC address = GetProcAddress(static_cast<HMODULE>(handle), MAKEINTRESOURCEA(ordinal));
    return reinterpret_cast<AnyFunction>(address);
}

std::string describe(const char *name, unsigned short ordinal)
{
    return std::string(name) + " (ordinal " + std::to_string(ordinal) + ")";
}

#else

const char *libraryName()
{
    const char *chosen = std::getenv("SARVOLIN_VENDOR_LIBRARY");
    if (chosen && *chosen)
        return chosen;
#if defined(__APPLE__)
    return "EDSDK.framework/EDSDK";
#else
    return "libEDSDK.so";
#endif
}

AnyFunction lookUp(void *handle, const char *name, unsigned short)
{
    return reinterpret_cast<AnyFunction>(dlsym(handle, name));
}

std::string describe(const char *name, unsigned short)
{
    return name;
}

#endif

} // namespace

void VendorLibrary::warn(const std::string &text)
{
    const std::string line = "Sarvolin: " + text + "\n";
    std::fputs(line.c_str(), stderr);
#if defined(_WIN32)
    OutputDebugStringA(line.c_str());
#endif
}

bool VendorLibrary::open()
{
    if (handle)
        return true;

    std::string problem;
#if defined(_WIN32)
    const std::string library = "EDSDK.dll";
    handle = loadVendorDll(problem);
#else
    const std::string library = libraryName();
    handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *reason = dlerror();
        problem = "cannot load the camera library " + library + ": "
            + (reason ? reason : "unknown error");
    }
#endif
    if (!handle) {
        warn(problem);
        return false;
    }

    std::string missing;
    auto resolve = [&](auto &slot, const char *name, unsigned short ordinal) {
        const AnyFunction address = lookUp(handle, name, ordinal);
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(address);
        if (!address)
            missing += (missing.empty() ? "" : ", ") + describe(name, ordinal);
    };
    Functions &f = entryPoints;
    resolve(f.initializeSdk, "EdsInitializeSDK", 1);
    resolve(f.terminateSdk, "EdsTerminateSDK", 2);
    resolve(f.release, "EdsRelease", 4);
    resolve(f.getChildCount, "EdsGetChildCount", 5);
    resolve(f.getChildAtIndex, "EdsGetChildAtIndex", 6);
    resolve(f.getPropertySize, "EdsGetPropertySize", 8);
    resolve(f.getPropertyData, "EdsGetPropertyData", 9);
    resolve(f.setPropertyData, "EdsSetPropertyData", 10);
    resolve(f.getCameraList, "EdsGetCameraList", 12);
    resolve(f.getDeviceInfo, "EdsGetDeviceInfo", 13);
    resolve(f.openSession, "EdsOpenSession", 14);
    resolve(f.closeSession, "EdsCloseSession", 15);
    resolve(f.setCapacity, "EdsSetCapacity", 18);
    resolve(f.setPropertyEventHandler, "EdsSetPropertyEventHandler", 50);
    resolve(f.setObjectEventHandler, "EdsSetObjectEventHandler", 51);
    resolve(f.setCameraStateEventHandler, "EdsSetCameraStateEventHandler", 52);

    if (!missing.empty()) {
        warn("the camera library " + library + " lacks " + missing);
        close();
        return false;
    }
    return true;
}

void VendorLibrary::close()
{
    if (handle) {
#if defined(_WIN32)
        FreeLibrary(static_cast<HMODULE>(handle));
#else
        dlclose(handle);
#endif
        handle = nullptr;
    }
    entryPoints = Functions();
}
