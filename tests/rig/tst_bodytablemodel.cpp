#include "rig/bodytablemodel.h"

#include "engine/rowwords.h"

#include <QAbstractItemModelTester>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QtTest>

// The rig window's table as the engine feeds it: a script of events, and the
// rows a sorting view then shows. Every signal the model sends is checked
// along the way.
class TestBodyTableModel : public QObject
{
    Q_OBJECT

private slots:
    void events_data();
    void events();
};

namespace {

constexpr int kGrey = -2;

// "PORT key=value ...", "-" for no port; a host's state comes as lost=TIME
// or offline=TIME, as a reader over a broker hands it in.
BodyRow rowOf(const QStringList &words)
{
    BodyRow row;
    row.port = words.value(1) == QLatin1String("-") ? QString() : words.value(1);
    for (const QString &word : words.mid(2)) {
        const QString key = word.section(QLatin1Char('='), 0, 0);
        const QString value = word.section(QLatin1Char('='), 1);
        if (key == QLatin1String("ID")) {
            row.bodyId = value;
        } else if (key == QLatin1String("battery")) {
            row.battery = value + QLatin1Char('%');
            row.batteryPercent = value.toInt();
        } else if (key == QLatin1String("shots")) {
            row.shots = value.toLongLong();
        } else if (key == QLatin1String("offset")) {
            row.clockOffsetS = value.toLongLong();
        } else if (key == QLatin1String("host")) {
            row.host = value;
        } else if (key == QLatin1String("lost")) {
            row.findings << Finding { Finding::Kind::HostLost, value };
        } else if (key == QLatin1String("offline")) {
            row.findings << Finding { Finding::Kind::HostOffline, value };
        }
    }
    return row;
}

} // namespace

void TestBodyTableModel::events_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("shown"); // "Location|Name|BodyId|Status" unless "show" says
    QTest::addColumn<QString>("counts"); // bodies,reading,missing,unknown,failed,unplugged,attached

    QTest::newRow("arriving out of order, shown in the lister's")
        << QStringList { "reading usb:10", "reading usb:2", "read usb:10 ID=10", "read usb:2 ID=2" }
        << QStringList { "usb:2||2|ok", "usb:10||10|ok" } << "2,0,0,0,0,0,2";
    QTest::newRow("read again: the old values until the new")
        << QStringList { "read usb:1 ID=5", "reading usb:1" } << QStringList { "usb:1||5|reading…" }
        << "1,1,0,0,0,0,0";
    QTest::newRow("read again: the new values")
        << QStringList { "read usb:1 ID=5", "reading usb:1", "read usb:1 ID=6" }
        << QStringList { "usb:1||6|ok" } << "1,0,0,0,0,0,1";
    QTest::newRow("timed out, and a session refused")
        << QStringList { "reading usb:1", "fail usb:1 timed out", "fail usb:2 session refused" }
        << QStringList { "usb:1|||timed out", "usb:2|||session refused" } << "2,0,0,0,2,0,0";
    QTest::newRow("unplugged stays")
        << QStringList { "read usb:1 ID=1", "read usb:2 ID=2", "unplug usb:1", "unplug usb:7" }
        << QStringList { "usb:1||1|unplugged", "usb:2||2|ok" } << "2,0,0,0,0,1,1";
    QTest::newRow("unplugged until cleared")
        << QStringList { "read usb:1 ID=1", "read usb:2 ID=2", "read usb:3 ID=3",
                         "unplug usb:2",    "unplug usb:1",    "clear" }
        << QStringList { "usb:3||3|ok" } << "1,0,0,0,0,0,1";
    QTest::newRow("roster after the rows")
        << QStringList { "read usb:1 ID=123", "read usb:2 ID=555", "read usb:3 ID=999",
                         "check 123@usb:1=Alpha,999@usb:9=Beta,777@usb:5=Gamma" }
        << QStringList { "usb:1|Alpha|123|ok", "usb:2||555|unknown",
                         "usb:3|Beta|999|moved (roster: usb:9)", "usb:5|Gamma|777|missing" }
        << "3,0,1,1,0,0,3";
    QTest::newRow("missing body read later")
        << QStringList { "check 1@usb:1=A,2@usb:2=B", "reading usb:2", "read usb:2 ID=2",
                         "check 1@usb:1=A,2@usb:2=B,3@usb:3=C", "read usb:3 ID=3" }
        << QStringList { "usb:1|A|1|missing", "usb:2|B|2|ok", "usb:3|C|3|ok" } << "2,0,1,0,0,0,2";
    QTest::newRow("moved bodies read without a reading")
        << QStringList { "read usb:5 ID=5", "check 1@usb:9=A,2@usb:1=B", "read usb:1 ID=1",
                         "read usb:9 ID=2" }
        << QStringList { "usb:1|A|1|moved (roster: usb:9)", "usb:5||5|unknown",
                         "usb:9|B|2|moved (roster: usb:1)" }
        << "3,0,0,1,0,0,3";
    QTest::newRow("a second roster drops the first's missing")
        << QStringList { "read usb:2 ID=9", "check 9@usb:2=X,1@usb:1=A", "check 2@usb:3=B" }
        << QStringList { "usb:2||9|unknown", "usb:3|B|2|missing" } << "1,0,1,1,0,0,1";
    QTest::newRow("an unplugged roster body is missing")
        << QStringList { "check 1@usb:1=A", "read usb:1 ID=1", "unplug usb:1" }
        << QStringList { "usb:1|A|1|unplugged", "usb:1|A|1|missing" } << "1,0,1,0,0,1,0";
    QTest::newRow("thresholds without a roster")
        << QStringList { "check - battery=20 shots=50", "read usb:1 ID=1 battery=15 shots=9",
                         "read usb:2 ID=2 battery=80 shots=60", "read usb:3 ID=3" }
        << QStringList { "usb:1||1|battery low (15%); card nearly full (9 shots)", "usb:2||2|ok",
                         "usb:3||3|battery unknown; shots unknown" }
        << "3,0,0,0,0,0,3";
    QTest::newRow("sorted by shots, as numbers")
        << QStringList { "read usb:1 ID=1 shots=10", "read usb:2 ID=2 shots=9", "read usb:3 ID=3",
                         "sortBy shots", "read usb:4 ID=4 shots=100" }
        << QStringList { "usb:3||3|ok", "usb:2||2|ok", "usb:1||1|ok", "usb:4||4|ok" }
        << "4,0,0,0,0,0,4";
    const QStringList down { "read usb:10 ID=1 shots=10",
                             "read usb:9 ID=2 shots=9",
                             "sortBy shots desc",
                             "show location,shots",
                             "reading usb:11",
                             "read usb:11 ID=3 shots=50",
                             "reading usb:12" };
    QTest::newRow("sorted by shots, down")
        << down << QStringList { "usb:11|50", "usb:10|10", "usb:9|9", "usb:12|" }
        << "4,1,0,0,0,0,3";
    QTest::newRow("sorted back in the lister's order")
        << down + QStringList { "sortBy location" }
        << QStringList { "usb:9|9", "usb:10|10", "usb:11|50", "usb:12|" } << "4,1,0,0,0,0,3";
    QTest::newRow("battery and clock offset")
        << QStringList { "read usb:1 ID=1 battery=85 offset=3725", "read usb:2 ID=2 offset=-12",
                         "read usb:3 ID=3 battery=5 offset=0", "sortBy battery",
                         "show location,battery,clock_offset_s" }
        << QStringList { "usb:2||−12 s", "usb:3|5%|0 s", "usb:1|85%|+3725 s" } << "3,0,0,0,0,0,3";
    QTest::newRow("odd rows") << QStringList { "read - ",
                                               "read usb:3 ID=12\n\x1b"
                                               "34",
                                               "read usb:4 ID=4\u200e" }
                              << QStringList { "|||ok", "usb:3||12??34|ok", "usb:4||4?|ok" }
                              << "3,0,0,0,0,0,3";

    // Over a broker: a port is unique on its host only.
    QTest::newRow("one port on two hosts, host first")
        << QStringList { "read usb:1 host=pc2 ID=2",        "read usb:2 host=pc1 ID=3",
                         "read usb:1 host=pc1 ID=1",        "read usb:1 host=pc2 ID=4",
                         "unplug usb:2 host=pc2",           "unplug usb:2 host=pc1",
                         "show host,location,body_id,check" }
        << QStringList { "pc1|usb:1|1|ok", "pc1|usb:2|3|unplugged", "pc2|usb:1|4|ok" }
        << "3,0,0,0,0,1,2";
    const QStringList lost { "read usb:1 host=pc1 ID=1", "read usb:1 host=pc2 ID=2 lost=14:03:07",
                             "fail usb:2 host=pc2 offline=14:05:00 timed out",
                             "show host,body_id,check,grey" };
    QTest::newRow("a host lost: its rows kept, greyed, and said to be")
        << lost
        << QStringList { "pc1|1|ok|", "pc2|2|host lost since 14:03:07|grey",
                         "pc2||timed out; host offline since 14:05:00|grey" }
        << "3,0,0,0,1,0,2";
    QTest::newRow("a host back") << lost
            + QStringList { "read usb:1 host=pc2 ID=2", "read usb:2 host=pc2 ID=5" }
                                 << QStringList { "pc1|1|ok|", "pc2|2|ok|", "pc2|5|ok|" }
                                 << "3,0,0,0,0,0,3";
    QTest::newRow("a roster across hosts")
        << QStringList { "check 1@usb:1%pc1=A,2@usb:1%pc2=B,3@usb:2%pc2=C",
                         "read usb:1 host=pc2 ID=1", "read usb:1 host=pc1 ID=2 lost=9:00:00",
                         "show host,location,name,check" }
        << QStringList { "pc1|usb:1|B|moved (roster: usb:1 on pc2); host lost since 9:00:00",
                         "pc2|usb:1|A|moved (roster: usb:1 on pc1)", "pc2|usb:2|C|missing" }
        << "2,0,1,0,0,0,2";
    QTest::newRow("stale while the broker is away, then fresh")
        << QStringList { "check 7@usb:9%pc1=G", "read usb:1 host=pc1 ID=1", "stale",
                         "show host,check,grey" }
        << QStringList { "pc1|stale: unknown|grey", "pc1|missing|" } << "1,0,1,1,0,0,1";
    QTest::newRow("fresh again") << QStringList { "read usb:1 host=pc1 ID=1", "stale", "fresh",
                                                  "show host,check,grey" }
                                 << QStringList { "pc1|ok|" } << "1,0,0,0,0,0,1";
}

void TestBodyTableModel::events()
{
    QFETCH(QStringList, events);
    QFETCH(QStringList, shown);
    QFETCH(QString, counts);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    BodyTableModel model;
    QAbstractItemModelTester tester(&model);
    QSortFilterProxyModel proxy;
    proxy.setSortRole(BodyTableModel::SortRole);
    proxy.setSourceModel(&model);
    QVector<int> columns;
    for (const char *key : { "location", "name", "body_id", "check" })
        columns << BodyTableModel::columnOf(key);

    for (const QString &event : qAsConst(events)) {
        const QStringList words = event.split(QLatin1Char(' '));
        const QString &verb = words.first();
        if (verb == QLatin1String("reading")) {
            model.reading(rowOf(words));
        } else if (verb == QLatin1String("read")) {
            model.read(rowOf(words));
        } else if (verb == QLatin1String("fail")) {
            int said0 = 2; // after "fail PORT" and its key=value words
            while (words.value(said0).contains(QLatin1Char('=')))
                ++said0;
            BodyRow row = rowOf(words.mid(0, said0));
            const QString said = words.mid(said0).join(QLatin1Char(' '));
            for (int kind = 0; kind <= int(ReadFailure::ClockOff); ++kind) {
                if (RowWords::english(ReadFailure(kind)) == said)
                    row.failure = ReadFailure(kind);
            }
            QVERIFY2(!row.wasRead(), qPrintable(said));
            model.read(row);
        } else if (verb == QLatin1String("unplug")) {
            model.unplugged(rowOf(words));
        } else if (verb == QLatin1String("clear")) {
            model.clearUnplugged();
        } else if (verb == QLatin1String("stale") || verb == QLatin1String("fresh")) {
            model.setStale(verb == QLatin1String("stale"));
        } else if (verb == QLatin1String("check")) {
            // "ID@PORT=NAME,... battery=N shots=N", "-" for no roster
            BodyCheck check;
            if (words.value(1) != QLatin1String("-")) {
                // "%HOST" after a port gives the roster a host column.
                const bool hosts = words.value(1).contains(QLatin1Char('%'));
                QString csv = hosts ? QStringLiteral("body_id,port,host,name\n")
                                    : QStringLiteral("body_id,port,name\n");
                for (const QString &body : words.value(1).split(QLatin1Char(',')))
                    csv += QString(body)
                               .replace(QLatin1Char('@'), QLatin1Char(','))
                               .replace(QLatin1Char('%'), QLatin1Char(','))
                               .replace(QLatin1Char('='), QLatin1Char(','))
                        + QLatin1Char('\n');
                QFile file(dir.filePath(QStringLiteral("roster.csv")));
                QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                file.write(csv.toUtf8());
                file.close();
                QString error;
                check.roster.emplace();
                QVERIFY2(check.roster->load(file.fileName(), error), qPrintable(error));
            }
            for (const QString &word : words.mid(2)) {
                if (word.startsWith(QLatin1String("battery=")))
                    check.minBattery = word.section(QLatin1Char('='), 1).toInt();
                else if (word.startsWith(QLatin1String("shots=")))
                    check.minShots = word.section(QLatin1Char('='), 1).toLongLong();
            }
            model.setCheck(check);
        } else if (verb == QLatin1String("sortBy")) {
            const int sortColumn = BodyTableModel::columnOf(words.value(1));
            QVERIFY(sortColumn >= 0);
            proxy.sort(sortColumn,
                       words.value(2) == QLatin1String("desc") ? Qt::DescendingOrder
                                                               : Qt::AscendingOrder);
        } else if (verb == QLatin1String("show")) {
            columns.clear();
            for (const QString &name : words.value(1).split(QLatin1Char(',')))
                columns << (name == QLatin1String("grey") ? kGrey : BodyTableModel::columnOf(name));
        } else {
            QFAIL(qPrintable(QStringLiteral("no such event: ") + event));
        }
    }

    QStringList actual;
    for (int row = 0; row < proxy.rowCount(); ++row) {
        QStringList cells;
        for (int c : qAsConst(columns)) {
            // "grey": the row is shown as not current.
            cells << (c == kGrey ? QString::fromLatin1(
                          proxy.index(row, 0).data(Qt::ForegroundRole).isValid() ? "grey" : "")
                                 : proxy.index(row, c).data().toString());
        }
        actual << cells.join(QLatin1Char('|'));
    }
    QCOMPARE(actual, shown);
    const BodyTableModel::Counts n = model.counts();
    QCOMPARE(QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
                 .arg(n.bodies)
                 .arg(n.reading)
                 .arg(n.missing)
                 .arg(n.unknown)
                 .arg(n.failed)
                 .arg(n.unplugged)
                 .arg(model.attachedRows().size()),
             counts);
}

QTEST_MAIN(TestBodyTableModel)
#include "tst_bodytablemodel.moc"
