#include "sdk/gphoto2/gphoto2mapping.h"

#include <gphoto2/gphoto2-result.h>

#include <QtTest>

#include <ctime>
#include <string>
#include <vector>

using namespace Gphoto2Mapping;

Q_DECLARE_METATYPE(std::string)

namespace {

std::vector<std::string> split(const QString &choices)
{
    std::vector<std::string> list;
    for (const QString &choice : choices.split(QLatin1Char('|'), Qt::SkipEmptyParts))
        list.push_back(choice.toStdString());
    return list;
}

} // namespace

class TestGphoto2Mapping : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exposureModes_data();
    void exposureModes();
    void imageQualities_data();
    void imageQualities();
    void choiceForValue_data();
    void choiceForValue();
    void errors_data();
    void errors();
    void textCopies_data();
    void textCopies();
    void batteryLevels_data();
    void batteryLevels();
    void counts_data();
    void counts();
    void clocks_data();
    void clocks();
};

// A zone with summer time, where a clock read or set in summer shows whether
// the computer was left to decide it.
void TestGphoto2Mapping::initTestCase()
{
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
}

void TestGphoto2Mapping::exposureModes_data()
{
    QTest::addColumn<std::string>("choice");
    QTest::addColumn<quint32>("value");

    QTest::newRow("Manual") << std::string("Manual") << quint32(kEdsAEMode_Manual);
    QTest::newRow("manual, other case") << std::string("MANUAL") << quint32(kEdsAEMode_Manual);
    QTest::newRow("P") << std::string("P") << quint32(0);
    QTest::newRow("TV") << std::string("TV") << quint32(1);
    QTest::newRow("AV") << std::string("AV") << quint32(2);
    QTest::newRow("Bulb") << std::string("Bulb") << quint32(4);
    QTest::newRow("Green") << std::string("Green") << quint32(9);
    QTest::newRow("unknown value") << std::string("Unknown value 0037") << quint32(kUnknownValue);
    QTest::newRow("Manual with a space") << std::string("Manual ") << quint32(kUnknownValue);
    QTest::newRow("empty") << std::string() << quint32(kUnknownValue);
}

void TestGphoto2Mapping::exposureModes()
{
    QFETCH(std::string, choice);
    QFETCH(quint32, value);
    QCOMPARE(exposureModeFromChoice(choice), value);
}

void TestGphoto2Mapping::imageQualities_data()
{
    QTest::addColumn<std::string>("choice");
    QTest::addColumn<quint32>("value");

    QTest::newRow("RAW") << std::string("RAW") << quint32(EdsImageQuality_LR);
    QTest::newRow("Large Fine JPEG") << std::string("Large Fine JPEG") << quint32(0x0013FF0F);
    QTest::newRow("Small Normal JPEG") << std::string("Small Normal JPEG") << quint32(0x0212FF0F);
    QTest::newRow("raw, other case") << std::string("raw") << quint32(kUnknownValue);
    QTest::newRow("mRAW") << std::string("mRAW") << quint32(kUnknownValue);
    QTest::newRow("sRAW") << std::string("sRAW") << quint32(kUnknownValue);
    QTest::newRow("cRAW") << std::string("cRAW") << quint32(kUnknownValue);
    QTest::newRow("RAW + JPEG") << std::string("RAW + Large Fine JPEG") << quint32(kUnknownValue);
}

// The camera logic takes a third byte of 0x64 as RAW: only "RAW" may have it.
void TestGphoto2Mapping::imageQualities()
{
    QFETCH(std::string, choice);
    QFETCH(quint32, value);
    const EdsUInt32 read = imageQualityFromChoice(choice);
    QCOMPARE(read, value);
    QCOMPARE(((read >> 16) & 0xFF) == 0x64, choice == "RAW");
}

void TestGphoto2Mapping::choiceForValue_data()
{
    QTest::addColumn<bool>("exposure");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("choices");
    QTest::addColumn<int>("index");

    QTest::newRow("manual offered")
        << true << quint32(kEdsAEMode_Manual) << "P|TV|AV|Manual|Bulb" << 3;
    QTest::newRow("manual not offered")
        << true << quint32(kEdsAEMode_Manual) << "P|TV|AV|Bulb" << -1;
    QTest::newRow("first spelling wins") << true << quint32(0) << "Bulb|Program|P" << 1;
    QTest::newRow("unknown is never chosen")
        << true << quint32(kUnknownValue) << "Unknown value 0037|Manual" << -1;
    QTest::newRow("no choices") << true << quint32(kEdsAEMode_Manual) << "" << -1;
    QTest::newRow("plain RAW, not the pair")
        << false << quint32(EdsImageQuality_LR) << "Large Fine JPEG|RAW + Large Fine JPEG|RAW" << 2;
    QTest::newRow("no plain RAW") << false << quint32(EdsImageQuality_LR) << "mRAW|sRAW|cRAW" << -1;
}

void TestGphoto2Mapping::choiceForValue()
{
    QFETCH(bool, exposure);
    QFETCH(quint32, value);
    QFETCH(QString, choices);
    QFETCH(int, index);
    const ChoiceReader reader = exposure ? &exposureModeFromChoice : &imageQualityFromChoice;
    QCOMPARE(choiceIndexFor(value, split(choices), reader), index);
}

void TestGphoto2Mapping::errors_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<quint32>("error");

    QTest::newRow("ok") << GP_OK << quint32(EDS_ERR_OK);
    QTest::newRow("a count") << 2 << quint32(EDS_ERR_OK);
    QTest::newRow("not supported") << GP_ERROR_NOT_SUPPORTED << quint32(EDS_ERR_NOT_SUPPORTED);
    QTest::newRow("bad parameters")
        << GP_ERROR_BAD_PARAMETERS << quint32(EDS_ERR_INVALID_PARAMETER);
    QTest::newRow("model not found")
        << GP_ERROR_MODEL_NOT_FOUND << quint32(EDS_ERR_DEVICE_NOT_FOUND);
    QTest::newRow("unknown port") << GP_ERROR_UNKNOWN_PORT << quint32(EDS_ERR_DEVICE_NOT_FOUND);
    QTest::newRow("usb find") << GP_ERROR_IO_USB_FIND << quint32(EDS_ERR_DEVICE_NOT_FOUND);
    QTest::newRow("usb claim") << GP_ERROR_IO_USB_CLAIM << quint32(EDS_ERR_DEVICE_BUSY);
    QTest::newRow("camera busy") << GP_ERROR_CAMERA_BUSY << quint32(EDS_ERR_DEVICE_BUSY);
    QTest::newRow("io") << GP_ERROR_IO << quint32(EDS_ERR_COMM_DISCONNECTED);
    QTest::newRow("timeout") << GP_ERROR_TIMEOUT << quint32(EDS_ERR_COMM_DISCONNECTED);
    QTest::newRow("generic") << GP_ERROR << quint32(EDS_ERR_INTERNAL_ERROR);
    QTest::newRow("camera error") << GP_ERROR_CAMERA_ERROR << quint32(EDS_ERR_INTERNAL_ERROR);
    QTest::newRow("unheard of") << -9999 << quint32(EDS_ERR_INTERNAL_ERROR);
}

void TestGphoto2Mapping::errors()
{
    QFETCH(int, result);
    QFETCH(quint32, error);
    QCOMPARE(errorFromResult(result), error);
}

void TestGphoto2Mapping::textCopies_data()
{
    QTest::addColumn<std::string>("text");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<QByteArray>("copied"); // what the buffer starts with

    const std::string id = "083021004517";
    QTest::newRow("roomy") << id << quint32(256) << QByteArray("083021004517\0", 13);
    QTest::newRow("exact") << id << quint32(13) << QByteArray("083021004517\0", 13);
    QTest::newRow("cut short") << id << quint32(5) << QByteArray("0830\0", 5);
    QTest::newRow("room for the zero only") << id << quint32(1) << QByteArray("\0", 1);
    QTest::newRow("empty") << std::string() << quint32(4) << QByteArray("\0", 1);
    QTest::newRow("no room") << id << quint32(0) << QByteArray();
}

// Nothing may land beyond the size given, and the text always ends.
void TestGphoto2Mapping::textCopies()
{
    QFETCH(std::string, text);
    QFETCH(quint32, size);
    QFETCH(QByteArray, copied);

    QByteArray buffer(int(size) + 8, '\x7F');
    QCOMPARE(copyText(text, size, buffer.data()), size > 0);
    QCOMPARE(buffer.left(copied.size()), copied);
    QCOMPARE(buffer.mid(copied.size()), QByteArray(buffer.size() - copied.size(), '\x7F'));
}

// Levels: -1 is not given, 1000 a word's.
void TestGphoto2Mapping::batteryLevels_data()
{
    QTest::addColumn<std::string>("text");
    QTest::addColumn<qint64>("level");
    QTest::addColumn<bool>("word");

    const qint64 ac = kEdsBatteryLevel_AC;
    QTest::newRow("percent") << std::string("85%") << qint64(85) << false;
    QTest::newRow("bare number") << std::string("85") << qint64(85) << false;
    QTest::newRow("spaced") << std::string(" 85 %") << qint64(85) << false;
    QTest::newRow("above 100") << std::string("101%") << qint64(-1) << false;
    QTest::newRow("AC") << std::string("AC") << ac << false;
    QTest::newRow("ac power") << std::string("ac power") << ac << false;
    QTest::newRow("Full") << std::string("Full") << qint64(100) << true;
    QTest::newRow("HIGH") << std::string("HIGH") << qint64(75) << true;
    QTest::newRow("Low") << std::string("Low") << qint64(20) << true;
    QTest::newRow("Empty") << std::string("Empty") << qint64(0) << true;
    QTest::newRow("unknown value") << std::string("Unknown value 0004") << qint64(-1) << false;
    QTest::newRow("Good") << std::string("Good") << qint64(-1) << false;
    QTest::newRow("empty") << std::string() << qint64(-1) << false;
}

void TestGphoto2Mapping::batteryLevels()
{
    QFETCH(std::string, text);
    QFETCH(qint64, level);
    QFETCH(bool, word);
    EdsUInt32 read = 1234;
    bool isWord = !word;
    QCOMPARE(batteryLevelFromText(text, read, isWord), level >= 0);
    QCOMPARE(qint64(read), level >= 0 ? level : 1234);
    QCOMPARE(isWord, level >= 0 ? word : !word);
}

void TestGphoto2Mapping::counts_data()
{
    QTest::addColumn<std::string>("text");
    QTest::addColumn<qint64>("count"); // -1: not given

    QTest::newRow("spaced") << std::string(" 48213 ") << qint64(48213);
    QTest::newRow("largest") << std::string("4294967295") << qint64(4294967295);
    QTest::newRow("too large") << std::string("4294967296") << qint64(-1);
    QTest::newRow("minus one") << std::string("-1") << qint64(-1);
    QTest::newRow("empty") << std::string() << qint64(-1);
    QTest::newRow("Unknown") << std::string("Unknown") << qint64(-1);
    QTest::newRow("fraction") << std::string("12.5") << qint64(-1);
}

void TestGphoto2Mapping::counts()
{
    QFETCH(std::string, text);
    QFETCH(qint64, count);
    EdsUInt32 read = 1234;
    QCOMPARE(countFromText(text, read), count >= 0);
    QCOMPARE(qint64(read), count >= 0 ? count : 1234);
}

void TestGphoto2Mapping::clocks_data()
{
    QTest::addColumn<std::string>("text");
    QTest::addColumn<bool>("date"); // an epoch, as a date setting gives it
    QTest::addColumn<QString>("fields"); // empty: not given

    const QString summer = QStringLiteral("2024-06-15 12:30:45");
    QTest::newRow("dashes") << std::string("2024-06-15 12:30:45") << false << summer;
    QTest::newRow("colons") << std::string("2024:06:15 12:30:45") << false << summer;
    QTest::newRow("mixed") << std::string("2024-06:15 12:30:45") << false << QString();
    QTest::newRow("month 13") << std::string("2024-13-15 12:30:45") << false << QString();
    QTest::newRow("hour 24") << std::string("2024-06-15 24:00:00") << false << QString();
    QTest::newRow("an epoch as text") << std::string("1718447445") << false << QString();
    QTest::newRow("summer epoch") << std::string("1718447445") << true << summer;
    QTest::newRow("winter epoch") << std::string("1704099600") << true
                                  << QStringLiteral("2024-01-01 10:00:00");
    QTest::newRow("not a number") << std::string("12x") << true << QString();
}

// Whatever reads as a clock sets the clock to that same moment again.
void TestGphoto2Mapping::clocks()
{
    QFETCH(std::string, text);
    QFETCH(bool, date);
    QFETCH(QString, fields);

    EdsTime time = { 1, 1, 1, 1, 1, 1, 7 };
    QCOMPARE(date ? timeFromEpochText(text, time) : timeFromText(text, time), !fields.isEmpty());
    const auto shown = [&] {
        return QString::asprintf("%04u-%02u-%02u %02u:%02u:%02u.%u", time.year, time.month,
                                 time.day, time.hour, time.minute, time.second, time.milliseconds);
    };
    if (fields.isEmpty()) {
        QCOMPARE(shown(), QStringLiteral("0001-01-01 01:01:01.7")); // left as it was
        return;
    }
    QCOMPARE(shown(), fields + ".0");
    long long epoch = 0;
    QVERIFY(epochFromTime(time, epoch));
    QVERIFY(timeFromEpochText(std::to_string(epoch), time));
    QCOMPARE(shown(), fields + ".0");
}

QTEST_APPLESS_MAIN(TestGphoto2Mapping)
#include "tst_gphoto2mapping.moc"
