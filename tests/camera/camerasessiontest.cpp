#include "camera/cameracannon.h"
#include "camerasteps.h"
#include "support/scriptedsdk.h"

#include <QtTest>

#include <climits>
#include <memory>

using ScriptedSdk::Fn;
using namespace CameraSteps;

Q_DECLARE_METATYPE(ScriptedSdk::Fn)

namespace {

constexpr EdsError kRefused = EDS_ERR_INTERNAL_ERROR;
constexpr Fn kNoScript = Fn::InitializeSDK;

void applyScript(Fn fn, const QList<uint> &results)
{
    if (!results.isEmpty())
        ScriptedSdk::script(fn, std::vector<EdsError>(results.begin(), results.end()));
}

const QStringList kPrepareSequence = {
    "GetPropertySize camera0 0x436",
    "GetPropertyData camera0 0x436 size 4",
    "SetPropertyData camera0 0x436 size 4 = 0x3",
    "GetPropertySize camera0 0xb",
    "SetPropertyData camera0 0xb size 4 = 0x2",
    "GetPropertyData camera0 0xb size 4",
    "GetPropertySize camera0 0xb",
    "SetPropertyData camera0 0xb size 4 = 0x2",
    "GetPropertyData camera0 0xb size 4",
    "SetCapacity camera0 {0x7fffffff, 4096, 1}",
    "GetPropertySize camera0 0x100",
    "SetPropertyData camera0 0x100 size 4 = 0x64ff0f",
    "GetPropertyData camera0 0x100 size 4",
    "SetObjectEventHandler camera0 0x200 handler context",
    "SetCameraStateEventHandler camera0 0x300 handler context",
    "SetPropertyEventHandler camera0 0x100 handler context",
    "GetPropertySize camera0 0x436",
    "GetPropertyData camera0 0x436 size 4",
};

const QStringList kNullResets = {
    "SetObjectEventHandler null 0x200 none -> 0x61",
    "SetObjectEventHandler null 0x200 none -> 0x61",
    "SetCameraStateEventHandler null 0x300 none -> 0x61",
};

const QStringList kCameraResets = {
    "SetObjectEventHandler camera0 0x200 none",
    "SetCameraStateEventHandler camera0 0x300 none",
};

// Reads the state back through the destructor's SDK calls, consuming the
// object; -1 when no state explains what was seen.
int probe(std::unique_ptr<CameraCannon> camera)
{
    const bool connected = camera->isConnected();
    ScriptedSdk::clearLog();
    camera.reset();
    const QStringList calls = ScriptedSdk::trace();
    if (connected)
        return calls == QStringList { "CloseSession camera0", "Release camera0", "TerminateSDK" }
            ? Connected
            : -1;
    if (calls == QStringList { "TerminateSDK" })
        return Open;
    if (calls.isEmpty())
        return ScriptedSdk::initialized() ? Ready : Fresh;
    return -1;
}

} // namespace

class CameraSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { ScriptedSdk::reset(); }
    void cleanup()
    {
        QVERIFY2(ScriptedSdk::violations().isEmpty(),
                 qPrintable(ScriptedSdk::violations().join('\n')));
    }

    void initSdk_data()
    {
        QTest::addColumn<uint>("terminateResult");
        QTest::addColumn<uint>("initResult");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("calls");

        QTest::newRow("terminates first")
            << 0u << 0u << true << QStringList { "TerminateSDK", "InitializeSDK" };
        QTest::newRow("termination result ignored")
            << uint(kRefused) << 0u << true
            << QStringList { "TerminateSDK -> 0x2", "InitializeSDK" };
        QTest::newRow("failure terminates")
            << 0u << uint(kRefused) << false
            << QStringList { "TerminateSDK", "InitializeSDK -> 0x2", "TerminateSDK" };
    }

    void initSdk()
    {
        QFETCH(uint, terminateResult);
        QFETCH(uint, initResult);
        QFETCH(bool, ok);
        QFETCH(QStringList, calls);
        ScriptedSdk::script(Fn::TerminateSDK, { terminateResult });
        ScriptedSdk::script(Fn::InitializeSDK, { initResult });

        CameraCannon camera;
        QCOMPARE(camera.initSdk(), ok);
        QCOMPARE(ScriptedSdk::trace(), calls);
        QCOMPARE(ScriptedSdk::initialized(), ok);
    }

    void initSdkOnConnectedObjectStartsOver()
    {
        CameraCannon camera;
        QVERIFY(reach(camera, Connected));
        ScriptedSdk::clearLog();

        QVERIFY(camera.initSdk());
        const QStringList restart = { "CloseSession camera0", "Release camera0", "TerminateSDK",
                                      "TerminateSDK", "InitializeSDK" };
        QCOMPARE(ScriptedSdk::trace(), kCameraResets + restart);
        QVERIFY(!camera.isConnected());
        QCOMPARE(ScriptedSdk::aliveReferences(), 0);

        // The object no longer believes a session is open.
        ScriptedSdk::clearLog();
        int count = 0;
        QVERIFY(camera.openFirstCamera(count));
        QVERIFY(ScriptedSdk::trace().contains("OpenSession camera0"));
    }

    void openFirstCamera_data()
    {
        QTest::addColumn<uint>("cameras");
        QTest::addColumn<Fn>("fn");
        QTest::addColumn<QList<uint>>("results");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("calls");

        const QStringList listed = { "GetCameraList", "GetChildCount list" };
        const QStringList taken = listed + QStringList { "GetChildAtIndex list 0", "Release list" };
        const QList<uint> none;
        const uint refused = kRefused;

        QTest::newRow("one camera") << 1u << kNoScript << none << true << 1
                                    << taken + QStringList { "OpenSession camera0" };
        QTest::newRow("first of two") << 2u << kNoScript << none << true << 2
                                      << taken + QStringList { "OpenSession camera0" };
        QTest::newRow("count beyond int") << 0x80000000u << kNoScript << none << true << INT_MAX
                                          << taken + QStringList { "OpenSession camera0" };
        QTest::newRow("no camera")
            << 0u << kNoScript << none << false << -1 << listed + QStringList { "TerminateSDK" };
        QTest::newRow("list refused")
            << 1u << Fn::GetCameraList << QList<uint> { refused } << false << -1
            << QStringList { "GetCameraList -> 0x2", "TerminateSDK" };
        QTest::newRow("count refused")
            << 1u << Fn::GetChildCount << QList<uint> { refused } << false << -1
            << QStringList { "GetCameraList", "GetChildCount list -> 0x2", "TerminateSDK" };
        QTest::newRow("child refused shows at the session")
            << 1u << Fn::GetChildAtIndex << QList<uint> { refused } << false << -1
            << listed
                + QStringList { "GetChildAtIndex list 0 -> 0x2", "Release list",
                                "OpenSession null -> 0x61", "OpenSession null -> 0x61",
                                "TerminateSDK" };
        QTest::newRow("list release refused is ignored")
            << 1u << Fn::Release << QList<uint> { refused } << true << 1
            << listed
                + QStringList { "GetChildAtIndex list 0", "Release list -> 0x2",
                                "OpenSession camera0" };
        QTest::newRow("session opens on the second try")
            << 1u << Fn::OpenSession << QList<uint> { refused, 0 } << true << 1
            << taken + QStringList { "OpenSession camera0 -> 0x2", "OpenSession camera0" };
        QTest::newRow("session refused twice")
            << 1u << Fn::OpenSession << QList<uint> { refused, refused } << false << -1
            << taken
                + QStringList { "OpenSession camera0 -> 0x2", "OpenSession camera0 -> 0x2",
                                "TerminateSDK" };
    }

    void openFirstCamera()
    {
        QFETCH(uint, cameras);
        QFETCH(Fn, fn);
        QFETCH(QList<uint>, results);
        QFETCH(bool, ok);
        QFETCH(int, count);
        QFETCH(QStringList, calls);

        CameraCannon camera;
        QVERIFY(camera.initSdk());
        ScriptedSdk::clearLog();
        ScriptedSdk::setCameraCount(cameras);
        applyScript(fn, results);

        int reported = 0;
        QCOMPARE(camera.openFirstCamera(reported), ok);
        QCOMPARE(reported, count);
        QCOMPARE(ScriptedSdk::trace(), calls);
        QCOMPARE(ScriptedSdk::initialized(), ok);
        if (!ok)
            QCOMPARE(ScriptedSdk::aliveReferences(), 0);

        // A failed open leaves no session to end: disconnecting terminates nothing.
        ScriptedSdk::clearLog();
        camera.disconnectCamera();
        QCOMPARE(ScriptedSdk::trace().contains("TerminateSDK"), ok);
    }

    void openFirstCameraOnOpenSessionOpensNoOther()
    {
        CameraCannon camera;
        QVERIFY(reach(camera, Open));
        ScriptedSdk::clearLog();
        int count = 0;
        QVERIFY(camera.openFirstCamera(count));
        QCOMPARE(count, 1);
        QVERIFY(ScriptedSdk::callsOf(Fn::OpenSession).empty());
    }

    void prepareCamera()
    {
        CameraCannon camera;
        QVERIFY(reach(camera, Open));
        ScriptedSdk::clearLog();

        QCOMPARE(camera.prepareCamera(0), 0);
        QVERIFY(camera.isConnected());
        QCOMPARE(ScriptedSdk::trace(), kPrepareSequence);

        const auto expected = QMap<Fn, std::uintptr_t> {
            { Fn::SetObjectEventHandler, ScriptedSdk::address(&CameraCannon::handleObjectEvent) },
            { Fn::SetCameraStateEventHandler,
              ScriptedSdk::address(&CameraCannon::handleStateEvent) },
            { Fn::SetPropertyEventHandler,
              ScriptedSdk::address(&CameraCannon::handlePropertyEvent) },
        };
        for (const ScriptedSdk::Call &call : ScriptedSdk::calls()) {
            if (!expected.contains(call.fn))
                continue;
            QCOMPARE(call.handler, expected.value(call.fn));
            QCOMPARE(call.context, static_cast<EdsVoid *>(&camera));
        }
    }

    // Fails one SDK call of prepareCamera: an examined result ends the
    // operation there, an ignored one lets it go on to whatever the values say.
    void prepareCameraFaults_data()
    {
        QTest::addColumn<Fn>("fn");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("next");

        auto row = [](const char *name, Fn fn, int occurrence, int result, const char *next) {
            QTest::newRow(name) << fn << occurrence << result << QString(next);
        };
        row("mode size ignored, size stays 0", Fn::GetPropertySize, 1, -1,
            "GetPropertyData camera0 0x436 size 0");
        row("mode read ignored", Fn::GetPropertyData, 1, 0,
            "SetPropertyData camera0 0x436 size 4 = 0x3");
        row("mode write caught by the check", Fn::SetPropertyData, 1, -1,
            "GetPropertySize camera0 0xb");
        row("SaveTo size ignored", Fn::GetPropertySize, 2, 0,
            "SetPropertyData camera0 0xb size 4 = 0x2");
        row("SaveTo write ignored, value decides", Fn::SetPropertyData, 2, -1,
            "GetPropertyData camera0 0xb size 4");
        row("SaveTo read-back refused", Fn::GetPropertyData, 2, -1, "");
        row("second SaveTo size ignored", Fn::GetPropertySize, 3, 0,
            "SetPropertyData camera0 0xb size 4 = 0x2");
        row("second SaveTo write ignored", Fn::SetPropertyData, 3, 0,
            "GetPropertyData camera0 0xb size 4");
        row("second SaveTo read-back refused", Fn::GetPropertyData, 3, -1, "");
        row("capacity ignored", Fn::SetCapacity, 1, 0, "GetPropertySize camera0 0x100");
        row("quality size ignored", Fn::GetPropertySize, 4, 0,
            "SetPropertyData camera0 0x100 size 4 = 0x64ff0f");
        row("quality write examined", Fn::SetPropertyData, 4, -1, "");
        row("quality read-back leaves zeros", Fn::GetPropertyData, 4, -1, "");
        row("object handler examined", Fn::SetObjectEventHandler, 1, -1, "");
        row("state handler examined", Fn::SetCameraStateEventHandler, 1, -1, "");
        row("property handler examined", Fn::SetPropertyEventHandler, 1, -1, "");
        row("mode size examined", Fn::GetPropertySize, 5, -1, "");
        row("mode read examined", Fn::GetPropertyData, 5, -1, "");
    }

    void prepareCameraFaults()
    {
        QFETCH(Fn, fn);
        QFETCH(int, occurrence);
        QFETCH(int, result);
        QFETCH(QString, next);

        CameraCannon camera;
        QVERIFY(reach(camera, Open));
        ScriptedSdk::clearLog();
        std::vector<EdsError> results(size_t(occurrence), EDS_ERR_OK);
        results.back() = kRefused;
        ScriptedSdk::script(fn, results);

        QCOMPARE(camera.prepareCamera(0), result);
        QCOMPARE(camera.isConnected(), result == 0);

        const QStringList calls = ScriptedSdk::trace();
        int failed = -1;
        for (int i = 0, seen = 0; i < calls.size() && failed < 0; ++i) {
            if (ScriptedSdk::calls()[size_t(i)].fn == fn && ++seen == occurrence)
                failed = i;
        }
        QVERIFY(failed >= 0);
        QVERIFY(calls[failed].endsWith(" -> 0x2"));
        QCOMPARE(calls.value(failed + 1), next);
    }

    // What the camera reports decides; 32-bit values are never accessed
    // beyond their 4 bytes, and no absurd quality buffer is allocated.
    void prepareCameraChecks_data()
    {
        QTest::addColumn<EdsPropertyID>("id");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<bool>("sticks");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("present");
        QTest::addColumn<QString>("last");

        const EdsPropertyID mode = kEdsPropID_AEModeSelect;
        const EdsPropertyID saveTo = kEdsPropID_SaveTo;
        const EdsPropertyID quality = kEdsPropID_ImageQuality;
        const QString modeCheck = "GetPropertyData camera0 0x436 size 4";

        QTest::newRow("already manual: not written")
            << mode << -1LL << 3LL << false << 0 << QString() << modeCheck;
        QTest::newRow("mode cannot be made manual")
            << mode << -1LL << -1LL << false << -1
            << "SetPropertyEventHandler camera0 0x100 handler context" << modeCheck;
        QTest::newRow("mode wider than 32 bits")
            << mode << 8LL << -1LL << true << -1 << QString() << "GetPropertySize camera0 0x436";
        QTest::newRow("SaveTo of 2 bytes fails after the first write")
            << saveTo << 2LL << -1LL << true << -1 << "SetPropertyData camera0 0xb size 2 = 0x2"
            << "GetPropertyData camera0 0xb size 2";
        QTest::newRow("SaveTo wider than 32 bits")
            << saveTo << 8LL << -1LL << true << -1 << QString() << "GetPropertySize camera0 0xb";
        QTest::newRow("SaveTo does not stick") << saveTo << -1LL << -1LL << false << -1 << QString()
                                               << "GetPropertyData camera0 0xb size 4";
        QTest::newRow("quality does not stick")
            << quality << -1LL << -1LL << false << -1 << "SetCapacity camera0 {0x7fffffff, 4096, 1}"
            << "GetPropertyData camera0 0x100 size 4";
        QTest::newRow("quality third byte from the camera")
            << quality << -1LL << 0x00640000LL << false << 0 << QString() << modeCheck;
        QTest::newRow("quality of 2 bytes") << quality << 2LL << -1LL << true << -1 << QString()
                                            << "GetPropertyData camera0 0x100 size 2";
        QTest::newRow("quality of 3 bytes")
            << quality << 3LL << -1LL << true << 0
            << "SetPropertyData camera0 0x100 size 3 = 0x64ff0f" << modeCheck;
        QTest::newRow("quality of 8 bytes, zero-padded")
            << quality << 8LL << -1LL << true << 0
            << "SetPropertyData camera0 0x100 size 8 = 0fff640000000000" << modeCheck;
        QTest::newRow("quality of 64 KiB")
            << quality << 65536LL << -1LL << true << 0 << QString() << modeCheck;
        QTest::newRow("quality above 64 KiB") << quality << 65537LL << -1LL << true << -1
                                              << QString() << "GetPropertySize camera0 0x100";
        QTest::newRow("quality of 4 GiB") << quality << 0xFFFFFFFFLL << -1LL << true << -1
                                          << QString() << "GetPropertySize camera0 0x100";
    }

    void prepareCameraChecks()
    {
        QFETCH(EdsPropertyID, id);
        QFETCH(qint64, size);
        QFETCH(qint64, value);
        QFETCH(bool, sticks);
        QFETCH(int, result);
        QFETCH(QString, present);
        QFETCH(QString, last);

        CameraCannon camera;
        QVERIFY(reach(camera, Open));
        ScriptedSdk::clearLog();
        if (size >= 0)
            ScriptedSdk::setPropertySize(id, EdsUInt32(size));
        if (value >= 0)
            ScriptedSdk::setPropertyValue(id, EdsUInt32(value));
        ScriptedSdk::setWritesStick(id, sticks);

        QCOMPARE(camera.prepareCamera(0), result);
        QCOMPARE(camera.isConnected(), result == 0);
        const QStringList calls = ScriptedSdk::trace();
        if (!present.isEmpty())
            QVERIFY2(calls.contains(present), qPrintable(calls.join('\n')));
        QCOMPARE(calls.last(), last);
        if (id == kEdsPropID_AEModeSelect && value == kEdsAEMode_Manual)
            QVERIFY(!calls.contains("SetPropertyData camera0 0x436 size 4 = 0x3"));
    }

    // disconnectCamera and the destructor from each state, with refusals.
    void teardown_data()
    {
        QTest::addColumn<bool>("destroy");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("disconnectsFirst");
        QTest::addColumn<Fn>("fn");
        QTest::addColumn<QList<uint>>("results");
        QTest::addColumn<QStringList>("calls");

        const uint refused = kRefused;
        const QList<uint> none;
        const QStringList released = { "CloseSession camera0", "Release camera0" };
        const QStringList fromConnected = kCameraResets + released + QStringList { "TerminateSDK" };

        QTest::newRow("disconnect fresh")
            << false << int(Fresh) << 0 << kNoScript << none << kNullResets;
        QTest::newRow("disconnect ready")
            << false << int(Ready) << 0 << kNoScript << none << kNullResets;
        QTest::newRow("disconnect open") << false << int(Open) << 0 << kNoScript << none
                                         << kCameraResets + QStringList { "TerminateSDK" };
        QTest::newRow("disconnect connected")
            << false << int(Connected) << 0 << kNoScript << none << fromConnected;
        QTest::newRow("disconnect again after open")
            << false << int(Open) << 1 << kNoScript << none << kNullResets;
        QTest::newRow("disconnect again after connected")
            << false << int(Connected) << 1 << kNoScript << none << kNullResets;
        QTest::newRow("object reset repeated once")
            << false << int(Connected) << 0 << Fn::SetObjectEventHandler
            << QList<uint> { refused, refused }
            << QStringList { "SetObjectEventHandler camera0 0x200 none -> 0x2",
                             "SetObjectEventHandler camera0 0x200 none -> 0x2",
                             "SetCameraStateEventHandler camera0 0x300 none" }
                + released + QStringList { "TerminateSDK" };
        QTest::newRow("state reset not repeated")
            << false << int(Connected) << 0 << Fn::SetCameraStateEventHandler
            << QList<uint> { refused }
            << QStringList { "SetObjectEventHandler camera0 0x200 none",
                             "SetCameraStateEventHandler camera0 0x300 none -> 0x2" }
                + released + QStringList { "TerminateSDK" };
        QTest::newRow("close refused, camera still released")
            << false << int(Connected) << 0 << Fn::CloseSession << QList<uint> { refused }
            << kCameraResets
                + QStringList { "CloseSession camera0 -> 0x2", "Release camera0", "TerminateSDK" };
        QTest::newRow("termination repeated once")
            << false << int(Connected) << 0 << Fn::TerminateSDK << QList<uint> { refused, refused }
            << kCameraResets + released
                + QStringList { "TerminateSDK -> 0x2", "TerminateSDK -> 0x2" };

        QTest::newRow("destroy fresh")
            << true << int(Fresh) << 0 << kNoScript << none << QStringList();
        QTest::newRow("destroy ready")
            << true << int(Ready) << 0 << kNoScript << none << QStringList();
        QTest::newRow("destroy open")
            << true << int(Open) << 0 << kNoScript << none << QStringList { "TerminateSDK" };
        QTest::newRow("destroy connected") << true << int(Connected) << 0 << kNoScript << none
                                           << released + QStringList { "TerminateSDK" };
        QTest::newRow("destroy after disconnect")
            << true << int(Connected) << 1 << kNoScript << none << QStringList();
        QTest::newRow("destroy, close refused")
            << true << int(Connected) << 0 << Fn::CloseSession << QList<uint> { refused }
            << QStringList { "CloseSession camera0 -> 0x2", "Release camera0", "TerminateSDK" };
        QTest::newRow("destroy, termination repeated once")
            << true << int(Connected) << 0 << Fn::TerminateSDK << QList<uint> { refused, refused }
            << released + QStringList { "TerminateSDK -> 0x2", "TerminateSDK -> 0x2" };
    }

    void teardown()
    {
        QFETCH(bool, destroy);
        QFETCH(int, state);
        QFETCH(int, disconnectsFirst);
        QFETCH(Fn, fn);
        QFETCH(QList<uint>, results);
        QFETCH(QStringList, calls);

        auto camera = std::make_unique<CameraCannon>();
        QVERIFY(reach(*camera, State(state)));
        for (int i = 0; i < disconnectsFirst; ++i)
            camera->disconnectCamera();
        ScriptedSdk::clearLog();
        applyScript(fn, results);

        if (destroy) {
            camera.reset();
        } else {
            QVERIFY(camera->disconnectCamera());
            QVERIFY(!camera->isConnected());
        }
        QCOMPARE(ScriptedSdk::trace(), calls);
        const bool terminationRefused = results.size() == 2 && fn == Fn::TerminateSDK;
        const bool keepsSdk = (state == Ready && !disconnectsFirst) || terminationRefused;
        QCOMPARE(ScriptedSdk::initialized(), keepsSdk);
        QCOMPARE(ScriptedSdk::aliveReferences(), 0);
    }

    void stateTable_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<int>("to");

        auto row = [](State from, const char *operation, bool fails, State to) {
            const char *names[] = { "Idle", "Ready", "Open", "Connected" };
            QTest::addRow("%s %s%s -> %s", names[from], operation, fails ? " fails" : "", names[to])
                << int(from) << QString(operation) << fails << int(to);
        };
        row(Fresh, "initSdk", false, Ready);
        row(Fresh, "initSdk", true, Fresh);
        row(Ready, "initSdk", false, Ready);
        row(Open, "initSdk", false, Ready);
        row(Connected, "initSdk", false, Ready);
        row(Connected, "initSdk", true, Fresh);
        row(Fresh, "openFirstCamera", false, Fresh);
        row(Ready, "openFirstCamera", false, Open);
        row(Ready, "openFirstCamera", true, Fresh);
        row(Open, "prepareCamera", false, Connected);
        row(Open, "prepareCamera", true, Open);
        row(Connected, "prepareCamera", true, Connected);
        row(Fresh, "disconnectCamera", false, Fresh);
        row(Ready, "disconnectCamera", false, Ready);
        row(Open, "disconnectCamera", false, Fresh);
        row(Connected, "disconnectCamera", false, Fresh);
    }

    void stateTable()
    {
        QFETCH(int, from);
        QFETCH(QString, operation);
        QFETCH(bool, fails);
        QFETCH(int, to);

        auto camera = std::make_unique<CameraCannon>();
        QVERIFY(reach(*camera, State(from)));
        if (fails) {
            ScriptedSdk::script(Fn::InitializeSDK, { kRefused });
            ScriptedSdk::setCameraCount(0);
            ScriptedSdk::script(Fn::SetPropertyEventHandler, { kRefused });
        }
        int count = 0;
        if (operation == "initSdk")
            camera->initSdk();
        else if (operation == "openFirstCamera")
            camera->openFirstCamera(count);
        else if (operation == "prepareCamera")
            camera->prepareCamera(0);
        else
            camera->disconnectCamera();
        QCOMPARE(probe(std::move(camera)), to);
    }

    void metaObject()
    {
        CameraCannon camera;
        const QMetaObject *meta = camera.metaObject();
        const QMetaObject &base = QObject::staticMetaObject;
        QCOMPARE(meta->className(), "CameraCannon");
        QCOMPARE(meta->superClass(), &base);
        QCOMPARE(meta->methodCount(), base.methodCount());
        QCOMPARE(meta->propertyCount(), base.propertyCount());
        QCOMPARE(meta->enumeratorCount(), base.enumeratorCount());
        QCOMPARE(meta->classInfoCount(), 0);
        QCOMPARE(camera.qt_metacast("CameraCannon"), static_cast<void *>(&camera));
        QVERIFY(!camera.parent());
        QVERIFY(ScriptedSdk::calls().empty());
    }

    // Events may arrive with anything as context; the handlers touch nothing.
    void handlersDoNothing()
    {
        auto *bogus = reinterpret_cast<EdsVoid *>(std::uintptr_t(0x10));
        QCOMPARE(
            CameraCannon::handlePropertyEvent(kEdsPropertyEvent_All, kEdsPropID_SaveTo, 1, bogus),
            EDS_ERR_OK);
        QCOMPARE(CameraCannon::handleObjectEvent(kEdsObjectEvent_All,
                                                 reinterpret_cast<EdsBaseRef>(bogus), nullptr),
                 EDS_ERR_OK);
        QCOMPARE(CameraCannon::handleStateEvent(kEdsStateEvent_All, 0xFFFFFFFF, bogus), EDS_ERR_OK);
        QVERIFY(ScriptedSdk::calls().empty());
    }
};

QTEST_GUILESS_MAIN(CameraSessionTest)
#include "camerasessiontest.moc"
