// The rig window as a counter uses it, on simulated bodies that come and go
// through a rig file, read by the demo lister's real workers; and over a
// broker of the test's own, with hosts publishing to it.
#include "modalanswerer.h"
#include "rig/bodytablemodel.h"
#include "rig/hosttablemodel.h"
#include "rig/rigwindow.h"

#ifdef SARVOLIN_MOSQUITTO_PUB
#include "broker/hostpayload.h"
#include "broker/hosttopics.h"
#include "brokerprocess.h"
#endif

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestRigWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void counterSession();
    void libraryUnavailable();
    void overBroker();

private:
    void plug(const QByteArray &rig);
    QString write(const QString &name, const QByteArray &text);
    QStringList shown(RigWindow &window,
                      const QStringList &keys = { "location", "name", "body_id", "check" }) const;
    bool statusShowsWhole(RigWindow &window) const;
    QString leftOpen() const;

    std::unique_ptr<QTemporaryDir> dir;
};

void TestRigWindow::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    qputenv("SARVOLIN_SIMULATED_CAMERAS", "@" + dir->filePath(QStringLiteral("rig")).toUtf8());
    qputenv("SARVOLIN_SIMULATED_LOG", dir->filePath(QStringLiteral("log")).toUtf8());
    qputenv("SARVOLIN_SIMULATED_LATENCY_MS", "5");
}

void TestRigWindow::plug(const QByteArray &rig)
{
    write(QStringLiteral("rig"), rig);
}

QString TestRigWindow::write(const QString &name, const QByteArray &text)
{
    const QString path = dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// "PLACE|NAME|BODY ID|STATUS" per row, as the table shows them.
QStringList TestRigWindow::shown(RigWindow &window, const QStringList &keys) const
{
    QStringList rows;
    const QAbstractItemModel *model = window.proxy();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (const QString &key : keys)
            cells << model->index(row, BodyTableModel::columnOf(key)).data().toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// At the window's own size, every status fits in the table as it is shown.
bool TestRigWindow::statusShowsWhole(RigWindow &window) const
{
    const auto *view = window.findChild<QTableView *>();
    const int status = BodyTableModel::columnOf("check");
    const int needs = static_cast<const QAbstractItemView *>(view)->sizeHintForColumn(status);
    return view->columnWidth(status) >= needs
        && view->columnViewportPosition(status) + needs <= view->viewport()->width();
}

// A session or an SDK that some worker opened and never closed, but for
// those of a body that hangs.
QString TestRigWindow::leftOpen() const
{
    QFile file(dir->filePath(QStringLiteral("log")));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("no session log");
    QMap<QString, int> balance;
    QStringList hung;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.size() < 2)
            continue;
        const QString what = QString::fromUtf8(words[0] + ' ' + words.value(2, "SDK"));
        if (words[1] == "hang")
            hung << QString::fromUtf8(words[0]);
        else if (words[1] == "open" || words[1] == "initialize")
            ++balance[what];
        else if (words[1] == "close" || words[1] == "terminate")
            --balance[what];
    }
    for (auto it = balance.cbegin(); it != balance.cend(); ++it) {
        if (it.value() != 0 && !hung.contains(it.key().section(QLatin1Char(' '), 0, 0)))
            return it.key();
    }
    return QString();
}

void TestRigWindow::counterSession()
{
    const QString first = QStringLiteral("sim:001||083021004517|ok");
    const QString second = QStringLiteral("sim:002||083021004518|ok");
    ModalAnswerer answerer;
    QSettings settings(dir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    plug("ok");
    auto window
        = std::make_unique<RigWindow>(QStringLiteral(SARVOLIN_LIST_DEMO_WORKER), &settings, 1500);
    window->show();
    QTRY_COMPARE_WITH_TIMEOUT(shown(*window), QStringList { first }, 10000);
    // This computer's bodies: no host to show.
    QVERIFY(window->findChild<QTableView *>()->isColumnHidden(BodyTableModel::columnOf("host")));
    QVERIFY(window->findChild<QLabel *>(QStringLiteral("lastBodyLabel"))
                ->text()
                .contains(QLatin1String("083021004517")));

    // Plugged one after another: a body that hangs times out, the rest go on.
    plug("ok,ok,hang");
    QTRY_COMPARE_WITH_TIMEOUT(shown(*window).value(2), QStringLiteral("sim:003|||reading…"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(
        shown(*window), (QStringList { first, second, QStringLiteral("sim:003|||timed out") }),
        10000);
    QCOMPARE(window->model()->counts().failed, 1);
    QVERIFY(statusShowsWhole(*window));

    // Unplugged rows stay until cleared.
    plug("ok,-,-");
    QTRY_COMPARE_WITH_TIMEOUT(window->model()->counts().unplugged, 2, 10000);
    QCOMPARE(shown(*window).value(1), QStringLiteral("sim:002||083021004518|unplugged"));
    window->findChild<QAction *>(QStringLiteral("actionClearUnplugged"))->trigger();
    QCOMPARE(shown(*window), QStringList { first });

    // A roster that cannot be used is refused with its line, and changes nothing.
    const QString broken = write(QStringLiteral("broken.csv"), "body_id,name\n\"unclosed\n");
    QVERIFY(!window->openRoster(broken));
    QCOMPARE(answerer.boxes.size(), 1);
    QVERIFY2(answerer.boxes[0].text.contains(broken + QStringLiteral(":2")),
             qPrintable(answerer.boxes[0].text));
    QCOMPARE(shown(*window), QStringList { first });

    // A usable one names the bodies, tells those missing, and comes back at
    // the next start.
    const QString roster = write(QStringLiteral("roster.csv"),
                                 "body_id,location,name\n083021004517,sim:001,Alpha\n"
                                 "083021004599,sim:009,Omega\n");
    QVERIFY(window->openRoster(roster));
    const QStringList checked { QStringLiteral("sim:001|Alpha|083021004517|ok"),
                                QStringLiteral("sim:009|Omega|083021004599|missing") };
    QCOMPARE(shown(*window), checked);

    // Export: the lister's CSV; a place that cannot be written gets a box.
    QVERIFY(window->exportTable(dir->filePath(QStringLiteral("rig.csv"))));
    QFile exported(dir->filePath(QStringLiteral("rig.csv")));
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const QByteArray csv = exported.readAll();
    QVERIFY2(csv.startsWith("port,location,name,model,body_id,")
                 && csv.contains("\r\nsim:001,,Alpha,"),
             csv.constData());
    QVERIFY(csv.contains(",missing\r\n"));
    QVERIFY(!window->exportTable(dir->filePath(QStringLiteral("rig.csv/inside.json"))));
    QCOMPARE(answerer.boxes.size(), 2);

    // The language switches at run time, headers and statuses with it.
    window->switchLanguage(true);
    QCOMPARE(
        window->proxy()->headerData(BodyTableModel::columnOf("check"), Qt::Horizontal).toString(),
        QStringLiteral("状态"));
    QCOMPARE(shown(*window).value(1), QStringLiteral("sim:009|Omega|083021004599|缺失"));
    QVERIFY(statusShowsWhole(*window));
    window->switchLanguage(false);
    QCOMPARE(shown(*window), checked);

    // A hidden column stays hidden at the next start, with the roster.
    window->findChild<QMenu *>(QStringLiteral("menuColumns"))
        ->actions()
        .at(BodyTableModel::columnOf("lens"))
        ->trigger();
    window->close();
    QCOMPARE(leftOpen(), QString());
    window.reset();
    window
        = std::make_unique<RigWindow>(QStringLiteral(SARVOLIN_LIST_DEMO_WORKER), &settings, 1500);
    QTRY_COMPARE_WITH_TIMEOUT(shown(*window), checked, 10000);
    QVERIFY(window->findChild<QTableView *>()->isColumnHidden(BodyTableModel::columnOf("lens")));
    window->close();
    QVERIFY(answerer.unexpected.isEmpty());
}

// Told once in a box and kept in the status bar while every look fails.
void TestRigWindow::libraryUnavailable()
{
    ModalAnswerer answerer;
    QSettings settings(dir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    RigWindow window(dir->filePath(QStringLiteral("no-such-worker")), &settings);
    window.show();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.boxes.size(), 1, 10000);
    QVERIFY2(answerer.boxes[0].text.contains(QLatin1String("camera library")),
             qPrintable(answerer.boxes[0].text));
    QTest::qWait(3 * EngineDefaults::lookIntervalMs);
    QCOMPARE(answerer.boxes.size(), 1);
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("progressLabel"))
                ->text()
                .contains(QLatin1String("not available")));
}

#ifdef SARVOLIN_MOSQUITTO_PUB
namespace {

std::unique_ptr<BrokerClient> connectAs(const BrokerProcess &broker, const QString &user,
                                        const QString &password)
{
    BrokerClient::Settings settings;
    QString error;
    if (!BrokerUrl::parse(broker.url(user), settings.url, error))
        qFatal("%s", qPrintable(error));
    settings.password = password;
    auto client = std::make_unique<BrokerClient>(settings);
    if (!client->open(error))
        qFatal("%s", qPrintable(error));
    return client;
}

QByteArray online(bool commands)
{
    HostPayload::State state;
    state.kind = HostPayload::State::Kind::Online;
    state.since = QDateTime::currentDateTimeUtc();
    state.commands = commands;
    return HostPayload::encode(state);
}

QByteArray body(const char *port, const char *id)
{
    return QByteArray(R"({"port":")") + port + R"(","body_id":")" + id
        + R"(","model":"Simulated camera","battery":"100%"})";
}

QString statusLine(RigWindow &window)
{
    return window.findChild<QLabel *>(QStringLiteral("progressLabel"))->text();
}

} // namespace
#endif

// Two hosts, one taking commands, a port on both; a host lost; the broker
// gone and back; a viewer whose commands the rules refuse; a wrong password.
void TestRigWindow::overBroker()
{
#ifndef SARVOLIN_MOSQUITTO_PUB
    QSKIP("no mosquitto here");
#else
    const QString pc1 = QStringLiteral("camera-pc-1");
    const QString pc2 = QStringLiteral("camera-pc-2");
    BrokerProcess broker(dir->path(),
                         { pc1, pc2, QStringLiteral("operator"), QStringLiteral("viewer") });
    QVERIFY2(broker.start(), qPrintable(broker.errorString()));
    const HostTopics topics(QStringLiteral("sarvolin"));
    const auto host1 = connectAs(broker, pc1, BrokerProcess::password(pc1));
    const auto host2 = connectAs(broker, pc2, BrokerProcess::password(pc2));
    QTRY_VERIFY(host1->isConnected() && host2->isConnected());
    QStringList commands;
    connect(host1.get(), &BrokerClient::message, this,
            [&](const QString &, const QByteArray &payload) { commands << payload; });
    host1->subscribe({ topics.command(pc1) });
    QVERIFY(host1->publish(topics.state(pc1), online(true), true));
    QVERIFY(host1->publish(topics.body(pc1, "sim:002"), body("sim:002", "083021004518"), true));
    QVERIFY(host1->publish(topics.body(pc1, "sim:001"), body("sim:001", "083021004517"), true));
    QVERIFY(host2->publish(topics.state(pc2), online(false), true));
    QVERIFY(host2->publish(topics.body(pc2, "sim:001"), body("sim:001", "083021009999"), true));
    QTRY_COMPARE(host1->unacknowledged() + host2->unacknowledged(), 0);

    ModalAnswerer answerer;
    QSettings settings(dir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    const auto windowAs = [&](const QString &user, const QString &password) {
        BrokerClient::Settings where;
        QString error;
        if (!BrokerUrl::parse(broker.url(user), where.url, error))
            qFatal("%s", qPrintable(error));
        where.password = password;
        auto window = std::make_unique<RigWindow>(where, QStringLiteral("sarvolin"), &settings);
        if (!window->openBroker(error))
            qFatal("%s", qPrintable(error));
        window->show();
        return window;
    };
    auto window = windowAs(QStringLiteral("operator"), BrokerProcess::password("operator"));
    const QStringList keys { "host", "location", "body_id", "check" };
    const QStringList rows { "camera-pc-1|sim:001|083021004517|ok",
                             "camera-pc-1|sim:002|083021004518|ok",
                             "camera-pc-2|sim:001|083021009999|ok" };
    QTRY_COMPARE_WITH_TIMEOUT(shown(*window, keys), rows, 10000);
    QVERIFY(!window->findChild<QTableView *>()->isColumnHidden(BodyTableModel::columnOf("host")));
    QTRY_COMPARE(window->hosts()->count(), 2);
    QCOMPARE(window->hosts()->stateText(1), QStringLiteral("online"));

    // Read Again goes to the host that takes commands; the other is named.
    window->readAgain();
    QTRY_COMPARE(commands, QStringList { HostPayload::encode(HostPayload::Command::ReadAgain) });
    QTRY_COMPARE(answerer.boxes.size(), 1);
    QVERIFY2(answerer.boxes[0].text.contains(pc2)
                 && answerer.boxes[0].text.contains(QLatin1String("--accept-commands"))
                 && !answerer.boxes[0].text.contains(pc1),
             qPrintable(answerer.boxes[0].text));
    window->setClocks(); // confirmed
    QTRY_COMPARE(commands.value(1), QString(HostPayload::encode(HostPayload::Command::SetClock)));

    // A host lost: its rows stay, greyed, and say so, as does its line.
    QVERIFY(host2->publish(topics.state(pc2), R"({"state":"lost"})", true));
    QTRY_VERIFY(shown(*window).value(2).contains(QLatin1String("|host lost since ")));
    QVERIFY(window->proxy()->index(2, 0).data(Qt::ForegroundRole).isValid());
    QVERIFY(!window->proxy()->index(0, 0).data(Qt::ForegroundRole).isValid());
    QTRY_VERIFY(window->hosts()->stateText(1).startsWith(QLatin1String("lost since ")));

    // The export names each row's host.
    QVERIFY(window->exportTable(dir->filePath(QStringLiteral("rig.csv"))));
    QFile exported(dir->filePath(QStringLiteral("rig.csv")));
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const QByteArray csv = exported.readAll();
    QVERIFY2(csv.startsWith("host,port,location,") && csv.contains("\r\ncamera-pc-2,sim:001,"),
             csv.constData());

    // The broker gone: said once in a box, the rows kept as stale; back: fresh.
    const int boxes = answerer.boxes.size();
    QVERIFY(broker.stop());
    QTRY_VERIFY_WITH_TIMEOUT(statusLine(*window).contains(QLatin1String("cannot be reached")),
                             10000);
    QVERIFY2(shown(*window).value(0).endsWith(QLatin1String("|stale: ok")),
             qPrintable(shown(*window).value(0)));
    QTRY_COMPARE(answerer.boxes.size(), boxes + 1);
    QTest::qWait(2500); // a second try fails too, and is not boxed again
    QCOMPARE(answerer.boxes.size(), boxes + 1);
    QVERIFY2(broker.start(), qPrintable(broker.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(shown(*window, keys).value(0), rows.value(0), 40000);
    QTRY_VERIFY(statusLine(*window).contains(QLatin1String("down: 1")));
    window->close();

    // The rules let a viewer read, not command: the refusal is told.
    window = windowAs(QStringLiteral("viewer"), BrokerProcess::password("viewer"));
    QTRY_COMPARE_WITH_TIMEOUT(shown(*window, keys).size(), 3, 10000);
    answerer.boxes.clear();
    window->readAgain();
    QTRY_COMPARE(answerer.boxes.size(), 1);
    QVERIFY2(answerer.boxes[0].text.contains(QLatin1String("refused the command to camera-pc-1")),
             qPrintable(answerer.boxes[0].text));
    window->close();

    // A wrong password: told, and not tried again.
    window = windowAs(QStringLiteral("operator"), QStringLiteral("wrong"));
    QTRY_COMPARE(answerer.boxes.size(), 2);
    QVERIFY2(answerer.boxes[1].text.contains(
                 QLatin1String("turned this window away (refused the connection: ")),
             qPrintable(answerer.boxes[1].text));
    QVERIFY(statusLine(*window).contains(
        QLatin1String("turned this window away (refused the connection: ")));
    window->close();
    QVERIFY(answerer.unexpected.isEmpty());
#endif
}

QTEST_MAIN(TestRigWindow)
#include "tst_rigwindow.moc"
