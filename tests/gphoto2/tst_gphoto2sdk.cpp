#include "camera/cameracannon.h"
#include "camera/edsdk.h"
#include "sdk/gphoto2/gphoto2sdk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kFolderModel = "Directory Browse";
constexpr EdsUInt32 kUntouched = 0xDEADBEEF;
const EdsBaseRef kGarbageRef = reinterpret_cast<EdsBaseRef>(std::uintptr_t(0x12345670));

EdsCameraListRef listOf(const std::string &model, const std::string &port)
{
    EdsCameraListRef list = nullptr;
    Gphoto2Sdk::instance().cameraListOf({ { model, port } }, &list);
    return list;
}

EdsCameraRef firstOf(EdsCameraListRef list)
{
    EdsBaseRef camera = nullptr;
    EdsGetChildAtIndex(list, 0, &camera);
    return camera;
}

EdsError readValue(EdsBaseRef ref, EdsPropertyID id, EdsUInt32 &value, EdsUInt32 size = 4)
{
    return EdsGetPropertyData(ref, id, 0, size, &value);
}

EdsError writeValue(EdsBaseRef ref, EdsPropertyID id, EdsUInt32 value)
{
    return EdsSetPropertyData(ref, id, 0, sizeof value, &value);
}

// Every entry point but initialisation, each with an output that must stay
// as it was when the call fails.
std::vector<std::pair<const char *, std::function<EdsError()>>> everyCall(EdsBaseRef list,
                                                                          EdsBaseRef camera)
{
    return {
        { "Release", [=] { return EdsRelease(camera); } },
        { "GetChildCount",
          [=] {
              EdsUInt32 count = kUntouched;
              const EdsError error = EdsGetChildCount(list, &count);
              return count == kUntouched ? error : EDS_ERR_OK;
          } },
        { "GetChildAtIndex",
          [=] {
              EdsBaseRef child = kGarbageRef;
              const EdsError error = EdsGetChildAtIndex(list, 0, &child);
              return child == kGarbageRef ? error : EDS_ERR_OK;
          } },
        { "GetPropertySize",
          [=] {
              EdsDataType type = kUntouched;
              EdsUInt32 size = kUntouched;
              const EdsError error = EdsGetPropertySize(camera, kEdsPropID_SaveTo, 0, &type, &size);
              return type == kUntouched && size == kUntouched ? error : EDS_ERR_OK;
          } },
        { "GetPropertyData",
          [=] {
              EdsUInt32 value = kUntouched;
              const EdsError error = readValue(camera, kEdsPropID_SaveTo, value);
              return value == kUntouched ? error : EDS_ERR_OK;
          } },
        { "SetPropertyData", [=] { return writeValue(camera, kEdsPropID_SaveTo, 2); } },
        { "GetDeviceInfo",
          [=] {
              EdsDeviceInfo info;
              std::memset(&info, 0x7F, sizeof info);
              const EdsError error = EdsGetDeviceInfo(camera, &info);
              return info.szDeviceDescription[0] == 0x7F ? error : EDS_ERR_OK;
          } },
        { "OpenSession", [=] { return EdsOpenSession(camera); } },
        { "CloseSession", [=] { return EdsCloseSession(camera); } },
        { "SetCapacity",
          [=] {
              return EdsSetCapacity(camera, { 0x7FFFFFFF, 0x1000, 1 });
          } },
        { "SetPropertyEventHandler",
          [=] {
              return EdsSetPropertyEventHandler(camera, kEdsPropertyEvent_All, nullptr, nullptr);
          } },
        { "SetObjectEventHandler",
          [=] { return EdsSetObjectEventHandler(camera, kEdsObjectEvent_All, nullptr, nullptr); } },
        { "SetCameraStateEventHandler",
          [=] {
              return EdsSetCameraStateEventHandler(camera, kEdsStateEvent_All, nullptr, nullptr);
          } },
    };
}

} // namespace

class TestGphoto2Sdk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void callsBeforeInitialisation();
    void noCameraAttached();
    void refusedReferences();
    void folderCamera();
    void terminateEndsOpenSessions();
    void unknownModelOrPort();

private:
    QTemporaryDir dir;
    QString home;
    QString folder;
};

// libgphoto2 keeps its settings under HOME: pointing it at an empty folder
// shows whether anything was written there.
void TestGphoto2Sdk::initTestCase()
{
    QVERIFY(dir.isValid());
    home = dir.filePath(QStringLiteral("home"));
    folder = dir.filePath(QStringLiteral("camera"));
    QVERIFY(QDir().mkpath(home));
    QVERIFY(QDir().mkpath(folder));
    QFile picture(folder + QStringLiteral("/IMG_0001.JPG"));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.write("not really a picture");
    picture.close();
    qputenv("HOME", QFile::encodeName(home));
    EdsTerminateSDK();
}

void TestGphoto2Sdk::cleanup()
{
    EdsTerminateSDK();
}

void TestGphoto2Sdk::cleanupTestCase()
{
    QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList { QStringLiteral("IMG_0001.JPG") });
}

void TestGphoto2Sdk::callsBeforeInitialisation()
{
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_NOT_INITIALIZED);
    EdsCameraListRef list = kGarbageRef;
    QCOMPARE(EdsGetCameraList(&list), EDS_ERR_NOT_INITIALIZED);
    QCOMPARE(list, kGarbageRef);
    for (const auto &call : everyCall(kGarbageRef, kGarbageRef))
        QVERIFY2(call.second() == EDS_ERR_NOT_INITIALIZED, call.first);
}

// The real library with nothing plugged in: the window's "not detected" path.
void TestGphoto2Sdk::noCameraAttached()
{
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraListRef list = nullptr;
    QCOMPARE(EdsGetCameraList(&list), EDS_ERR_OK);
    QVERIFY(list);
    EdsUInt32 count = kUntouched;
    QCOMPARE(EdsGetChildCount(list, &count), EDS_ERR_OK);
    if (count != 0)
        QSKIP("a camera is attached to this machine");
    EdsBaseRef camera = kGarbageRef;
    QCOMPARE(EdsGetChildAtIndex(list, 0, &camera), EDS_ERR_INVALID_PARAMETER);
    QCOMPARE(camera, kGarbageRef);
    QCOMPARE(EdsRelease(list), EDS_ERR_OK);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);

    CameraCannon cannon;
    QVERIFY(cannon.initSdk());
    int cameras = 0;
    QVERIFY(!cannon.openFirstCamera(cameras));
    QCOMPARE(cameras, -1);
    QVERIFY(!cannon.isConnected());
    QCOMPARE(EdsGetCameraList(&list), EDS_ERR_NOT_INITIALIZED); // it gave up the SDK
}

void TestGphoto2Sdk::refusedReferences()
{
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    const std::string port = "disk:" + folder.toStdString();
    const EdsCameraListRef oldList = listOf(kFolderModel, port);
    const EdsCameraRef oldCamera = firstOf(oldList);
    QVERIFY(oldList && oldCamera);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK); // a second one changes nothing

    const EdsCameraListRef list = listOf(kFolderModel, port);
    const EdsCameraRef camera = firstOf(list);
    QVERIFY(list && camera);
    QVERIFY(list != oldList && camera != oldCamera && list != camera);

    const struct {
        const char *what;
        EdsBaseRef list;
        EdsBaseRef camera;
    } cases[] = {
        { "null", nullptr, nullptr },
        { "never handed out", kGarbageRef, kGarbageRef },
        { "from before a terminate", oldList, oldCamera },
        { "of the wrong kind", camera, list },
    };
    for (const auto &refused : cases) {
        for (const auto &call : everyCall(refused.list, refused.camera)) {
            if (std::strcmp(call.first, "Release") == 0 && refused.camera == list)
                continue; // a list is released like a camera
            QVERIFY2(call.second() == EDS_ERR_INVALID_HANDLE,
                     qPrintable(QStringLiteral("%1: %2").arg(refused.what, call.first)));
        }
    }

    QCOMPARE(EdsGetCameraList(nullptr), EDS_ERR_INVALID_POINTER);
    QCOMPARE(EdsGetChildCount(list, nullptr), EDS_ERR_INVALID_POINTER);
    QCOMPARE(EdsGetChildAtIndex(list, 0, nullptr), EDS_ERR_INVALID_POINTER);
    QCOMPARE(EdsGetDeviceInfo(camera, nullptr), EDS_ERR_INVALID_POINTER);
    EdsBaseRef child = kGarbageRef;
    QCOMPARE(EdsGetChildAtIndex(list, 1, &child), EDS_ERR_INVALID_PARAMETER);
    QCOMPARE(EdsGetChildAtIndex(list, -1, &child), EDS_ERR_INVALID_PARAMETER);
    QCOMPARE(child, kGarbageRef);

    // The camera outlives its list by its own reference, and not beyond it.
    QCOMPARE(EdsRelease(list), EDS_ERR_OK);
    EdsUInt32 count = 0;
    QCOMPARE(EdsGetChildCount(list, &count), EDS_ERR_INVALID_HANDLE);
    EdsDeviceInfo info = {};
    QCOMPARE(EdsGetDeviceInfo(camera, &info), EDS_ERR_OK);
    QCOMPARE(EdsRelease(camera), EDS_ERR_OK);
    QCOMPARE(EdsGetDeviceInfo(camera, &info), EDS_ERR_INVALID_HANDLE);
    QCOMPARE(EdsRelease(camera), EDS_ERR_INVALID_HANDLE);
}

// libgphoto2's folder camera opens a session for real but has no settings.
void TestGphoto2Sdk::folderCamera()
{
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    const std::string port = "disk:" + folder.toStdString();
    const EdsCameraListRef list = listOf(kFolderModel, port);
    EdsUInt32 count = 0;
    QCOMPARE(EdsGetChildCount(list, &count), EDS_ERR_OK);
    QCOMPARE(count, 1u);
    const EdsCameraRef camera = firstOf(list);
    QCOMPARE(firstOf(list), camera); // one camera, one object
    QCOMPARE(EdsRelease(camera), EDS_ERR_OK);
    QCOMPARE(EdsRelease(list), EDS_ERR_OK);

    EdsDeviceInfo info;
    std::memset(&info, 0x7F, sizeof info);
    QCOMPARE(EdsGetDeviceInfo(camera, &info), EDS_ERR_OK);
    QCOMPARE(QByteArray(info.szDeviceDescription), QByteArray("Directory Browse"));
    QCOMPARE(QByteArray(info.szPortName), QByteArray::fromStdString(port));

    EdsUInt32 value = kUntouched;
    QCOMPARE(readValue(camera, kEdsPropID_SaveTo, value), EDS_ERR_SESSION_NOT_OPEN);
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);

    // No settings: reads fail cleanly and leave the buffer alone.
    char bodyId[256];
    std::memset(bodyId, 0x7F, sizeof bodyId);
    QCOMPARE(EdsGetPropertyData(camera, kEdsPropID_BodyIDEx, 0, sizeof bodyId, bodyId),
             EDS_ERR_NOT_SUPPORTED);
    QCOMPARE(bodyId[0], '\x7F');
    for (const EdsPropertyID id : { kEdsPropID_AEModeSelect, kEdsPropID_ImageQuality }) {
        EdsDataType type = kUntouched;
        EdsUInt32 size = kUntouched;
        QCOMPARE(EdsGetPropertySize(camera, id, 0, &type, &size), EDS_ERR_NOT_SUPPORTED);
        QCOMPARE(size, kUntouched);
        QCOMPARE(readValue(camera, id, value), EDS_ERR_NOT_SUPPORTED);
        QCOMPARE(writeValue(camera, id,
                            id == kEdsPropID_AEModeSelect ? kEdsAEMode_Manual : EdsImageQuality_LR),
                 EDS_ERR_NOT_SUPPORTED);
    }
    QCOMPARE(value, kUntouched);
    for (const EdsPropertyID id : { kEdsPropID_Evf_OutputDevice, kEdsPropID_Evf_Mode,
                                    kEdsPropID_Evf_AFMode, EdsPropertyID(0x9999) }) {
        EdsDataType type = 0;
        EdsUInt32 size = 0;
        QCOMPARE(EdsGetPropertySize(camera, id, 0, &type, &size), EDS_ERR_NOT_SUPPORTED);
        QCOMPARE(writeValue(camera, id, 1), EDS_ERR_NOT_SUPPORTED);
    }
    QCOMPARE(writeValue(camera, kEdsPropID_BodyIDEx, 1), EDS_ERR_NOT_SUPPORTED);

    // SaveTo lives here: 4 bytes, starting on the camera, read back as written.
    EdsDataType type = 0;
    EdsUInt32 size = 0;
    QCOMPARE(EdsGetPropertySize(camera, kEdsPropID_SaveTo, 0, &type, &size), EDS_ERR_OK);
    QCOMPARE(size, 4u);
    QCOMPARE(readValue(camera, kEdsPropID_SaveTo, value), EDS_ERR_OK);
    QCOMPARE(value, 1u);
    QCOMPARE(writeValue(camera, kEdsPropID_SaveTo, kEdsSaveTo_Host), EDS_ERR_OK);
    QCOMPARE(writeValue(camera, kEdsPropID_SaveTo, 7), EDS_ERR_INVALID_PARAMETER);
    QCOMPARE(EdsSetPropertyData(camera, kEdsPropID_SaveTo, 0, 2, &value),
             EDS_ERR_INVALID_PARAMETER);
    std::uint16_t tooSmall = 0x7F7F;
    QCOMPARE(EdsGetPropertyData(camera, kEdsPropID_SaveTo, 0, sizeof tooSmall, &tooSmall),
             EDS_ERR_INVALID_PARAMETER);
    QCOMPARE(tooSmall, std::uint16_t(0x7F7F));
    QCOMPARE(readValue(camera, kEdsPropID_SaveTo, value), EDS_ERR_OK);
    QCOMPARE(value, kEdsSaveTo_Host);

    QCOMPARE(EdsSetCapacity(camera, { 0x7FFFFFFF, 0x1000, 1 }), EDS_ERR_OK);
    QCOMPARE(EdsSetObjectEventHandler(camera, kEdsObjectEvent_All, nullptr, nullptr), EDS_ERR_OK);

    QCOMPARE(EdsCloseSession(camera), EDS_ERR_OK);
    QCOMPARE(EdsCloseSession(camera), EDS_ERR_SESSION_NOT_OPEN);
    QCOMPARE(readValue(camera, kEdsPropID_SaveTo, value), EDS_ERR_SESSION_NOT_OPEN);
    QCOMPARE(EdsRelease(camera), EDS_ERR_OK);
}

// Terminating frees every reference and ends the sessions still open, so the
// same camera opens again afterwards.
void TestGphoto2Sdk::terminateEndsOpenSessions()
{
    const std::string port = "disk:" + folder.toStdString();
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
        const EdsCameraListRef list = listOf(kFolderModel, port);
        const EdsCameraRef camera = firstOf(list);
        QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);
        QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
        QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
        QCOMPARE(EdsCloseSession(camera), EDS_ERR_INVALID_HANDLE);
        QCOMPARE(EdsRelease(list), EDS_ERR_INVALID_HANDLE);
        QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
    }
}

void TestGphoto2Sdk::unknownModelOrPort()
{
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    const std::string port = "disk:" + folder.toStdString();
    const std::pair<std::string, std::string> cases[] = {
        { "No Such Camera Model", port },
        { kFolderModel, "nosuchport:nowhere" },
    };
    for (const auto &device : cases) {
        const EdsCameraListRef list = listOf(device.first, device.second);
        const EdsCameraRef camera = firstOf(list);
        QCOMPARE(EdsOpenSession(camera), EDS_ERR_DEVICE_NOT_FOUND);
        EdsUInt32 value = kUntouched;
        QCOMPARE(readValue(camera, kEdsPropID_SaveTo, value), EDS_ERR_SESSION_NOT_OPEN);
        QCOMPARE(EdsCloseSession(camera), EDS_ERR_SESSION_NOT_OPEN);
    }
}

QTEST_GUILESS_MAIN(TestGphoto2Sdk)
#include "tst_gphoto2sdk.moc"
