#include "list/bodyrow.h"
#include "list/rowprinter.h"
#include "list/usblocations.h"

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
    QString logProblem() const;
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
// every process but one killed while hanging; no setting was written; each
// session was opened on the one body that its process was sent to directly.
QString TestSarvolinList::logProblem() const
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
        if (verb == QLatin1String("write"))
            return QStringLiteral("a setting was written: ") + words.join(QLatin1Char(' '));
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

    const QByteArray three = kHeader + idRow(1) + idRow(2) + idRow(3);
    QTest::newRow("all well") << "3" << QStringList { "--csv" } << 0 << 0 << three << 0;
    QTest::newRow("one after another")
        << "3" << QStringList { "--csv", "--jobs", "1" } << 0 << 0 << three << 0;
    QTest::newRow("table") << "2" << QStringList() << 0 << 0
                           << QByteArray(
                                  "PORT     LOCATION  MODEL             BODY ID       ERROR\n"
                                  "sim:001  -         Simulated camera  083021004517\n"
                                  "sim:002  -         Simulated camera  083021004518\n")
                           << 0;
    QTest::newRow("failing") << "ok,refuse,no-id,gone,-,ok" << QStringList { "--csv" } << 0 << 1
                             << kHeader + idRow(1) + csvRow(2, ",session refused")
            + csvRow(3, ",gave no ID") + csvRow(4, ",gone before it could be read") + idRow(6)
                             << 0;
    QTest::newRow("hanging") << "ok,hang,ok" << QStringList { "--csv", "--timeout", "0.5" } << 0
                             << 1 << kHeader + idRow(1) + csvRow(2, ",timed out") + idRow(3) << 0;
    QTest::newRow("none, table") << "0" << QStringList() << 0 << 2 << QByteArray() << 0;
    QTest::newRow("none, JSON") << "0" << QStringList { "--json" } << 0 << 2 << QByteArray("[\n]\n")
                                << 0;
    QTest::newRow("bad usage") << "1" << QStringList { "--jobs", "0" } << 0 << 64 << QByteArray()
                               << 0;
#ifdef Q_OS_UNIX
    // Timing on Windows is wine's process start-up, not the lister's.
    QByteArray many = kHeader;
    for (int socket = 1; socket <= 64; ++socket)
        many += idRow(socket);
    QTest::newRow("64 at once") << "64" << QStringList { "--csv" } << 0 << 0 << many << 64;
    QTest::newRow("no more than --jobs")
        << "4" << QStringList { "--csv", "--jobs", "2" } << 0 << 0
        << kHeader + idRow(1) + idRow(2) + idRow(3) + idRow(4) << 2;
    QTest::newRow("interrupted") << "ok,hang,ok" << QStringList { "--csv" } << 1000 << 130
                                 << kHeader + idRow(1) + idRow(3) << 0;
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

    QProcess lister;
    QProcessEnvironment env = environment(rig);
    if (atOnce > 0)
        env.insert(QStringLiteral("SARVOLIN_SIMULATED_LATENCY_MS"), QStringLiteral("500"));
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
    QCOMPARE(lister.readAllStandardError().isEmpty(), status == 0);
    QVERIFY2(status == 64 || logProblem().isEmpty(), qPrintable(logProblem()));
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
    const QVector<BodyRow> rows { { "usb:001,005", "", "EOS \"R\", mk\r\n2\x1b[31m", "-12", "" } };
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
