// The loader as the Windows program uses it, run under wine: EDSDK.dll beside
// the executable, its operations exported by ordinal only and, in a 32-bit
// build, called with the vendor's convention. run-wine-test.sh starts it in
// up to four folders: "full" holds the fake EDSDK.dll, "partial" one that
// lacks EdsSetCapacity, "none" no EDSDK.dll at all, and on 32-bit "cdecl" the
// full fake built with the caller-cleans convention.

#include "fakevendor.h"
#include "forwardingcheck.h"

#include <cstdio>
#include <string>

#include <windows.h>

namespace {

int failures = 0;

void expect(bool ok, const std::string &what)
{
    if (!ok) {
        ++failures;
        std::printf("FAIL: %s\n", what.c_str());
    }
}

std::wstring folderOf(HMODULE module)
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(module, path, sizeof path / sizeof path[0]);
    std::wstring text(path, length);
    return text.substr(0, text.find_last_of(L"\\/") + 1);
}

bool edsdkLoaded()
{
    return GetModuleHandleW(L"EDSDK.dll") != nullptr;
}

void checkFullLibrary()
{
    expect(EdsInitializeSDK() == EDS_ERR_OK, "EdsInitializeSDK failed");
    const HMODULE dll = GetModuleHandleW(L"EDSDK.dll");
    expect(dll != nullptr, "EDSDK.dll is not loaded");
    if (!dll)
        return;
    expect(GetProcAddress(dll, "EdsInitializeSDK") == nullptr, "the fake exports names");
    expect(lstrcmpiW(folderOf(dll).c_str(), folderOf(nullptr).c_str()) == 0,
           "EDSDK.dll was not taken from the program's folder");

    const std::string forwarding = checkForwarding();
    expect(forwarding.empty(), forwarding);

    expect(EdsInitializeSDK() == EDS_ERR_OK, "second EdsInitializeSDK failed");
    expect(EdsTerminateSDK() == EDS_ERR_OK, "first EdsTerminateSDK failed");
    expect(edsdkLoaded(), "unloaded before the last EdsTerminateSDK");
    expect(EdsTerminateSDK() == EDS_ERR_OK, "last EdsTerminateSDK failed");
    expect(!edsdkLoaded(), "still loaded after the last EdsTerminateSDK");
}

void checkRefusal(const std::string &missing)
{
    EdsError result = EDS_ERR_OK;
    const std::string warning
        = captureStandardError("warning.txt", [&result] { result = EdsInitializeSDK(); });
    expect(result != EDS_ERR_OK, "EdsInitializeSDK succeeded");
    expect(!warning.empty() && warning.find('\n') == warning.size() - 1,
           "not exactly one warning line: " + warning);
    expect(warning.find(missing) != std::string::npos, "warning does not name " + missing);
    expect(!edsdkLoaded(), "EDSDK.dll left loaded");
}

// A library built with the caller-cleans convention: initialising takes no
// arguments and so cannot tell, but the first call with some is refused.
void checkConventionRefused()
{
    expect(EdsInitializeSDK() == EDS_ERR_OK, "EdsInitializeSDK failed");
    EdsCameraListRef list = nullptr;
    EdsError result = EDS_ERR_OK;
    const std::string warning
        = captureStandardError("warning.txt", [&] { result = EdsGetCameraList(&list); });
    expect(result == EDS_ERR_NOT_SUPPORTED, "not refused as a missing library is");
    expect(warning.find("left 4 bytes on the stack") != std::string::npos
               && warning.find("__stdcall") != std::string::npos
               && warning.find('\n') == warning.size() - 1,
           "not one warning naming the convention: " + warning);
    expect(!edsdkLoaded(), "EDSDK.dll left loaded");
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "full")
        checkFullLibrary();
    else if (mode == "partial")
        checkRefusal("EdsSetCapacity (ordinal 18)");
    else if (mode == "none")
        checkRefusal("EDSDK.dll");
    else if (mode == "cdecl")
        checkConventionRefused();
    else
        expect(false, "unknown mode '" + mode + "'");

    const std::string refused = checkCallsRefused();
    expect(refused.empty(), refused);

    std::printf("%s: %s\n", mode.c_str(), failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}
