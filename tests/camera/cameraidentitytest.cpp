#include "camera/cameracannon.h"
#include "camerasteps.h"
#include "support/scriptedsdk.h"

#include <QtTest>

using ScriptedSdk::Fn;
using namespace CameraSteps;

Q_DECLARE_METATYPE(ScriptedSdk::Fn)

namespace {

constexpr EdsError kRefused = EDS_ERR_INTERNAL_ERROR;
constexpr Fn kNoRefusal = Fn::InitializeSDK; // never called by the operations below
const QString kUnchanged = QStringLiteral("previous");

} // namespace

class CameraIdentityTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { ScriptedSdk::reset(); }
    void cleanup()
    {
        QVERIFY2(ScriptedSdk::violations().isEmpty(),
                 qPrintable(ScriptedSdk::violations().join('\n')));
    }

    void readBodyId_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("id");

        auto row = [](const char *name, const QByteArray &bytes, bool ok, const QString &id) {
            QTest::newRow(name) << bytes << false << ok << id;
        };
        row("plain", "083021001234", true, "083021001234");
        row("leading zeros kept", "000000004711", true, "000000004711");
        row("more digits than 32 bits", "98765432109876543210", true, "98765432109876543210");
        row("not numeric, untrimmed", " 12ab ", true, " 12ab ");
        row("ends at the first zero byte",
            QByteArray("1234\0"
                       "5678",
                       9),
            true, "1234");
        row("UTF-8", "ID\xc3\xa9", true, QString::fromUtf8("ID\xc3\xa9"));
        row("empty", "", true, "");
        row("255 characters", QByteArray(255, '7'), true, QString(255, '7'));
        row("256 bytes without a zero", QByteArray(256, '8'), true, QString(256, '8'));
        row("-1", "-1", true, "4294967295");
        row("-123", "-123", true, "4294967173");
        row("-2147483648", "-2147483648", true, "2147483648");
        row("-007", "-007", true, "4294967289");
        row("-0", "-0", true, "0");
        // Not a signed 32-bit number: no ID at all rather than an invented 0.
        row("lone minus", "-", false, kUnchanged);
        row("-12a", "-12a", false, kUnchanged);
        row("-2147483649", "-2147483649", false, kUnchanged);
        row("minus and 255 digits", "-" + QByteArray(255, '1'), false, kUnchanged);
        QTest::newRow("read refused") << QByteArray("083021001234") << true << false << kUnchanged;
    }

    void readBodyId()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, refused);
        QFETCH(bool, ok);
        QFETCH(QString, id);

        CameraCannon camera;
        QVERIFY(reach(camera, Connected));
        ScriptedSdk::clearLog();
        ScriptedSdk::setBodyId(bytes);
        if (refused)
            ScriptedSdk::script(Fn::GetPropertyData, { kRefused });

        QString bodyId = kUnchanged;
        QCOMPARE(camera.readBodyId(bodyId), ok);
        QCOMPARE(bodyId, id);
        // Fixed size, never queried first.
        QCOMPARE(ScriptedSdk::trace(),
                 QStringList { QStringLiteral("GetPropertyData camera0 0x15 size 256")
                               + (refused ? " -> 0x2" : "") });
    }

    void readDeviceDescription_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("then");
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("calls");

        const QString nothing;
        const QString disconnect = "disconnect";
        const QByteArray scripted = "Scripted camera";
        const QStringList held = { "GetDeviceInfo camera0" };
        const QStringList noList = { "GetChildAtIndex null 3 -> 0x61" };

        QTest::newRow("camera held, index ignored")
            << int(Open) << nothing << scripted << false << true << "Scripted camera" << held;
        QTest::newRow("full field without a zero byte")
            << int(Open) << nothing << QByteArray(256, 'A') << false << true << QString(256, 'A')
            << held;
        QTest::newRow("info refused")
            << int(Open) << nothing << scripted << true << false << kUnchanged
            << QStringList { "GetDeviceInfo camera0 -> 0x2" };
        QTest::newRow("no camera yet")
            << int(Ready) << nothing << scripted << false << false << kUnchanged << noList;
        QTest::newRow("after disconnect from open")
            << int(Open) << disconnect << scripted << false << false << kUnchanged << noList;
        QTest::newRow("after disconnect from connected")
            << int(Connected) << disconnect << scripted << false << false << kUnchanged << noList;
        QTest::newRow("after a failed open") << int(Ready) << QString("open fails") << scripted
                                             << false << false << kUnchanged << noList;
    }

    void readDeviceDescription()
    {
        QFETCH(int, state);
        QFETCH(QString, then);
        QFETCH(QByteArray, description);
        QFETCH(bool, refused);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        QFETCH(QStringList, calls);

        CameraCannon camera;
        QVERIFY(reach(camera, State(state)));
        int count = 0;
        if (then == "disconnect") {
            camera.disconnectCamera();
        } else if (then == "open fails") {
            // Leaves the list it obtained behind, in an SDK that is then terminated.
            ScriptedSdk::script(Fn::GetChildCount, { kRefused });
            QVERIFY(!camera.openFirstCamera(count));
        }
        ScriptedSdk::clearLog();
        // The field is followed by deviceSubType: a read past it would pick up "B".
        ScriptedSdk::setDeviceInfo(description, 0x42);
        if (refused)
            ScriptedSdk::script(Fn::GetDeviceInfo, { kRefused });

        QString result = kUnchanged;
        QCOMPARE(camera.readDeviceDescription(3, result), ok);
        QCOMPARE(result, text);
        QCOMPARE(ScriptedSdk::trace(), calls);
    }

    void setEvfAfMode_data()
    {
        QTest::addColumn<bool>("enable");
        QTest::addColumn<uint>("afModeSize");
        QTest::addColumn<Fn>("refusedFn");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("calls");

        const QString query = "GetPropertySize camera0 0x50e";
        QTest::newRow("enable writes live AF")
            << true << 4u << kNoRefusal << true
            << QStringList { query, "SetPropertyData camera0 0x50e size 4 = 0x1" };
        QTest::newRow("disable writes mode 2 with the AF mode's size")
            << false << 2u << kNoRefusal << true
            << QStringList { query, "SetPropertyData camera0 0x501 size 2 = 0x2" };
        QTest::newRow("size query ignored")
            << true << 4u << Fn::GetPropertySize << true
            << QStringList { query + " -> 0x2", "SetPropertyData camera0 0x50e size 0 = 0x0" };
        QTest::newRow("write refused")
            << true << 4u << Fn::SetPropertyData << false
            << QStringList { query, "SetPropertyData camera0 0x50e size 4 = 0x1 -> 0x2" };
        QTest::newRow("wider than 32 bits")
            << false << 8u << kNoRefusal << false << QStringList { query };
    }

    void setEvfAfMode()
    {
        QFETCH(bool, enable);
        QFETCH(uint, afModeSize);
        QFETCH(Fn, refusedFn);
        QFETCH(bool, ok);
        QFETCH(QStringList, calls);

        CameraCannon camera;
        QVERIFY(reach(camera, Open));
        ScriptedSdk::clearLog();
        ScriptedSdk::setPropertySize(kEdsPropID_Evf_AFMode, afModeSize);
        ScriptedSdk::script(refusedFn, { kRefused });

        QCOMPARE(camera.setEvfAfMode(enable), ok);
        QCOMPARE(ScriptedSdk::trace(), calls);
    }

    void writeProperty_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<EdsPropertyID>("id");
        QTest::addColumn<uint>("size");
        QTest::addColumn<Fn>("refusedFn");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("calls");

        const Fn none = kNoRefusal;
        const EdsPropertyID mode = kEdsPropID_Evf_Mode;
        const EdsPropertyID output = kEdsPropID_Evf_OutputDevice;
        QTest::newRow("fresh: no SDK call")
            << int(Fresh) << mode << 4u << none << false << QStringList();
        QTest::newRow("ready: no SDK call")
            << int(Ready) << mode << 4u << none << false << QStringList();
        QTest::newRow("reported size")
            << int(Open) << mode << 2u << none << true
            << QStringList { "GetPropertySize camera0 0x501",
                             "SetPropertyData camera0 0x501 size 2 = 0x7" };
        QTest::newRow("size refused") << int(Open) << mode << 4u << Fn::GetPropertySize << false
                                      << QStringList { "GetPropertySize camera0 0x501 -> 0x2" };
        QTest::newRow("write refused")
            << int(Open) << mode << 4u << Fn::SetPropertyData << false
            << QStringList { "GetPropertySize camera0 0x501",
                             "SetPropertyData camera0 0x501 size 4 = 0x7 -> 0x2" };
        QTest::newRow("wider than 32 bits") << int(Open) << mode << 8u << none << false
                                            << QStringList { "GetPropertySize camera0 0x501" };
        QTest::newRow("output device read first")
            << int(Open) << output << 4u << none << true
            << QStringList { "GetPropertySize camera0 0x500",
                             "GetPropertyData camera0 0x500 size 4",
                             "SetPropertyData camera0 0x500 size 4 = 0x7" };
        QTest::newRow("output device read refused")
            << int(Open) << output << 4u << Fn::GetPropertyData << false
            << QStringList { "GetPropertySize camera0 0x500",
                             "GetPropertyData camera0 0x500 size 4 -> 0x2" };
    }

    void writeProperty()
    {
        QFETCH(int, state);
        QFETCH(EdsPropertyID, id);
        QFETCH(uint, size);
        QFETCH(Fn, refusedFn);
        QFETCH(bool, ok);
        QFETCH(QStringList, calls);

        CameraCannon camera;
        QVERIFY(reach(camera, State(state)));
        ScriptedSdk::clearLog();
        ScriptedSdk::setPropertySize(id, size);
        ScriptedSdk::script(refusedFn, { kRefused });

        QCOMPARE(camera.writeProperty(id, 7), ok);
        QCOMPARE(ScriptedSdk::trace(), calls);
    }
};

QTEST_GUILESS_MAIN(CameraIdentityTest)
#include "cameraidentitytest.moc"
