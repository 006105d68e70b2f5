#include "app/brokenpipes.h"
#include "camera/cameracannon.h"
#include "camera/edsdk.h"
#include "engine/sdkfinder.h"
#include "sdk/gphoto2/gphoto2sdk.h"
#include "worker/bodyreader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <gphoto2/gphoto2-result.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

// A local time "YYYY-MM-DD HH:MM:SS" as the moment it is here.
long long epochOf(const QString &local)
{
    return QDateTime::fromString(local, QStringLiteral("yyyy-MM-dd HH:mm:ss")).toSecsSinceEpoch();
}

// libgphoto2's side of a rig of EOS bodies, enough for a whole press,
// counting every lookup of a setting (each costs a body round trips), every
// whole read, every detection and every camera opened. Like libgphoto2, it refuses to open a
// port whose body is not of the model asked for.
class EosRig : public Gphoto2Backend
{
public:
    struct Body {
        std::string model = "EOS body";
        std::map<std::string, Setting> settings;
    };
    std::map<std::string, Body> bodies; // by port
    std::map<std::string, int> reads;
    std::map<std::string, int> writes;
    int wholeReads = 0;
    int detections = 0;
    std::vector<Detected> opened;

    explicit EosRig(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            Body &body = bodies["usb:001,0" + std::to_string(10 + i)];
            body.settings = {
                { "autoexposuremode", { "Av", { "P", "Tv", "Av", "Manual", "Bulb" } } },
                { "imageformat", { "Large Fine JPEG", { "Large Fine JPEG", "RAW" } } },
                { "eosserialnumber", { std::to_string(83021004517 + i).insert(0, 1, '0'), {} } },
                { "ownername", { "Studio Nine", {} } },
                { "artist", { "A. Photographer", {} } },
                { "copyright", { "(c) Studio Nine", {} } },
                { "deviceversion", { "3-1.6.0", {} } },
                { "lensname", { "24-70mm f/2.8 zoom", {} } },
                { "batterylevel", { "Low", {} } },
                { "availableshots", { "1234", {} } },
                { "shuttercounter", { "48213", {} } },
                { "datetime",
                  { std::to_string(epochOf(QStringLiteral("2024-06-15 12:30:45"))), {}, true } },
            };
        }
    }

    int detect(std::vector<Detected> &found) override
    {
        ++detections;
        found.clear();
        for (const auto &[port, body] : bodies)
            found.push_back({ body.model, port });
        return GP_OK;
    }
    int describeDrivers(const Detected &camera, std::string &drivers) override
    {
        drivers = "drivers of " + camera.model;
        return GP_OK;
    }
    int open(const Detected &wanted, Session *outSession) override
    {
        opened.push_back(wanted);
        const auto it = bodies.find(wanted.port);
        if (it == bodies.end())
            return GP_ERROR_IO_USB_FIND;
        if (it->second.model != wanted.model)
            return GP_ERROR_MODEL_NOT_FOUND;
        *outSession = reinterpret_cast<Session>(&it->second); // never looked into
        return GP_OK;
    }
    int close(Session) override { return GP_OK; }
    int read(Session session, const char *name, Setting &setting) override
    {
        ++reads[name];
        const auto &settings = reinterpret_cast<Body *>(session)->settings;
        const auto it = settings.find(name);
        if (it == settings.end())
            return GP_ERROR_BAD_PARAMETERS;
        setting = it->second;
        return GP_OK;
    }
    int write(Session session, const char *name, const Chooser &choose) override
    {
        ++writes[name];
        auto &settings = reinterpret_cast<Body *>(session)->settings;
        const auto it = settings.find(name);
        if (it == settings.end())
            return GP_ERROR_BAD_PARAMETERS;
        const std::string *choice = choose(it->second);
        if (!choice)
            return GP_ERROR_NOT_SUPPORTED;
        it->second.value = *choice;
        return GP_OK;
    }
    int writeTime(Session session, const char *name, long long epoch) override
    {
        ++writes[name];
        auto &settings = reinterpret_cast<Body *>(session)->settings;
        const auto it = settings.find(name);
        if (it == settings.end())
            return GP_ERROR_BAD_PARAMETERS;
        if (!it->second.date)
            return GP_ERROR_NOT_SUPPORTED;
        it->second.value = std::to_string(epoch);
        return GP_OK;
    }
    // Like libgphoto2's, it leaves out settings without a value.
    int readAll(Session session, std::map<std::string, Setting> &settings) override
    {
        ++wholeReads;
        settings.clear();
        for (const auto &[name, setting] : reinterpret_cast<Body *>(session)->settings) {
            if (!setting.value.empty())
                settings.emplace(name, setting);
        }
        return GP_OK;
    }
    void forgetPorts() override { }
};

QString counted(const std::map<std::string, int> &counts)
{
    QStringList parts;
    for (const auto &entry : counts)
        parts << QStringLiteral("%1 %2").arg(QString::fromStdString(entry.first)).arg(entry.second);
    return parts.join(QStringLiteral(", "));
}

// A body property read as the lister reads it, with no size query first:
// empty when not given.
QString bodyAnswer(EdsCameraRef camera, EdsPropertyID id, EdsDataType type)
{
    union {
        char text[256];
        EdsUInt32 value;
        EdsTime time;
    } data = {};
    const EdsUInt32 size = type == kEdsDataType_String ? sizeof data.text
        : type == kEdsDataType_Time                    ? sizeof data.time
                                                       : sizeof data.value;
    const EdsError error = EdsGetPropertyData(camera, id, 0, size, &data);
    if (error != EDS_ERR_OK)
        return error == EDS_ERR_NOT_SUPPORTED ? QString() : QStringLiteral("error %1").arg(error);
    if (type != kEdsDataType_Time)
        return type == kEdsDataType_String ? QString::fromUtf8(data.text)
                                           : QString::number(data.value);
    const EdsTime &t = data.time;
    return QString::asprintf("%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                             t.minute, t.second);
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
    void pressOnEosBody();
    void bodyProperties_data();
    void bodyProperties();
    void workerReachesOnlyItsBody_data();
    void workerReachesOnlyItsBody();
    void workerLoadsOnlyItsDrivers_data();
    void workerLoadsOnlyItsDrivers();
    void droppedNetworkLink();

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
    // Port drivers are loaded by themselves through links in a folder of
    // their own, which stays in here.
    const QString temporary = dir.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(temporary));
    qputenv("TMPDIR", QFile::encodeName(temporary));
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
    QCOMPARE(QDir(dir.filePath(QStringLiteral("tmp")))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
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

// A whole press, as the window makes it: the ID comes through, Manual and RAW
// are written, and each value the camera object asks for is looked up once
// (exposure mode before writing and when checked, image quality's size and
// read-back, the body ID); each write looks its setting up once more.
void TestGphoto2Sdk::pressOnEosBody()
{
    auto owned = std::make_unique<EosRig>();
    const EosRig &rig = *owned;
    const auto &settings = rig.bodies.begin()->second.settings;
    QVERIFY(Gphoto2Sdk::instance().replaceBackend(std::move(owned)));
    const auto backToLibgphoto2 = qScopeGuard([] {
        EdsTerminateSDK();
        Gphoto2Sdk::instance().replaceBackend(nullptr);
    });

    CameraCannon cannon;
    QVERIFY(cannon.initSdk());
    int cameras = 0;
    QVERIFY(cannon.openFirstCamera(cameras));
    QCOMPARE(cameras, 1);
    QCOMPARE(cannon.prepareCamera(0), 0);
    QString bodyId;
    QVERIFY(cannon.readBodyId(bodyId));
    QVERIFY(cannon.disconnectCamera());

    QCOMPARE(bodyId, QStringLiteral("083021004517"));
    QCOMPARE(settings.at("autoexposuremode").value, std::string("Manual"));
    QCOMPARE(settings.at("imageformat").value, std::string("RAW"));
    QCOMPARE(counted(rig.reads),
             QStringLiteral("autoexposuremode 2, eosserialnumber 1, imageformat 2"));
    QCOMPARE(counted(rig.writes), QStringLiteral("autoexposuremode 1, imageformat 1"));
}

// The body's own properties, as the lister reads them. Edits change the
// body's settings: "name=text" sets a text, "name=@local time" a date, and
// "-name" takes the setting away. Changes list the answers that differ from
// an untouched body's; empty is not given.
void TestGphoto2Sdk::bodyProperties_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("changes");

    QTest::newRow("EOS body") << QStringList() << QStringList();
    QTest::newRow("other spellings")
        << QStringList { "-batterylevel",
                         "Battery Level= 85 %",
                         "-ownername",
                         "Owner_Name=Ten",
                         "-deviceversion",
                         "firmwareversion=1.1",
                         "-shuttercounter",
                         "Shutter Count=777",
                         "-lensname",
                         "lens=50mm prime",
                         "datetime=2024:01:02 03:04:05" }
        << QStringList { "owner=Ten", "firmware=1.1", "lens=50mm prime",          "battery=85",
                         "word=",     "shutter=777",  "clock=2024-01-02 03:04:05" };
    QTest::newRow("on mains, a date in UTC's name")
        << QStringList { "batterylevel=AC Power", "-datetime", "datetimeutc=@2024-03-04 05:06:07" }
        << QStringList { "battery=4294967295", "word=", "clock=2024-03-04 05:06:07" };
    QTest::newRow("unknown spellings")
        << QStringList { "-ownername",
                         "owner name of body=X",
                         "-batterylevel",
                         "Battery Power=50%",
                         "-availableshots",
                         "shotsleft=12",
                         "-copyright",
                         "-datetime",
                         "datetimeutc=2024-06-15 10:30:45" }
        << QStringList { "owner=", "copyright=", "battery=", "word=", "shots=", "clock=" };
    QTest::newRow("unreadable values")
        << QStringList { "artist=",           "batterylevel=Unknown value 0004",
                         "availableshots=-1", "shuttercounter=12.5",
                         "datetime=sometime", "lensname=" }
        << QStringList { "artist=", "lens=", "battery=", "word=", "shots=", "shutter=", "clock=" };
}

// Every property reads through one whole read and no lookup beyond the ID's;
// the clock, once set, is looked up once to be read back.
void TestGphoto2Sdk::bodyProperties()
{
    QFETCH(QStringList, edits);
    QFETCH(QStringList, changes);
    auto owned = std::make_unique<EosRig>();
    EosRig &rig = *owned;
    auto &settings = rig.bodies.begin()->second.settings;
    for (const QString &edit : edits) {
        const QString value = edit.section(QLatin1Char('='), 1);
        const bool date = value.startsWith(QLatin1Char('@'));
        if (edit.startsWith(QLatin1Char('-')))
            settings.erase(edit.mid(1).toStdString());
        else
            settings[edit.section(QLatin1Char('='), 0, 0).toStdString()]
                = { date ? std::to_string(epochOf(value.mid(1))) : value.toStdString(), {}, date };
    }
    QVERIFY(Gphoto2Sdk::instance().replaceBackend(std::move(owned)));
    const auto backToLibgphoto2 = qScopeGuard([] {
        EdsTerminateSDK();
        Gphoto2Sdk::instance().replaceBackend(nullptr);
    });
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraListRef list = nullptr;
    QCOMPARE(EdsGetCameraList(&list), EDS_ERR_OK);
    const EdsCameraRef camera = firstOf(list);
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);
    QCOMPARE(bodyAnswer(camera, kEdsPropID_BodyIDEx, kEdsDataType_String),
             QStringLiteral("083021004517"));

    const struct {
        const char *name;
        EdsPropertyID id;
        EdsDataType type;
        QString answer;
    } properties[] = {
        { "owner", kEdsPropID_OwnerName, kEdsDataType_String, "Studio Nine" },
        { "artist", kEdsPropID_Artist, kEdsDataType_String, "A. Photographer" },
        { "copyright", kEdsPropID_Copyright, kEdsDataType_String, "(c) Studio Nine" },
        { "firmware", kEdsPropID_FirmwareVersion, kEdsDataType_String, "3-1.6.0" },
        { "lens", kEdsPropID_LensName, kEdsDataType_String, "24-70mm f/2.8 zoom" },
        { "battery", kEdsPropID_BatteryLevel, kEdsDataType_UInt32, "20" },
        { "word", kSarvolinPropID_BatteryWord, kEdsDataType_String, "Low" },
        { "shots", kEdsPropID_AvailableShots, kEdsDataType_UInt32, "1234" },
        { "shutter", kSarvolinPropID_ShutterCount, kEdsDataType_UInt32, "48213" },
        { "clock", kEdsPropID_DateTime, kEdsDataType_Time, "2024-06-15 12:30:45" },
    };
    QString clock;
    for (const auto &property : properties) {
        QString answer = property.answer;
        for (const QString &change : changes) {
            if (change.section(QLatin1Char('='), 0, 0) == QLatin1String(property.name))
                answer = change.section(QLatin1Char('='), 1);
        }
        QCOMPARE(bodyAnswer(camera, property.id, property.type), answer);
        EdsDataType type = 0;
        EdsUInt32 size = 0;
        QCOMPARE(EdsGetPropertySize(camera, property.id, 0, &type, &size),
                 answer.isEmpty() ? EDS_ERR_NOT_SUPPORTED : EDS_ERR_OK);
        QCOMPARE(type, answer.isEmpty() ? 0 : property.type);
        QCOMPARE(size,
                 answer.isEmpty()                  ? 0u
                     : type == kEdsDataType_String ? EdsUInt32(answer.toUtf8().size() + 1)
                     : type == kEdsDataType_Time   ? EdsUInt32(sizeof(EdsTime))
                                                   : 4u);
        clock = answer;
    }
    EdsTime time = {};
    QCOMPARE(EdsGetPropertyData(camera, kEdsPropID_DateTime, 0, sizeof time - 1, &time),
             EDS_ERR_INVALID_PARAMETER);
    QCOMPARE(EdsGetPropertyData(camera, kEdsPropID_OwnerName, 0, 0, &time),
             EDS_ERR_INVALID_PARAMETER);
    QCOMPARE(rig.wholeReads, 1);
    QCOMPARE(counted(rig.reads), QStringLiteral("eosserialnumber 1"));

    // Set as the computer's local time; only a date setting takes it.
    QCOMPARE(writeValue(camera, kEdsPropID_OwnerName, 1), EDS_ERR_NOT_SUPPORTED);
    EdsTime set = { 2025, 13, 4, 9, 8, 7, 0 };
    QCOMPARE(EdsSetPropertyData(camera, kEdsPropID_DateTime, 0, sizeof set, &set),
             EDS_ERR_INVALID_PARAMETER);
    set.month = 7;
    QCOMPARE(counted(rig.writes), QString());
    const bool settable = settings.count("datetime") && settings.at("datetime").date;
    QCOMPARE(EdsSetPropertyData(camera, kEdsPropID_DateTime, 0, sizeof set, &set),
             settable ? EDS_ERR_OK : EDS_ERR_NOT_SUPPORTED);
    QCOMPARE(counted(rig.writes), QStringLiteral("datetime 1"));
    const QString written = QStringLiteral("2025-07-04 09:08:07");
    if (settable)
        QCOMPARE(settings.at("datetime").value, std::to_string(epochOf(written)));
    const QString readBack = settable ? written : clock;
    QCOMPARE(bodyAnswer(camera, kEdsPropID_DateTime, kEdsDataType_Time), readBack);
    QCOMPARE(bodyAnswer(camera, kEdsPropID_DateTime, kEdsDataType_Time), readBack);
    QCOMPARE(counted(rig.reads),
             settable ? QStringLiteral("datetime 1, eosserialnumber 1")
                      : QStringLiteral("eosserialnumber 1"));
    QCOMPARE(rig.wholeReads, 1);

    // A new session reads the body afresh.
    QCOMPARE(EdsCloseSession(camera), EDS_ERR_OK);
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);
    QCOMPARE(bodyAnswer(camera, kEdsPropID_Copyright, kEdsDataType_String).isEmpty(),
             changes.contains(QStringLiteral("copyright=")));
    QCOMPARE(rig.wholeReads, 2);
}

// The lister's look finds three bodies; a worker is sent to the second one
// with its address, and whatever became of it since, it never runs a
// detection and never opens another body's port.
void TestGphoto2Sdk::workerReachesOnlyItsBody_data()
{
    QTest::addColumn<QString>("since");
    QTest::addColumn<int>("failure");
    QTest::newRow("still there") << "" << int(ReadFailure::None);
    QTest::newRow("unplugged") << "unplugged" << int(ReadFailure::Gone);
    QTest::newRow("another model in its socket") << "swapped" << int(ReadFailure::Gone);
    QTest::newRow("sent to another port") << "port" << int(ReadFailure::Gone);
    QTest::newRow("an address that is none") << "address" << int(ReadFailure::SdkFailed);
}

void TestGphoto2Sdk::workerReachesOnlyItsBody()
{
    QFETCH(QString, since);
    QFETCH(int, failure);
    auto owned = std::make_unique<EosRig>(3);
    EosRig &rig = *owned;
    QVERIFY(Gphoto2Sdk::instance().replaceBackend(std::move(owned)));
    const auto backToLibgphoto2 = qScopeGuard([] {
        EdsTerminateSDK();
        Gphoto2Sdk::instance().replaceBackend(nullptr);
    });

    QVector<BodyRow> found;
    {
        SdkFinder finder;
        QCOMPARE(finder.start(), EDS_ERR_OK);
        QCOMPARE(finder.find(found), EDS_ERR_OK);
    }
    QCOMPARE(found.size(), 3);
    BodyRow body = found[1];
    QCOMPARE(body.address, QStringLiteral("EOS body\nusb:001,011\ndrivers of EOS body"));
    const std::string port = body.port.toStdString();
    if (since == "unplugged")
        rig.bodies.erase(port);
    else if (since == "swapped")
        rig.bodies[port].model = "EOS R";
    else if (since == "port")
        body.port = found[2].port;
    else if (since == "address")
        body.address = QStringLiteral("EOS body");

    const BodyReader::Result result = BodyReader([] {
                                          return false;
                                      }).read(body.port.toStdString(), body.address.toStdString());
    QCOMPARE(int(result.failure), failure);
    QCOMPARE(result.idField, std::string(failure == int(ReadFailure::None) ? "083021004518" : ""));
    QCOMPARE(rig.detections, 1); // the look's
    const bool opens = since != "port" && since != "address";
    QCOMPARE(int(rig.opened.size()), opens ? 1 : 0);
    for (const Gphoto2Backend::Detected &camera : rig.opened) {
        QCOMPARE(camera.port, port);
        QCOMPARE(camera.model, std::string("EOS body"));
        QCOMPARE(camera.drivers, std::string("drivers of EOS body"));
    }
}

// The worker itself, on the real libgphoto2: sent to a body with its
// address, it loads that body's camera and port drivers and no others.
// Nothing answers at the network port, and the folder camera has no ID.
void TestGphoto2Sdk::workerLoadsOnlyItsDrivers_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QStringList>("drivers");

    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    QVERIFY(listener >= 0 && bind(listener, reinterpret_cast<sockaddr *>(&address), length) == 0
            && getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) == 0);
    close(listener); // so that connecting to it is refused
    const QString closed = QString::number(ntohs(address.sin_port));
    QTest::newRow("PTP/IP body gone")
        << "PTP/IP Camera"
        << "ptpip:127.0.0.1:" + closed + ':' + closed << int(ReadFailure::Gone)
        << QStringList { "ptp2.so", "ptpip.so" };
    QTest::newRow("folder camera")
        << kFolderModel.c_str() << "disk:" + folder << int(ReadFailure::NoId)
        << QStringList { "directory.so", "disk.so" };
}

void TestGphoto2Sdk::workerLoadsOnlyItsDrivers()
{
#ifndef SARVOLIN_LIST_WORKER
    QSKIP("sarvolin-list is not built on libgphoto2 here");
#else
    QFETCH(QString, model);
    QFETCH(QString, port);
    QFETCH(int, failure);
    QFETCH(QStringList, drivers);

    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    const EdsCameraListRef list = listOf(model.toStdString(), port.toStdString());
    char address[kSarvolinAddressSize];
    QCOMPARE(SarvolinGetCameraAddress(firstOf(list), sizeof address, address), EDS_ERR_OK);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);

    // libgphoto2 keeps a host GUID for PTP/IP under HOME.
    const QString workerHome = dir.filePath(QStringLiteral("worker-home"));
    QVERIFY(QDir().mkpath(workerHome));
    QProcess worker;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), workerHome);
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    worker.setProcessEnvironment(environment);
    worker.start(QStringLiteral(SARVOLIN_LIST_WORKER), { port, QString::fromUtf8(address) });
    QVERIFY(worker.waitForFinished(30000));
    QCOMPARE(worker.exitCode(), 0);
    WorkerProtocol::BodyAnswer answer;
    QVERIFY(WorkerProtocol::decode(worker.readAllStandardOutput().toStdString(), answer));
    QCOMPARE(int(answer.failure), failure);

    // The dynamic loader names every file it maps, drivers from their own
    // folders and port drivers from a private folder of links.
    static const QRegularExpression mapped(
        QStringLiteral("file=(\\S*/(libgphoto2|libgphoto2_port|sarvolin-port-\\w+)/"
                       "(?:[^/\\s]+/)?([^/\\s]+\\.so)) \\["));
    std::set<QString> loaded;
    for (auto match = mapped.globalMatch(QString::fromUtf8(worker.readAllStandardError()));
         match.hasNext();)
        loaded.insert(match.next().captured(3));
    QCOMPARE(QStringList(loaded.begin(), loaded.end()), drivers);
#endif
}

// A network camera that answers both PTP/IP handshakes and hangs up at once:
// libgphoto2 writes its first request to the dropped link and, when no answer
// comes, writes again into the broken pipe.
void TestGphoto2Sdk::droppedNetworkLink()
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    const auto closeListener = qScopeGuard([=] { close(listener); });
    const timeval timeout = { 10, 0 }; // against hangs; accepted links inherit it
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    QVERIFY(setsockopt(listener, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0);
    QVERIFY(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    QVERIFY(listen(listener, 2) == 0);
    QVERIFY(getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) == 0);

    // libgphoto2 saves a host GUID for PTP/IP under HOME on first use; a home
    // of its own keeps the check on the other one meaningful.
    const QByteArray oldHome = qgetenv("HOME");
    const auto restoreHome = qScopeGuard([=] { qputenv("HOME", oldHome); });
    const QString networkHome = dir.filePath(QStringLiteral("network-home"));
    QVERIFY(QDir().mkpath(networkHome));
    qputenv("HOME", QFile::encodeName(networkHome));

    // The second number is the event link's port, else PTP/IP's standard one.
    const std::string number = std::to_string(ntohs(address.sin_port));
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    const EdsCameraListRef list
        = listOf("PTP/IP Camera", "ptpip:127.0.0.1:" + number + ":" + number);
    const EdsCameraRef camera = firstOf(list);
    QVERIFY(list && camera);

    // Little-endian length and type; the command link's acknowledgement
    // carries a connection number, GUID, name and version, all left zero.
    static const char commandAck[34] = { 34, 0, 0, 0, 2 };
    static const char eventAck[8] = { 8, 0, 0, 0, 4 };
    std::atomic<int> answered { 0 };
    std::thread cameraSide([&] {
        for (const QByteArray &ack : { QByteArray(commandAck, 34), QByteArray(eventAck, 8) }) {
            const int link = accept(listener, nullptr, nullptr);
            if (link < 0)
                return;
            char request[64];
            if (read(link, request, sizeof request) > 0
                && write(link, ack.constData(), ack.size()) == ack.size())
                ++answered;
            close(link);
        }
    });
    ignoreBrokenPipes();
    const EdsError error = EdsOpenSession(camera);
    cameraSide.join();

    QCOMPARE(answered.load(), 2);
    QVERIFY(error != EDS_ERR_OK);
    EdsUInt32 value = kUntouched;
    QCOMPARE(readValue(camera, kEdsPropID_SaveTo, value), EDS_ERR_SESSION_NOT_OPEN);
    QCOMPARE(EdsRelease(camera), EDS_ERR_OK);
    QCOMPARE(EdsRelease(list), EDS_ERR_OK);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
}

QTEST_GUILESS_MAIN(TestGphoto2Sdk)
#include "tst_gphoto2sdk.moc"
