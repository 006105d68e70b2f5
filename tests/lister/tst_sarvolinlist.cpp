#include "engine/bodyrow.h"
#include "engine/rowprinter.h"
#include "engine/usblocations.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

// The lister as a user runs it, on simulated rigs: what it prints, how it
// ends, and what its workers did to the bodies (from the simulated camera's
// session log).
class TestSarvolinList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void rowsFormatsAndExitCodes_data();
    void rowsFormatsAndExitCodes();
    void watch();
    void locations();
    void awkwardText();

private:
    QProcessEnvironment environment(const QString &rig) const;
    QString logProblem(bool clockSet = false) const;
    int peakSessions() const;

    std::unique_ptr<QTemporaryDir> dir;
};

namespace {

const QByteArray kHeader = "port,location,model,body_id,error\r\n";

QByteArray csvRow(int socket, const char *tail)
{
    return QStringLiteral("sim:%1,,Simulated camera,%2\r\n")
        .arg(socket, 3, 10, QLatin1Char('0'))
        .arg(QLatin1String(tail))
        .toUtf8();
}

QByteArray idRow(int socket)
{
    return csvRow(socket, QByteArray::number(83021004516LL + socket).rightJustified(12, '0') + ',');
}

bool waitForLines(QProcess &process, int lines)
{
    return QTest::qWaitFor([&] { return process.peek(1 << 20).count('\n') >= lines; }, 10000);
}

} // namespace

void TestSarvolinList::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

QProcessEnvironment TestSarvolinList::environment(const QString &rig) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SARVOLIN_SIMULATED_CAMERAS"), rig);
    env.insert(QStringLiteral("SARVOLIN_SIMULATED_LOG"), dir->filePath(QStringLiteral("log")));
    env.remove(QStringLiteral("SARVOLIN_SIMULATED_LATENCY_MS"));
    return env;
}

// Every session opened was closed and every SDK started was stopped, by
// every process but one killed while hanging; no setting was written but,
// where asked, the clock; each session was opened on the one body that its
// process was sent to directly.
QString TestSarvolinList::logProblem(bool clockSet) const
{
    QFile file(dir->filePath(QStringLiteral("log")));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("no session log");
    QMap<QString, int> balance; // "pid port" or "pid SDK": opened less closed
    QMap<QString, QString> reached; // pid: the port it was sent to
    QStringList hung;
    while (!file.atEnd()) {
        const QStringList words = QString::fromUtf8(file.readLine()).split(QLatin1Char(' '));
        const QString what = words.first() + QLatin1Char(' ') + words.value(2, "SDK").trimmed();
        const QString verb = words.value(1).trimmed();
        if (verb == QLatin1String("write")) {
            if (clockSet && words.value(3).trimmed() == "0x6")
                continue;
            return QStringLiteral("a setting was written: ") + words.join(QLatin1Char(' '));
        }
        if (verb == QLatin1String("reach")) {
            reached.insert(words.first(), words.value(2).trimmed());
            continue;
        }
        if (verb == QLatin1String("open")
            && reached.value(words.first()) != words.value(2).trimmed())
            return what + QStringLiteral(" opened without being sent there");
        if (verb == QLatin1String("hang"))
            hung << words.first();
        else if (verb == QLatin1String("open") || verb == QLatin1String("initialize"))
            ++balance[what];
        else
            --balance[what];
    }
    for (auto it = balance.cbegin(); it != balance.cend(); ++it) {
        if (it.value() != 0 && !hung.contains(it.key().section(QLatin1Char(' '), 0, 0)))
            return it.key() + QStringLiteral(" left open");
    }
    return QString();
}

// The most sessions that were open at one time.
int TestSarvolinList::peakSessions() const
{
    QFile file(dir->filePath(QStringLiteral("log")));
    int open = 0;
    int peak = 0;
    for (const QByteArray &line :
         file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>()) {
        const QByteArray verb = line.split(' ').value(1);
        open += verb == "open" ? 1 : verb == "close" ? -1 : 0;
        peak = std::max(peak, open);
    }
    return peak;
}

void TestSarvolinList::rowsFormatsAndExitCodes_data()
{
    QTest::addColumn<QString>("rig");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("interruptAfterMs"); // 0: runs to its end
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("rows");
    // With every call slowed down, so that sessions overlap: how many bodies
    // are read at once (0: not looked at).
    QTest::addColumn<int>("atOnce");
    // A roster, in a file that the argument ROSTER names; none is written
    // where it is empty.
    QTest::addColumn<QByteArray>("roster");
    // What its error output must say (where not empty).
    QTest::addColumn<QByteArray>("says");

    const QByteArray three = kHeader + idRow(1) + idRow(2) + idRow(3);
    QTest::newRow("all well") << "3" << QStringList { "--csv" } << 0 << 0 << three << 0
                              << QByteArray() << QByteArray();
    QTest::newRow("one after another") << "3" << QStringList { "--csv", "--jobs", "1" } << 0 << 0
                                       << three << 0 << QByteArray() << QByteArray();
    QTest::newRow("table") << "2" << QStringList() << 0 << 0
                           << QByteArray(
                                  "PORT     LOCATION  MODEL             BODY ID       ERROR\n"
                                  "sim:001  -         Simulated camera  083021004517\n"
                                  "sim:002  -         Simulated camera  083021004518\n")
                           << 0 << QByteArray() << QByteArray();
    QTest::newRow("failing") << "ok,refuse,no-id,gone,-,ok" << QStringList { "--csv" } << 0 << 1
                             << kHeader + idRow(1) + csvRow(2, ",session refused")
            + csvRow(3, ",gave no ID") + csvRow(4, ",gone before it could be read") + idRow(6)
                             << 0 << QByteArray() << QByteArray();
    QTest::newRow("hanging") << "ok,hang,ok" << QStringList { "--csv", "--timeout", "0.5" } << 0
                             << 1 << kHeader + idRow(1) + csvRow(2, ",timed out") + idRow(3) << 0
                             << QByteArray() << QByteArray();
    QTest::newRow("none, table") << "0" << QStringList() << 0 << 2 << QByteArray() << 0
                                 << QByteArray() << QByteArray();
    QTest::newRow("none, JSON") << "0" << QStringList { "--json" } << 0 << 2 << QByteArray("[\n]\n")
                                << 0 << QByteArray() << QByteArray();
    QTest::newRow("bad usage") << "1" << QStringList { "--jobs", "0" } << 0 << 64 << QByteArray()
                               << 0 << QByteArray() << QByteArray();

    const QByteArray none;
    const QByteArray rigCsv = kHeader + idRow(1) + idRow(2) + idRow(3);
    QTest::newRow("fields")
        << "ok,mains,battery-word,bare"
        << QStringList { "--csv", "--fields",
                         "port,battery,shots,lens,firmware,owner,artist,copyright,shutter_count,"
                         "clock_offset_s,error" }
        << 0 << 0
        << QByteArray("port,battery,shots,lens,firmware,owner,artist,copyright,shutter_count,"
                      "clock_offset_s,error\r\n"
                      "sim:001,100%,900,Simulated 24-70mm f/2.8,1.1.1,Body 001,Simulated artist,"
                      "Sarvolin demo,12000,0,\r\n"
                      "sim:002,AC,937,Simulated 50mm f/1.8,1.1.2,Body 002,Simulated artist,"
                      "Sarvolin demo,13789,0,\r\n"
                      "sim:003,Low,974,Simulated 70-200mm f/4,1.1.3,Body 003,Simulated artist,"
                      "Sarvolin demo,15578,0,\r\n"
                      "sim:004,,,,,,,,,,\r\n")
        << 0 << none << none;
    QTest::newRow("fields, JSON: numbers, and null where none")
        << "ok,bare" << QStringList { "--json", "--fields", "body_id,shots,battery,clock_offset_s" }
        << 0 << 0
        << QByteArray("[\n"
                      "    {\n"
                      "        \"battery\": \"100%\",\n"
                      "        \"body_id\": \"083021004517\",\n"
                      "        \"clock_offset_s\": 0,\n"
                      "        \"shots\": 900\n"
                      "    },\n"
                      "    {\n"
                      "        \"battery\": null,\n"
                      "        \"body_id\": \"083021004518\",\n"
                      "        \"clock_offset_s\": null,\n"
                      "        \"shots\": null\n"
                      "    }\n"
                      "]\n")
        << 0 << none << none;
    const QByteArray checked = "port,location,model,body_id,error,name,check\r\n";
    QTest::newRow("roster: all there, from our own CSV")
        << "3" << QStringList { "--csv", "--expect", "ROSTER" } << 0 << 0
        << checked + csvRow(1, "083021004517,,,ok") + csvRow(2, "083021004518,,,ok")
            + csvRow(3, "083021004519,,,ok")
        << 0 << rigCsv << none;
    QTest::newRow("roster: missing, moved, unknown")
        << "ok,ok,ok,ok" << QStringList { "--csv", "--expect", "ROSTER" } << 0 << 1
        << checked + csvRow(1, "083021004517,,Top,ok")
            + csvRow(2, "083021004518,,Left,moved (roster: sim:003)")
            + csvRow(3, "083021004519,,Right,ok") + csvRow(4, "083021004520,,,unknown")
            + ",1-2,,083021009999,,Spare,missing\r\n"
        << 0
        << QByteArray("name,body_id,port,location\n"
                      "Top,083021004517,sim:001,\n"
                      "Left,083021004518,sim:003,\n"
                      "Right,083021004519,,\n"
                      "Spare,083021009999,,1-2\n")
        << QByteArray("1 missing, 1 moved, 1 unknown\n");
    QTest::newRow("thresholds")
        << "ok,low-battery,nearly-full,bare"
        << QStringList { "--csv", "--min-battery", "30", "--min-shots", "50" } << 0 << 1
        << QByteArray("port,location,model,body_id,error,check,battery,shots\r\n")
            + csvRow(1, "083021004517,,ok,100%,900")
            + csvRow(2, "083021004518,,battery low (15%),15%,937")
            + csvRow(3, "083021004519,,card nearly full (12 shots),74%,12")
            + csvRow(4, "083021004520,,battery unknown; shots unknown,,")
        << 0 << none
        << QByteArray("1 battery low, 1 battery unknown, 1 card nearly full, 1 shots unknown\n");
    QTest::newRow("clock set")
        << "drifted,bare"
        << QStringList { "--csv", "--set-clock", "--fields", "port,error,clock_offset_s" } << 0 << 1
        << QByteArray(
               "port,error,clock_offset_s\r\nsim:001,,0\r\nsim:002,clock could not be set,\r\n")
        << 0 << none << none;
    QTest::newRow("clock read, not set")
        << "drifted" << QStringList { "--csv", "--fields", "port,clock_offset_s" } << 0 << 0
        << QByteArray("port,clock_offset_s\r\nsim:001,3725\r\n") << 0 << none << none;
    const auto refused = [&](const char *name, const QByteArray &roster, const char *says) {
        QTest::newRow(name) << "2" << QStringList { "--csv", "--expect", "ROSTER" } << 0 << 64
                            << QByteArray() << 0 << roster << QByteArray(says);
    };
    QTest::newRow("camera library's messages, passed on")
        << "ok,gone" << QStringList { "--csv", "--verbose" } << 0 << 1
        << kHeader + idRow(1) + csvRow(2, ",gone before it could be read") << 0 << none
        << QByteArray("sim:002: simulated camera: sim:002: no answer to open session\n");
    refused("roster: no such file", none, "roster.csv: no such file\n");
    refused("roster: no body_id", "port,id\nsim:001,1\n", "roster.csv:1: no body_id column");
    refused("roster: a body twice", "body_id,name\n1,a\n2,b\n1,c\n",
            "roster.csv:4: body 1 is also on line 2\n");
    refused("roster: two in a socket", "body_id,location\n1,1-2\n2,1-3\n3,1-2\n",
            "roster.csv:4: two bodies in 1-2 (the other on line 2)\n");
    refused("roster: broken CSV", "body_id,name\n1,\"Top\n2,b\n",
            "roster.csv:2: this line breaks CSV");
#ifdef Q_OS_UNIX
    // Timing on Windows is wine's process start-up, not the lister's.
    QByteArray many = kHeader;
    for (int socket = 1; socket <= 64; ++socket)
        many += idRow(socket);
    QTest::newRow("64 at once") << "64" << QStringList { "--csv" } << 0 << 0 << many << 64
                                << QByteArray() << QByteArray();
    QTest::newRow("no more than --jobs")
        << "4" << QStringList { "--csv", "--jobs", "2" } << 0 << 0
        << kHeader + idRow(1) + idRow(2) + idRow(3) + idRow(4) << 2 << QByteArray() << QByteArray();
    QTest::newRow("interrupted") << "ok,hang,ok" << QStringList { "--csv" } << 1000 << 130
                                 << kHeader + idRow(1) + idRow(3) << 0 << QByteArray()
                                 << QByteArray();
#endif
}

void TestSarvolinList::rowsFormatsAndExitCodes()
{
    QFETCH(QString, rig);
    QFETCH(QStringList, arguments);
    QFETCH(int, interruptAfterMs);
    QFETCH(int, status);
    QFETCH(QByteArray, rows);
    QFETCH(int, atOnce);
    QFETCH(QByteArray, roster);
    QFETCH(QByteArray, says);

    const QString rosterPath = dir->filePath(QStringLiteral("roster.csv"));
    if (!roster.isEmpty()) {
        QFile file(rosterPath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(roster) == roster.size());
    }
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^ROSTER$")), rosterPath);

    QProcess lister;
    QProcessEnvironment env = environment(rig);
    // Long enough that even a sanitizer build starts every worker before
    // the first session closes.
    if (atOnce > 0)
        env.insert(QStringLiteral("SARVOLIN_SIMULATED_LATENCY_MS"), QStringLiteral("1000"));
    lister.setProcessEnvironment(env);
    lister.start(QStringLiteral(SARVOLIN_LIST_DEMO), arguments);
    QVERIFY(lister.waitForStarted());
#ifdef Q_OS_UNIX
    if (interruptAfterMs > 0) {
        QTest::qWait(interruptAfterMs);
        ::kill(pid_t(lister.processId()), SIGINT);
    }
#else
    Q_UNUSED(interruptAfterMs) // no such rows: Windows has no signals to send
#endif
    QVERIFY(lister.waitForFinished(30000));
    QCOMPARE(lister.exitStatus(), QProcess::NormalExit);
    QCOMPARE(lister.exitCode(), status);
    QCOMPARE(lister.readAllStandardOutput(), rows);
    // Every way to end says why on stderr, but a full read.
    // Lines end in CR LF on Windows.
    const QByteArray error = lister.readAllStandardError().replace("\r\n", "\n");
    QCOMPARE(error.isEmpty(), status == 0);
    QVERIFY2(error.contains(says), error.constData());
    // The camera library's own messages only where asked for.
    QCOMPARE(error.contains("simulated camera:"), says.contains("simulated camera:"));
    const bool clockSet = arguments.contains(QStringLiteral("--set-clock"));
    QVERIFY2(status == 64 || logProblem(clockSet).isEmpty(), qPrintable(logProblem(clockSet)));
    // Nothing is touched on bad usage, nor with a roster that cannot be used.
    if (status == 64)
        QVERIFY(!QFile::exists(dir->filePath(QStringLiteral("log"))));
    if (atOnce > 0)
        QCOMPARE(peakSessions(), atOnce);
}

// Bodies come and go while it watches; each is printed when it arrives.
void TestSarvolinList::watch()
{
    const QString rig = dir->filePath(QStringLiteral("rig"));
    const auto plug = [&](const QByteArray &sockets) {
        QSaveFile file(rig); // replaced whole, never seen half-written
        return file.open(QIODevice::WriteOnly) && file.write(sockets) && file.commit();
    };
    QVERIFY(plug("ok"));
    QProcess lister;
    lister.setProcessEnvironment(environment(QLatin1Char('@') + rig));
    lister.start(QStringLiteral(SARVOLIN_LIST_DEMO), { "--watch", "--csv" });
    QVERIFY(waitForLines(lister, 2));
    QVERIFY(plug("ok no-id"));
    QVERIFY(waitForLines(lister, 3));
    QTest::qWait(1200); // looked at twice more, printed nothing more
    QVERIFY(plug("- no-id"));
    QTest::qWait(1200);
    QVERIFY(plug("ok no-id"));
    QVERIFY(waitForLines(lister, 4));
#ifdef Q_OS_UNIX
    ::kill(pid_t(lister.processId()), SIGINT);
#else
    lister.closeWriteChannel(); // what a script can do where there are no signals
#endif
    QVERIFY(lister.waitForFinished(10000));
    QCOMPARE(lister.exitCode(), 0);
    QCOMPARE(lister.readAllStandardOutput(),
             kHeader + idRow(1) + csvRow(2, ",gave no ID") + idRow(1));
    QVERIFY2(logProblem().isEmpty(), qPrintable(logProblem()));
}

// The socket path of a USB port, from a made-up sysfs; and the order it gives.
void TestSarvolinList::locations()
{
    const QString devices = dir->filePath(QStringLiteral("bus/usb/devices"));
    const auto device = [&](const QString &name, const QByteArray &bus, const QByteArray &number) {
        QVERIFY(QDir().mkpath(devices + '/' + name));
        for (const auto &[attribute, value] :
             { std::pair { "busnum", bus }, { "devnum", number } }) {
            QFile file(devices + '/' + name + '/' + attribute);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(value + '\n'));
        }
    };
    device(QStringLiteral("usb1"), "1", "1");
    device(QStringLiteral("1-1.4.2"), "1", "16");
    device(QStringLiteral("1-1.4.2:1.0"), "1", "17"); // an interface, not a device
    device(QStringLiteral("3-2"), "3", "16");
    device(QStringLiteral("2-1"), "2", "x");

    const UsbLocations locations(dir->path());
    QCOMPARE(locations.of(QStringLiteral("usb:001,016")), QStringLiteral("1-1.4.2"));
    QCOMPARE(locations.of(QStringLiteral("usb:3,16")), QStringLiteral("3-2"));
    for (const char *port : { "usb:001,017", "usb:002,001", "usb:001,099", "usb:", "usb:001",
                              "usb:001,016x", "ptpip:192.168.1.5", "sim:001" })
        QVERIFY2(locations.of(QLatin1String(port)).isEmpty(), port);
    QVERIFY(UsbLocations(dir->filePath(QStringLiteral("none"))).of("usb:001,016").isEmpty());

    QVector<BodyRow> rows;
    for (const char *location : { "1-1.10", "1-1.2", "", "1-1.2.3", "10-1", "2-1" })
        rows << BodyRow { QStringLiteral("usb:001,001"), QLatin1String(location), {}, {}, {} };
    rows << BodyRow { QStringLiteral("ptpip:10.0.0.2"), {}, {}, {}, {} }
         << BodyRow { QStringLiteral("ptpip:9.0.0.1"), {}, {}, {}, {} };
    sortByLocation(rows);
    QStringList order;
    for (const BodyRow &row : rows)
        order << row.location + '|' + row.port;
    QCOMPARE(order,
             QStringList({ "|ptpip:9.0.0.1", "|ptpip:10.0.0.2", "|usb:001,001", "1-1.2|usb:001,001",
                           "1-1.2.3|usb:001,001", "1-1.10|usb:001,001", "2-1|usb:001,001",
                           "10-1|usb:001,001" }));
}

// A body's own texts cannot break a format or reach the terminal raw.
void TestSarvolinList::awkwardText()
{
    const QVector<BodyRow> rows { { "usb:001,005", "", "EOS \"R\", mk\r\n2\x1b[31m", "-12" } };
    QCOMPARE(RowPrinter(RowPrinter::Format::Csv, stdout).render(rows),
             kHeader + "\"usb:001,005\",,\"EOS \"\"R\"\", mk\r\n2\x1b[31m\",-12,\r\n");
    QCOMPARE(RowPrinter(RowPrinter::Format::Table, stdout).render(rows).split('\n').value(1),
             QByteArray("usb:001,005  -         EOS \"R\", mk??2?[31m  -12"));
    const QJsonDocument json
        = QJsonDocument::fromJson(RowPrinter(RowPrinter::Format::Json, stdout).render(rows));
    QCOMPARE(json.array().first().toObject().value("model").toString(), rows.first().model);
}

QTEST_GUILESS_MAIN(TestSarvolinList)

#include "tst_sarvolinlist.moc"
