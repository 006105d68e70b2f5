#include "fakevendor.h"
#include "forwardingcheck.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>

// The loader against fake vendor libraries built beside this test: one with
// all sixteen operations and one that lacks EdsSetCapacity.
class TestVendorLoader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void forwardsEveryCallAndUnloads();
    void initialisationsAreBalanced();
    void refusedTerminateKeepsTheLibrary();
    void failedVendorInitialisationUnloads();
    void ownPropertiesNeverReachTheVendor();
    void missingLibrary();
    void missingFunction();

private:
    QString initialiseCapturingWarning(EdsError &result);

    QTemporaryDir tempDir;
};

namespace {

const char kFullLibrary[] = SARVOLIN_FAKE_VENDOR_LIBRARY;
const char kPartialLibrary[] = SARVOLIN_FAKE_VENDOR_PARTIAL_LIBRARY;

// A reference of the test's own keeps a fake's state alive across the
// loader's loads and unloads.
void *hold(const char *path)
{
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

FakeVendorState *stateOf(void *handle)
{
    auto entry = reinterpret_cast<FakeVendorState *(*)()>(dlsym(handle, "fakeVendorState"));
    return entry ? entry() : nullptr;
}

bool isLoaded(const char *path)
{
    void *handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

// Reads the fake's counters while the loader holds it, without keeping it.
FakeVendorState snapshot(const char *path)
{
    FakeVendorState copy = {};
    if (void *handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD)) {
        copy = *stateOf(handle);
        dlclose(handle);
    }
    return copy;
}

void useLibrary(const char *path)
{
    qputenv("SARVOLIN_VENDOR_LIBRARY", path);
}

} // namespace

void TestVendorLoader::init()
{
    QVERIFY(tempDir.isValid());
    useLibrary(kFullLibrary);
}

void TestVendorLoader::cleanup()
{
    // A failed check may leave the loader holding a library.
    for (int i = 0; i < 4 && EdsTerminateSDK() == EDS_ERR_OK; ++i) { }
    qunsetenv("SARVOLIN_VENDOR_LIBRARY");
}

QString TestVendorLoader::initialiseCapturingWarning(EdsError &result)
{
    const std::string warning = captureStandardError(tempDir.filePath("stderr.txt").toStdString(),
                                                     [&] { result = EdsInitializeSDK(); });
    return QString::fromStdString(warning);
}

void TestVendorLoader::forwardsEveryCallAndUnloads()
{
    QVERIFY(!isLoaded(kFullLibrary));
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    QVERIFY(isLoaded(kFullLibrary));
    QCOMPARE(snapshot(kFullLibrary).initializeCalls, 1);

    const std::string failures = checkForwarding();
    QVERIFY2(failures.empty(), failures.c_str());
    QVERIFY(snapshot(kFullLibrary).otherCalls > 0);

    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
    QVERIFY(!isLoaded(kFullLibrary));
    const std::string refused = checkCallsRefused();
    QVERIFY2(refused.empty(), refused.c_str());
}

void TestVendorLoader::initialisationsAreBalanced()
{
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    QCOMPARE(snapshot(kFullLibrary).initializeCalls, 2);

    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
    QVERIFY(isLoaded(kFullLibrary));
    QCOMPARE(snapshot(kFullLibrary).terminateCalls, 1);
    QCOMPARE(EdsOpenSession(nullptr), fakeDigest({ 14, 0 }));

    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
    QVERIFY(!isLoaded(kFullLibrary));
    QCOMPARE(EdsOpenSession(nullptr), EDS_ERR_NOT_INITIALIZED);
}

void TestVendorLoader::refusedTerminateKeepsTheLibrary()
{
    void *own = hold(kFullLibrary);
    QVERIFY(own);
    auto release = qScopeGuard([own] { dlclose(own); });
    FakeVendorState *state = stateOf(own);
    *state = {};
    state->terminateResult = EDS_ERR_DEVICE_BUSY;

    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_DEVICE_BUSY);
    QCOMPARE(EdsCloseSession(nullptr), fakeDigest({ 15, 0 }));

    // The caller's repeat reaches the vendor.
    state->terminateResult = EDS_ERR_OK;
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
    QCOMPARE(state->terminateCalls, 2);
    const int reached = state->otherCalls;
    const std::string refused = checkCallsRefused();
    QVERIFY2(refused.empty(), refused.c_str());
    QCOMPARE(state->otherCalls, reached);
    QCOMPARE(state->terminateCalls, 2);
}

void TestVendorLoader::failedVendorInitialisationUnloads()
{
    void *own = hold(kFullLibrary);
    QVERIFY(own);
    FakeVendorState *state = stateOf(own);
    *state = {};
    state->initializeResult = EDS_ERR_DEVICE_BUSY;

    QCOMPARE(EdsInitializeSDK(), EDS_ERR_DEVICE_BUSY);
    const std::string refused = checkCallsRefused();
    QVERIFY2(refused.empty(), refused.c_str());
    QCOMPARE(state->initializeCalls, 1);
    QCOMPARE(state->terminateCalls, 0);
    QCOMPARE(state->otherCalls, 0);

    dlclose(own);
    QVERIFY(!isLoaded(kFullLibrary));
}

void TestVendorLoader::ownPropertiesNeverReachTheVendor()
{
    void *own = hold(kFullLibrary);
    QVERIFY(own);
    auto release = qScopeGuard([own] { dlclose(own); });
    FakeVendorState *state = stateOf(own);
    *state = {};

    constexpr EdsUInt32 kUntouched = 0xA5A5A5A5u;
    EdsUInt32 value = kUntouched;
    EdsDataType type = kUntouched;
    EdsUInt32 size = kUntouched;
    QCOMPARE(EdsGetPropertyData(nullptr, kSarvolinPropID_ShutterCount, 0, sizeof value, &value),
             EDS_ERR_NOT_INITIALIZED);

    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    for (const EdsPropertyID id :
         { kSarvolinPropID_ShutterCount, kSarvolinPropID_BatteryWord, 0x7F000000u, 0x7FFFFFFFu }) {
        QCOMPARE(EdsGetPropertySize(nullptr, id, 0, &type, &size), EDS_ERR_NOT_SUPPORTED);
        QCOMPARE(EdsGetPropertyData(nullptr, id, 0, sizeof value, &value), EDS_ERR_NOT_SUPPORTED);
        QCOMPARE(EdsSetPropertyData(nullptr, id, 0, sizeof value, &value), EDS_ERR_NOT_SUPPORTED);
    }
    QCOMPARE(value, kUntouched);
    QCOMPARE(type, kUntouched);
    QCOMPARE(size, kUntouched);
    QCOMPARE(state->otherCalls, 0);

    // The maker's ids, up to the edge of ours, still go to its library.
    for (const EdsPropertyID id : { kEdsPropID_BatteryLevel, 0x7EFFFFFFu }) {
        QCOMPARE(EdsGetPropertyData(nullptr, id, 0, sizeof value, &value),
                 fakeDigest({ 9, 0, id, 0, sizeof value, fakeBits(&value) }));
    }
    QCOMPARE(state->otherCalls, 2);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
}

void TestVendorLoader::missingLibrary()
{
    const QByteArray absent = tempDir.filePath("absent/libcamera-vendor.so").toUtf8();
    useLibrary(absent.constData());

    EdsError result = EDS_ERR_OK;
    const QString warning = initialiseCapturingWarning(result);
    QVERIFY(result != EDS_ERR_OK);
    QCOMPARE(warning.count('\n'), 1);
    QVERIFY2(warning.contains(QString::fromUtf8(absent)), qPrintable(warning));

    const std::string refused = checkCallsRefused();
    QVERIFY2(refused.empty(), refused.c_str());

    // Nothing is cached: once the library is there, initialisation works.
    useLibrary(kFullLibrary);
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
}

void TestVendorLoader::missingFunction()
{
    void *own = hold(kPartialLibrary);
    QVERIFY(own);
    FakeVendorState *state = stateOf(own);
    *state = {};
    useLibrary(kPartialLibrary);

    EdsError result = EDS_ERR_OK;
    const QString warning = initialiseCapturingWarning(result);
    QVERIFY(result != EDS_ERR_OK);
    QCOMPARE(warning.count('\n'), 1);
    QCOMPARE(warning.section(" lacks ", 1).trimmed(), QString("EdsSetCapacity"));

    const std::string refused = checkCallsRefused();
    QVERIFY2(refused.empty(), refused.c_str());
    // An incomplete library is never initialised, and not kept.
    QCOMPARE(state->initializeCalls, 0);
    QCOMPARE(state->otherCalls, 0);
    dlclose(own);
    QVERIFY(!isLoaded(kPartialLibrary));
}

QTEST_GUILESS_MAIN(TestVendorLoader)
#include "tst_vendorloader.moc"
