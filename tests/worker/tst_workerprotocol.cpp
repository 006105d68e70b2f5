#include "worker/workerprotocol.h"

#include <QtTest>

#include <cstdint>
#include <limits>
#include <string>

using namespace WorkerProtocol;

Q_DECLARE_METATYPE(std::string)

// Every value crosses as it left, however awkward; anything that is not a
// line of ours is refused rather than half read.
class TestWorkerProtocol : public QObject
{
    Q_OBJECT

private slots:
    void answer_data();
    void answer();
    void look_data();
    void look();
    void notOurs_data();
    void notOurs();
};

namespace {

Extra text(const char *name, const std::string &value)
{
    return { name, value, 0, false };
}

Extra number(const char *name, std::int64_t value)
{
    return { name, {}, value, true };
}

const std::string kAwkward = std::string("q\"b\\s/\r\n\t\x01\x1f\x7f", 13) + "\xc3\xa9\xe6\x97\xa5"
    + std::string(1, '\0') + "\xff\xfe";

} // namespace

void TestWorkerProtocol::answer_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<std::string>("idField");
    QTest::addColumn<bool>("extras");

    QTest::newRow("read") << int(ReadFailure::None) << std::string("083021004517") << true;
    QTest::newRow("awkward bytes everywhere") << int(ReadFailure::None) << kAwkward << true;
    QTest::newRow("empty ID") << int(ReadFailure::NoId) << std::string() << false;
    for (int kind = 0; kind <= int(ReadFailure::ClockOff); ++kind)
        QTest::addRow("failure %d", kind) << kind << std::string("1") << false;
}

void TestWorkerProtocol::answer()
{
    QFETCH(int, failure);
    QFETCH(std::string, idField);
    QFETCH(bool, extras);

    BodyAnswer sent;
    sent.failure = ReadFailure(failure);
    sent.idField = idField;
    if (extras) {
        sent.extras = { text("owner", kAwkward),
                        text("artist", ""), // given, and empty: not the same as left out
                        number("battery", 0),
                        number("shots", std::numeric_limits<std::int64_t>::max()),
                        number("clock_offset_s", std::numeric_limits<std::int64_t>::min()),
                        text("clock", "2026-12-09T14:03:07") };
    }
    const std::string line = encode(sent);
    QCOMPARE(line.back(), '\n');
    QCOMPARE(line.find('\n'), line.size() - 1);
    QVERIFY(QJsonDocument::fromJson(QByteArray::fromStdString(line)).isObject());

    BodyAnswer got;
    QVERIFY(decode(line, got));
    QCOMPARE(int(got.failure), failure);
    QCOMPARE(got.idField, idField);
    QCOMPARE(got.extras.size(), sent.extras.size());
    for (std::size_t i = 0; i < sent.extras.size(); ++i) {
        QCOMPARE(got.extras[i].name, sent.extras[i].name);
        QCOMPARE(got.extras[i].isNumber, sent.extras[i].isNumber);
        QCOMPARE(got.extras[i].text, sent.extras[i].text);
        QCOMPARE(got.extras[i].number, sent.extras[i].number);
    }
}

void TestWorkerProtocol::look_data()
{
    QTest::addColumn<quint32>("error");
    QTest::addColumn<int>("bodies");
    QTest::newRow("nothing attached") << quint32(0) << 0;
    QTest::newRow("a rig") << quint32(0) << 3;
    QTest::newRow("the library failed") << quint32(0xFFFFFFFF) << 0;
}

void TestWorkerProtocol::look()
{
    QFETCH(quint32, error);
    QFETCH(int, bodies);
    Look sent;
    sent.error = error;
    for (int i = 0; i < bodies; ++i)
        sent.bodies.push_back({ "usb:001," + std::to_string(i), kAwkward, i ? "" : "a\nb" });
    Look got;
    QVERIFY(decode(encode(sent), got));
    QCOMPARE(got.error, sent.error);
    QCOMPARE(int(got.bodies.size()), bodies);
    for (int i = 0; i < bodies; ++i) {
        QCOMPARE(got.bodies[i].port, sent.bodies[i].port);
        QCOMPARE(got.bodies[i].model, sent.bodies[i].model);
        QCOMPARE(got.bodies[i].address, sent.bodies[i].address);
    }
}

void TestWorkerProtocol::notOurs_data()
{
    QTest::addColumn<std::string>("line");
    QTest::addColumn<bool>("answer"); // or a look

    const char *answers[] = {
        "",
        "not json",
        "{",
        "{\"error\":\"\",\"id\":\"30\"",
        "{\"error\":\"\",\"id\":\"30\"} trailing",
        "{\"id\":\"30\"}", // no error
        "{\"error\":\"\"}", // no ID
        "{\"error\":\"exploded\",\"id\":\"30\"}",
        "{\"error\":0,\"id\":\"30\"}",
        "{\"error\":\"\",\"id\":\"3\"}", // half a byte
        "{\"error\":\"\",\"id\":\"zz\"}",
        "{\"error\":\"\",\"id\":\"30\",\"owner\":\"a\\\"b\"}", // an escape
        "{\"error\":\"\",\"id\":\"30\",\"shots\":99999999999999999999}",
        "{\"error\":\"\",\"id\":\"30\",\"shots\":-}",
        "{\"error\":\"\",\"id\":\"30\",\"shots\":[1]}",
        "{\"error\":\"\",\"id\":\"30\",\"\":1}",
    };
    for (const char *line : answers)
        QTest::newRow(line) << std::string(line) << true;
    const char *looks[] = {
        "{\"error\":0}",
        "{\"bodies\":[]}",
        "{\"error\":-1,\"bodies\":[]}",
        "{\"error\":4294967296,\"bodies\":[]}",
        "{\"error\":\"0\",\"bodies\":[]}",
        "{\"error\":0,\"bodies\":[[\"70\",\"6d\"]]}",
        "{\"error\":0,\"bodies\":[[\"70\",\"6d\",\"61\",\"61\"]]}",
        "{\"error\":0,\"bodies\":[\"70\"]}",
        "{\"error\":0,\"bodies\":[[\"70\",\"6d\",\"61\"]],\"more\":1}",
    };
    for (const char *line : looks)
        QTest::newRow(line) << std::string(line) << false;
}

void TestWorkerProtocol::notOurs()
{
    QFETCH(std::string, line);
    QFETCH(bool, answer);
    BodyAnswer body;
    Look look;
    QVERIFY(answer ? !decode(line, body) : !decode(line, look));
}

QTEST_GUILESS_MAIN(TestWorkerProtocol)

#include "tst_workerprotocol.moc"
