#include "camera/cameracannon.h"
#include "camera/edsdk.h"

#include <QList>
#include <QtTest>

#include <cstring>
#include <ctime>
#include <iterator>
#include <memory>
#include <optional>

namespace {

constexpr char kCamerasVariable[] = "SARVOLIN_SIMULATED_CAMERAS";
constexpr char kFirstIdVariable[] = "SARVOLIN_SIMULATED_FIRST_ID";
const QString kFirstBodyId = QStringLiteral("083021004517");
constexpr EdsPropertyID kUnknownProperty = 0x00009999;

EdsCameraRef firstCamera()
{
    EdsCameraListRef list = nullptr;
    EdsCameraRef camera = nullptr;
    if (EdsGetCameraList(&list) == EDS_ERR_OK) {
        EdsGetChildAtIndex(list, 0, &camera);
        EdsRelease(list);
    }
    return camera;
}

EdsUInt32 valueOf(EdsCameraRef camera, EdsPropertyID id)
{
    EdsUInt32 value = 0xDEADBEEF;
    EdsGetPropertyData(camera, id, 0, sizeof value, &value);
    return value;
}

EdsError writeValue(EdsCameraRef camera, EdsPropertyID id, EdsUInt32 value)
{
    return EdsSetPropertyData(camera, id, 0, sizeof value, &value);
}

// Read as the lister reads them: null or -1 where the body gives nothing.
QString textOf(EdsCameraRef camera, EdsPropertyID id)
{
    char text[256];
    if (EdsGetPropertyData(camera, id, 0, sizeof text, text) != EDS_ERR_OK)
        return QString();
    return QString::fromLatin1(text);
}

qint64 numberOf(EdsCameraRef camera, EdsPropertyID id)
{
    EdsUInt32 value = 0;
    if (EdsGetPropertyData(camera, id, 0, sizeof value, &value) != EDS_ERR_OK)
        return -1;
    return value;
}

EdsTime localTimeIn(std::time_t seconds)
{
    const std::time_t then = std::time(nullptr) + seconds;
    const std::tm local = *std::localtime(&then);
    return { EdsUInt32(local.tm_year + 1900),
             EdsUInt32(local.tm_mon + 1),
             EdsUInt32(local.tm_mday),
             EdsUInt32(local.tm_hour),
             EdsUInt32(local.tm_min),
             EdsUInt32(local.tm_sec),
             0 };
}

// How many seconds the body's clock is ahead of the computer's.
std::optional<qint64> clockAheadOf(EdsCameraRef camera)
{
    EdsTime time {};
    if (EdsGetPropertyData(camera, kEdsPropID_DateTime, 0, sizeof time, &time) != EDS_ERR_OK)
        return std::nullopt;
    std::tm local {};
    local.tm_year = int(time.year) - 1900;
    local.tm_mon = int(time.month) - 1;
    local.tm_mday = int(time.day);
    local.tm_hour = int(time.hour);
    local.tm_min = int(time.minute);
    local.tm_sec = int(time.second);
    local.tm_isdst = -1;
    return qint64(std::mktime(&local) - std::time(nullptr));
}

EdsError writeClock(EdsCameraRef camera, const EdsTime &time, EdsUInt32 size = sizeof(EdsTime))
{
    return EdsSetPropertyData(camera, kEdsPropID_DateTime, 0, size, &time);
}

EdsError EDSCALLBACK recordChange(EdsPropertyEvent, EdsPropertyID id, EdsUInt32, EdsVoid *context)
{
    static_cast<QList<EdsPropertyID> *>(context)->append(id);
    return EDS_ERR_OK;
}

// Every entry point but initialisation must refuse, whatever it is given.
void verifyAllRefused(EdsCameraListRef list, EdsCameraRef camera)
{
    EdsUInt32 count = 0;
    EdsUInt32 value = 0;
    EdsDataType type = 0;
    EdsBaseRef child = nullptr;
    EdsDeviceInfo info {};
    const EdsError results[] = {
        EdsTerminateSDK(),
        EdsRelease(camera),
        EdsGetChildCount(list, &count),
        EdsGetChildAtIndex(list, 0, &child),
        EdsGetPropertySize(camera, kEdsPropID_SaveTo, 0, &type, &count),
        EdsGetPropertyData(camera, kEdsPropID_SaveTo, 0, sizeof value, &value),
        writeValue(camera, kEdsPropID_SaveTo, kEdsSaveTo_Host),
        EdsGetCameraList(&child),
        EdsGetDeviceInfo(camera, &info),
        EdsOpenSession(camera),
        EdsCloseSession(camera),
        EdsSetCapacity(camera, { 1, 512, 1 }),
        EdsSetPropertyEventHandler(camera, kEdsPropertyEvent_All, nullptr, nullptr),
        EdsSetObjectEventHandler(camera, kEdsObjectEvent_All, nullptr, nullptr),
        EdsSetCameraStateEventHandler(camera, kEdsStateEvent_All, nullptr, nullptr),
    };
    for (std::size_t i = 0; i < std::size(results); ++i)
        QVERIFY2(results[i] == EDS_ERR_NOT_INITIALIZED, QByteArray::number(int(i)).constData());
}

bool sdkIsDown()
{
    EdsCameraListRef list = nullptr;
    return EdsGetCameraList(&list) == EDS_ERR_NOT_INITIALIZED && !list;
}

} // namespace

class TestSimulatedCamera : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void fullCycleTwiceThenDestroyConnected();
    void attachedCameras_data();
    void attachedCameras();
    void clockIsSetAndReadBack();
    void refusesCallsWhileNotInitialised();
    void refusesStaleAndMisusedReferences();
    void guardsSessionsAndPropertyBuffers();

private:
    bool hadCamerasVariable = false;
    QByteArray savedCamerasVariable;
};

void TestSimulatedCamera::initTestCase()
{
    hadCamerasVariable = qEnvironmentVariableIsSet(kCamerasVariable);
    savedCamerasVariable = qgetenv(kCamerasVariable);
    qunsetenv(kCamerasVariable);
    qunsetenv(kFirstIdVariable);
}

// Every test starts with the SDK down and one camera attached.
void TestSimulatedCamera::cleanup()
{
    EdsTerminateSDK();
    qunsetenv(kFirstIdVariable);
    if (hadCamerasVariable)
        qputenv(kCamerasVariable, savedCamerasVariable);
    else
        qunsetenv(kCamerasVariable);
}

void TestSimulatedCamera::fullCycleTwiceThenDestroyConnected()
{
    // The camera arrives in none of the states the program needs, so the
    // values read after preparation can only come from its writes.
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraRef camera = firstCamera();
    QVERIFY(camera);
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);
    QVERIFY(valueOf(camera, kEdsPropID_AEModeSelect) != kEdsAEMode_Manual);
    QVERIFY(valueOf(camera, kEdsPropID_SaveTo) != kEdsSaveTo_Host);
    QVERIFY(valueOf(camera, kEdsPropID_ImageQuality) != EdsImageQuality_LR);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);

    auto cannon = std::make_unique<CameraCannon>();
    for (int round = 0; round < 3; ++round) {
        QVERIFY(cannon->initSdk());
        int count = 0;
        QVERIFY(cannon->openFirstCamera(count));
        QCOMPARE(count, 1);
        QCOMPARE(cannon->prepareCamera(0), 0);
        QVERIFY(cannon->isConnected());
        QString bodyId;
        QVERIFY(cannon->readBodyId(bodyId));
        QCOMPARE(bodyId, kFirstBodyId);
        QString description;
        QVERIFY(cannon->readDeviceDescription(0, description));
        QCOMPARE(description, QStringLiteral("Simulated camera"));

        // A second reference reaches the same camera and its open session.
        camera = firstCamera();
        QVERIFY(camera);
        QCOMPARE(valueOf(camera, kEdsPropID_AEModeSelect), kEdsAEMode_Manual);
        QCOMPARE(valueOf(camera, kEdsPropID_SaveTo), kEdsSaveTo_Host);
        QCOMPARE(valueOf(camera, kEdsPropID_ImageQuality), EdsImageQuality_LR);
        QCOMPARE(EdsRelease(camera), EDS_ERR_OK);

        if (round == 2)
            break;
        QVERIFY(cannon->disconnectCamera());
        QVERIFY(!cannon->isConnected());
        QVERIFY(sdkIsDown());
    }

    cannon.reset();
    QVERIFY(sdkIsDown());
}

void TestSimulatedCamera::attachedCameras_data()
{
    QTest::addColumn<QByteArray>("attached");
    QTest::addColumn<QByteArray>("firstIdSetting"); // null: unset
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("firstId"); // a body's ID goes with its socket

    const QByteArray unset;
    QTest::newRow("none") << QByteArray("0") << unset << false << -1 << QString();
    QTest::newRow("two") << QByteArray("2") << unset << true << 2 << kFirstBodyId;
    QTest::newRow("first socket empty")
        << QByteArray("-, ok\nno-id") << unset << true << 2 << QStringLiteral("083021004518");
    QTest::newRow("only empty sockets") << QByteArray("- -") << unset << false << -1 << QString();
    QTest::newRow("not understood") << QByteArray("ok,maybe") << unset << true << 1 << kFirstBodyId;
    QTest::newRow("too many") << QByteArray("201") << unset << true << 1 << kFirstBodyId;
    QTest::newRow("otherwise ordinary")
        << QByteArray("bare low-battery nearly-full drifted mains battery-word") << unset << true
        << 6 << kFirstBodyId;
    QTest::newRow("first ID set") << QByteArray("-, ok") << QByteArray("000000001001") << true << 1
                                  << QStringLiteral("000000001002");
    QTest::newRow("first ID with room for the last socket")
        << QByteArray("2") << QByteArray("999999999800") << true << 2
        << QStringLiteral("999999999800");
    QTest::newRow("first ID without room for the last socket")
        << QByteArray("2") << QByteArray("999999999801") << true << 2 << kFirstBodyId;
    QTest::newRow("first ID too short")
        << QByteArray("2") << QByteArray("1001") << true << 2 << kFirstBodyId;
    QTest::newRow("first ID not a number")
        << QByteArray("2") << QByteArray("+00000001001") << true << 2 << kFirstBodyId;
}

void TestSimulatedCamera::attachedCameras()
{
    QFETCH(QByteArray, attached);
    QFETCH(QByteArray, firstIdSetting);
    QFETCH(bool, opened);
    QFETCH(int, count);
    QFETCH(QString, firstId);

    qputenv(kCamerasVariable, attached);
    if (!firstIdSetting.isNull())
        qputenv(kFirstIdVariable, firstIdSetting);
    CameraCannon cannon;
    QVERIFY(cannon.initSdk());
    int reported = 0;
    QCOMPARE(cannon.openFirstCamera(reported), opened);
    QCOMPARE(reported, count);
    if (!opened) {
        QVERIFY(sdkIsDown());
        return;
    }
    QCOMPARE(cannon.prepareCamera(0), 0);
    QString bodyId;
    QVERIFY(cannon.readBodyId(bodyId));
    QCOMPARE(bodyId, firstId);
    QVERIFY(cannon.disconnectCamera());
    QVERIFY(sdkIsDown());
}

void TestSimulatedCamera::clockIsSetAndReadBack()
{
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraRef camera = firstCamera();
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);
    QCOMPARE(writeClock(camera, localTimeIn(24 * 3600)), EDS_ERR_OK);
    std::optional<qint64> ahead = clockAheadOf(camera);
    QVERIFY(ahead && qAbs(*ahead - 24 * 3600) <= 2);

    struct Field {
        EdsUInt32 EdsTime::*field;
        EdsUInt32 value;
    };
    const Field outOfRange[] = {
        { &EdsTime::month, 0 },   { &EdsTime::month, 13 },  { &EdsTime::day, 0 },
        { &EdsTime::day, 32 },    { &EdsTime::hour, 24 },   { &EdsTime::minute, 60 },
        { &EdsTime::second, 61 }, { &EdsTime::year, 1969 },
    };
    for (std::size_t i = 0; i < std::size(outOfRange); ++i) {
        EdsTime bad = localTimeIn(0);
        bad.*outOfRange[i].field = outOfRange[i].value;
        QVERIFY2(writeClock(camera, bad) == EDS_ERR_INVALID_PARAMETER,
                 QByteArray::number(int(i)).constData());
    }
    QCOMPARE(writeClock(camera, localTimeIn(0), sizeof(EdsTime) - 1), EDS_ERR_INVALID_PARAMETER);
    ahead = clockAheadOf(camera);
    QVERIFY(ahead && qAbs(*ahead - 24 * 3600) <= 2);

    // Set back to the computer's time, as the lister does.
    QCOMPARE(writeClock(camera, localTimeIn(0)), EDS_ERR_OK);
    ahead = clockAheadOf(camera);
    QVERIFY(ahead && qAbs(*ahead) <= 2);
}

void TestSimulatedCamera::refusesCallsWhileNotInitialised()
{
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_NOT_INITIALIZED);
    verifyAllRefused(nullptr, nullptr);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraListRef list = nullptr;
    QCOMPARE(EdsGetCameraList(&list), EDS_ERR_OK);
    EdsCameraRef camera = firstCamera();
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
    verifyAllRefused(list, camera);
    if (QTest::currentTestFailed())
        return;

    // A repeated initialisation does not need a terminate of its own.
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
    QVERIFY(sdkIsDown());
}

void TestSimulatedCamera::refusesStaleAndMisusedReferences()
{
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraListRef list = nullptr;
    QCOMPARE(EdsGetCameraList(&list), EDS_ERR_OK);
    EdsUInt32 count = 0;
    QCOMPARE(EdsGetChildCount(list, &count), EDS_ERR_OK);
    QCOMPARE(count, 1u);

    EdsBaseRef child = list; // must be cleared, not left pointing somewhere
    QVERIFY(EdsGetChildAtIndex(list, 1, &child) != EDS_ERR_OK);
    QVERIFY(!child);
    QVERIFY(EdsGetChildAtIndex(list, -1, &child) != EDS_ERR_OK);
    EdsCameraRef camera = nullptr;
    QCOMPARE(EdsGetChildAtIndex(list, 0, &camera), EDS_ERR_OK);

    QCOMPARE(EdsOpenSession(nullptr), EDS_ERR_INVALID_HANDLE);
    QCOMPARE(EdsGetChildCount(nullptr, &count), EDS_ERR_INVALID_HANDLE);
    QCOMPARE(EdsOpenSession(list), EDS_ERR_INVALID_HANDLE);
    QCOMPARE(EdsGetChildCount(camera, &count), EDS_ERR_INVALID_HANDLE);
    QCOMPARE(EdsGetCameraList(nullptr), EDS_ERR_INVALID_POINTER);
    QCOMPARE(EdsGetChildCount(list, nullptr), EDS_ERR_INVALID_POINTER);
    QCOMPARE(EdsGetChildAtIndex(list, 0, nullptr), EDS_ERR_INVALID_POINTER);
    QCOMPARE(EdsGetDeviceInfo(camera, nullptr), EDS_ERR_INVALID_POINTER);

    // The camera outlives its list by its own reference, and no longer.
    QCOMPARE(EdsRelease(list), EDS_ERR_OK);
    QCOMPARE(EdsGetChildCount(list, &count), EDS_ERR_INVALID_HANDLE);
    EdsDeviceInfo info {};
    QCOMPARE(EdsGetDeviceInfo(camera, &info), EDS_ERR_OK);
    QCOMPARE(EdsRelease(camera), EDS_ERR_OK);
    QCOMPARE(EdsGetDeviceInfo(camera, &info), EDS_ERR_INVALID_HANDLE);
    QCOMPARE(EdsRelease(camera), EDS_ERR_INVALID_HANDLE);

    // A camera released once too often while its list lives is gone for the
    // list too: looking it up and releasing the list are refused or safe.
    QCOMPARE(EdsGetCameraList(&list), EDS_ERR_OK);
    QCOMPARE(EdsGetChildAtIndex(list, 0, &camera), EDS_ERR_OK);
    QCOMPARE(EdsRelease(camera), EDS_ERR_OK);
    QCOMPARE(EdsRelease(camera), EDS_ERR_OK);
    child = nullptr;
    QVERIFY(EdsGetChildAtIndex(list, 0, &child) != EDS_ERR_OK);
    QVERIFY(!child);
    QCOMPARE(EdsRelease(list), EDS_ERR_OK);

    // References from before a terminate stay dead after the next start,
    // even where the new start hands out its references in the same order.
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    camera = firstCamera();
    QVERIFY(camera);
    QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraRef fresh = firstCamera();
    QVERIFY(fresh);
    QVERIFY(fresh != camera);
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_INVALID_HANDLE);
    QCOMPARE(EdsRelease(camera), EDS_ERR_INVALID_HANDLE);
    QCOMPARE(EdsOpenSession(fresh), EDS_ERR_OK);
}

void TestSimulatedCamera::guardsSessionsAndPropertyBuffers()
{
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraRef camera = firstCamera();
    QVERIFY(camera);

    char id[16];
    QCOMPARE(EdsGetPropertyData(camera, kEdsPropID_BodyIDEx, 0, sizeof id, id),
             EDS_ERR_SESSION_NOT_OPEN);
    QCOMPARE(writeValue(camera, kEdsPropID_SaveTo, kEdsSaveTo_Host), EDS_ERR_SESSION_NOT_OPEN);
    QCOMPARE(EdsSetCapacity(camera, { 1, 512, 1 }), EDS_ERR_SESSION_NOT_OPEN);
    QCOMPARE(EdsCloseSession(camera), EDS_ERR_SESSION_NOT_OPEN);
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);

    // The ID is read exactly into the size given; one byte short is refused
    // without a byte written.
    EdsDataType type = 0;
    EdsUInt32 size = 0;
    QCOMPARE(EdsGetPropertySize(camera, kEdsPropID_BodyIDEx, 0, &type, &size), EDS_ERR_OK);
    QCOMPARE(size, EdsUInt32(kFirstBodyId.size() + 1));
    std::memset(id, 0x7F, sizeof id);
    QVERIFY(EdsGetPropertyData(camera, kEdsPropID_BodyIDEx, 0, size - 1, id) != EDS_ERR_OK);
    QCOMPARE(id[0], '\x7F');
    QCOMPARE(EdsGetPropertyData(camera, kEdsPropID_BodyIDEx, 0, size, id), EDS_ERR_OK);
    QCOMPARE(QString::fromLatin1(id), kFirstBodyId);
    QCOMPARE(id[size], '\x7F');
    QCOMPARE(EdsSetPropertyData(camera, kEdsPropID_BodyIDEx, 0, size, id), EDS_ERR_NOT_SUPPORTED);

    // Only the body itself knows what it reports.
    const char room[256] = {};
    const EdsPropertyID readOnly[]
        = { kEdsPropID_OwnerName,      kEdsPropID_FirmwareVersion,   kEdsPropID_LensName,
            kEdsPropID_Artist,         kEdsPropID_Copyright,         kEdsPropID_BatteryLevel,
            kEdsPropID_AvailableShots, kSarvolinPropID_ShutterCount, kSarvolinPropID_BatteryWord };
    for (EdsPropertyID property : readOnly)
        QVERIFY2(EdsSetPropertyData(camera, property, 0, sizeof room, room)
                     == EDS_ERR_NOT_SUPPORTED,
                 QByteArray::number(property, 16).constData());
    QCOMPARE(numberOf(camera, kEdsPropID_BatteryLevel), 100);
    QCOMPARE(textOf(camera, kEdsPropID_OwnerName), QStringLiteral("Body 001"));
    QCOMPARE(EdsGetPropertySize(camera, kEdsPropID_DateTime, 0, &type, &size), EDS_ERR_OK);
    QCOMPARE(type, kEdsDataType_Time);
    QCOMPARE(size, EdsUInt32(sizeof(EdsTime)));

    unsigned char shortValue[3] = { 1, 2, 3 };
    QVERIFY(EdsGetPropertyData(camera, kEdsPropID_SaveTo, 0, 3, shortValue) != EDS_ERR_OK);
    QCOMPARE(shortValue[0], 1);
    QVERIFY(EdsSetPropertyData(camera, kEdsPropID_SaveTo, 0, 3, shortValue) != EDS_ERR_OK);
    QVERIFY(writeValue(camera, kEdsPropID_SaveTo, 0) != EDS_ERR_OK);
    QCOMPARE(writeValue(camera, kEdsPropID_SaveTo, kEdsSaveTo_Host), EDS_ERR_OK);
    QCOMPARE(valueOf(camera, kEdsPropID_SaveTo), kEdsSaveTo_Host);

    QCOMPARE(EdsGetPropertySize(camera, kUnknownProperty, 0, &type, &size), EDS_ERR_NOT_SUPPORTED);
    QCOMPARE(writeValue(camera, kUnknownProperty, 1), EDS_ERR_NOT_SUPPORTED);
    QCOMPARE(EdsGetPropertySize(camera, kEdsPropID_SaveTo, 0, nullptr, &size),
             EDS_ERR_INVALID_POINTER);

    // Changes reach a registered handler, and a reset with no handler stops them.
    QList<EdsPropertyID> changes;
    QCOMPARE(EdsSetPropertyEventHandler(camera, kEdsPropertyEvent_All, &recordChange, &changes),
             EDS_ERR_OK);
    QCOMPARE(writeValue(camera, kEdsPropID_AEModeSelect, kEdsAEMode_Manual), EDS_ERR_OK);
    QCOMPARE(changes, QList<EdsPropertyID> { kEdsPropID_AEModeSelect });
    QCOMPARE(EdsSetPropertyEventHandler(camera, kEdsPropertyEvent_All, nullptr, nullptr),
             EDS_ERR_OK);
    QCOMPARE(writeValue(camera, kEdsPropID_AEModeSelect, 1), EDS_ERR_OK);
    QCOMPARE(changes.size(), 1);

    QCOMPARE(EdsCloseSession(camera), EDS_ERR_OK);
    QCOMPARE(valueOf(camera, kEdsPropID_SaveTo), 0xDEADBEEF);

    // Dropping the last reference ends the session with it.
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);
    QCOMPARE(EdsRelease(camera), EDS_ERR_OK);
    camera = firstCamera();
    QCOMPARE(EdsOpenSession(camera), EDS_ERR_OK);
}

QTEST_GUILESS_MAIN(TestSimulatedCamera)

#include "tst_simulatedcamera.moc"
