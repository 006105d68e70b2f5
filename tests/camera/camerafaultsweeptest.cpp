#include "camera/cameracannon.h"
#include "support/scriptedsdk.h"

#include <QtTest>

#include <memory>

namespace {

const QString kBodyId = QStringLiteral("083021001234");

// One press of the window's connect button that asks for a connection: the
// first failure ends it.
bool pressConnect(CameraCannon &camera)
{
    int count = 0;
    if (!camera.initSdk() || !camera.openFirstCamera(count) || count == 0
        || camera.prepareCamera(0) != 0)
        return false;
    QString bodyId;
    return camera.readBodyId(bodyId) && bodyId == kBodyId;
}

// Connect, disconnect, connect, disconnect, close the window; or connect and
// close the window while connected. Returns which connect presses read the ID.
QList<bool> runWindow(bool closeConnected)
{
    QList<bool> read;
    auto camera = std::make_unique<CameraCannon>();
    for (int round = 0; round < (closeConnected ? 1 : 2); ++round) {
        read << pressConnect(*camera);
        if (!closeConnected)
            camera->disconnectCamera();
    }
    return read;
}

// Number of SDK calls of the first connect and disconnect presses.
int firstRoundLength()
{
    ScriptedSdk::reset();
    auto camera = std::make_unique<CameraCannon>();
    pressConnect(*camera);
    camera->disconnectCamera();
    return int(ScriptedSdk::calls().size());
}

} // namespace

class CameraFaultSweepTest : public QObject
{
    Q_OBJECT

private slots:
    // The sweep's checks are only worth something if misuse is seen.
    void bookkeepingSeesMisuse()
    {
        ScriptedSdk::reset();
        EdsCameraListRef list = nullptr;
        EdsCameraRef first = nullptr;
        QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
        QCOMPARE(EdsGetCameraList(&list), EDS_ERR_OK);
        QCOMPARE(EdsGetChildAtIndex(list, 0, &first), EDS_ERR_OK);
        QCOMPARE(ScriptedSdk::aliveReferences(), 2);

        ScriptedSdk::script(ScriptedSdk::Fn::GetChildAtIndex, { EDS_ERR_DEVICE_BUSY });
        EdsCameraRef untouched = nullptr;
        QCOMPARE(EdsGetChildAtIndex(list, 0, &untouched), EDS_ERR_DEVICE_BUSY);
        QVERIFY(!untouched);

        QCOMPARE(EdsRelease(list), EDS_ERR_OK);
        QCOMPARE(EdsRelease(list), EDS_ERR_INVALID_HANDLE);
        QCOMPARE(EdsGetChildCount(list, nullptr), EDS_ERR_INVALID_HANDLE);
        QCOMPARE(EdsTerminateSDK(), EDS_ERR_OK);
        QCOMPARE(ScriptedSdk::aliveReferences(), 0);
        QCOMPARE(EdsOpenSession(first), EDS_ERR_INVALID_HANDLE);
        QCOMPARE(EdsCloseSession(nullptr), EDS_ERR_INVALID_HANDLE);

        const QStringList seen = ScriptedSdk::violations();
        QCOMPARE(seen.size(), 3);
        QVERIFY(seen[0].endsWith("double release"));
        QVERIFY(seen[1].endsWith("released reference"));
        QVERIFY(seen[2].endsWith("invalidated by termination"));
    }

    void cleanRun()
    {
        for (bool closeConnected : { false, true }) {
            ScriptedSdk::reset();
            const QList<bool> bothRead
                = closeConnected ? QList<bool> { true } : QList<bool> { true, true };
            QCOMPARE(runWindow(closeConnected), bothRead);
            QVERIFY(ScriptedSdk::violations().isEmpty());
            QCOMPARE(ScriptedSdk::aliveReferences(), 0);
            QVERIFY(!ScriptedSdk::initialized());
        }
    }

    // Fails each SDK call of a clean run in turn, one per run.
    void singleFault_data()
    {
        QTest::addColumn<bool>("closeConnected");
        QTest::addColumn<int>("position");

        for (bool closeConnected : { false, true }) {
            ScriptedSdk::reset();
            runWindow(closeConnected);
            const auto clean = ScriptedSdk::calls();
            for (size_t i = 0; i < clean.size(); ++i) {
                QTest::addRow("%s call %d %s", closeConnected ? "closed connected" : "two rounds",
                              int(i + 1), qPrintable(clean[i].text()))
                    << closeConnected << int(i + 1);
            }
        }
    }

    void singleFault()
    {
        QFETCH(bool, closeConnected);
        QFETCH(int, position);
        const int roundLength = firstRoundLength();

        ScriptedSdk::reset();
        ScriptedSdk::failCall(position);
        const QList<bool> read = runWindow(closeConnected);

        QVERIFY(int(ScriptedSdk::calls().size()) >= position);
        QVERIFY(ScriptedSdk::calls()[size_t(position - 1)].result != EDS_ERR_OK);
        QVERIFY2(ScriptedSdk::violations().isEmpty(),
                 qPrintable(ScriptedSdk::violations().join('\n')));
        QCOMPARE(ScriptedSdk::aliveReferences(), 0);
        QVERIFY(!ScriptedSdk::initialized());
        // The round the fault did not hit connects and reads as usual.
        if (!closeConnected)
            QVERIFY(position <= roundLength ? read[1] : read[0]);
    }
};

QTEST_GUILESS_MAIN(CameraFaultSweepTest)
#include "camerafaultsweeptest.moc"
