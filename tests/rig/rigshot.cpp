// Renders the rig window on a simulated rig with a roster: a body missing,
// one moved, one unknown, a low battery and one that timed out, in English
// and in Chinese, to rig-en.png and rig-zh.png in the directory given; and,
// where mosquitto is installed, over a broker of its own with three hosts'
// agents, one of them lost, to rig-broker-en.png and rig-broker-zh.png.
#include "rig/bodytablemodel.h"
#include "rig/hosttablemodel.h"
#include "rig/rigwindow.h"

#ifdef SARVOLIN_MOSQUITTO_PUB
#include "brokerprocess.h"

#include <QProcess>

#include <csignal>
#include <memory>
#include <vector>
#endif

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

bool save(QWidget &window, const QString &file)
{
    QCoreApplication::processEvents();
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

#ifdef SARVOLIN_MOSQUITTO_PUB
// Three computers' agents, the demo lister publishing simulated bodies; the
// third killed, as a computer that drops off.
bool shootBroker(const QDir &out, const QString &work, QSettings &settings)
{
    const QStringList hosts { "camera-pc-1", "camera-pc-2", "camera-pc-3" };
    BrokerProcess broker(work, hosts + QStringList { "viewer" });
    if (!broker.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(broker.errorString()));
        return false;
    }
    const QStringList cameras { "ok,ok,low-battery", "ok,drifted", "ok,ok" };
    std::vector<std::unique_ptr<QProcess>> agents;
    for (int i = 0; i < hosts.size(); ++i) {
        auto agent = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("SARVOLIN_SIMULATED_CAMERAS", cameras[i]);
        environment.insert(
            "SARVOLIN_SIMULATED_FIRST_ID",
            QStringLiteral("%1").arg(83021004517 + 100 * i, 12, 10, QLatin1Char('0')));
        environment.insert("SARVOLIN_MQTT_PASSWORD", BrokerProcess::password(hosts[i]));
        agent->setProcessEnvironment(environment);
        agent->setStandardOutputFile(QProcess::nullDevice());
        agent->start(QStringLiteral(SARVOLIN_LIST_DEMO),
                     { "--publish", broker.url(hosts[i]), "--host-name", hosts[i] });
        agents.push_back(std::move(agent));
    }
    settings.remove(QStringLiteral("roster/path"));
    BrokerClient::Settings where;
    QString error;
    BrokerUrl::parse(broker.url(QStringLiteral("viewer")), where.url, error);
    where.password = BrokerProcess::password(QStringLiteral("viewer"));
    RigWindow window(where, QStringLiteral("sarvolin"), &settings);
    window.resize(1440, 420);
    window.show();
    bool ok = window.openBroker(error)
        && QTest::qWaitFor([&] { return window.model()->counts().bodies == 7; }, 20000);
    if (ok) {
        ::kill(pid_t(agents.back()->processId()), SIGKILL);
        ok = QTest::qWaitFor([&] { return window.hosts()->downCount() == 1; }, 10000);
        QTest::qWait(1000); // the table settles and the columns fit
    }
    if (!ok)
        std::fprintf(stderr, "the three hosts were not shown: %s\n", qPrintable(error));
    const bool en = ok && save(window, out.filePath(QStringLiteral("rig-broker-en.png")));
    window.switchLanguage(true);
    const bool zh = ok && save(window, out.filePath(QStringLiteral("rig-broker-zh.png")));
    window.switchLanguage(false);
    window.close();
    for (const auto &agent : agents) {
        agent->terminate();
        agent->waitForFinished(10000);
    }
    return en && zh;
}
#endif

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir dir;
    const QString rosterPath = dir.filePath(QStringLiteral("roster.csv"));
    QFile roster(rosterPath);
    const QByteArray text = "body_id,location,name\n083021004517,sim:001,Alpha\n"
                            "083021004518,sim:002,Bravo\n083021004519,sim:003,Charlie\n"
                            "083021004520,sim:004,Delta\n083021004522,sim:005,Echo\n"
                            "083021004530,sim:014,Foxtrot\n";
    if (!dir.isValid() || !roster.open(QIODevice::WriteOnly) || roster.write(text) != text.size()) {
        std::fprintf(stderr, "cannot write the roster\n");
        return 1;
    }
    roster.close();
    // Socket 5 holds a body of socket 6: moved; socket 7 holds one nobody knows.
    qputenv("SARVOLIN_SIMULATED_CAMERAS", "ok,ok,low-battery,hang,-,drifted,ok");
    qputenv("SARVOLIN_SIMULATED_LATENCY_MS", "5");

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("roster/path"), rosterPath);
    RigWindow window(QStringLiteral(SARVOLIN_LIST_DEMO_WORKER), &settings, 1000);
    window.resize(1440, 420);
    window.show();
    const bool read = QTest::qWaitFor(
        [&] {
            const BodyTableModel::Counts counts = window.model()->counts();
            return counts.bodies == 6 && counts.reading == 0 && counts.failed == 1;
        },
        20000);
    if (!read) {
        std::fprintf(stderr, "the simulated rig was not read\n");
        return 1;
    }
    const bool en = save(window, out.filePath(QStringLiteral("rig-en.png")));
    window.switchLanguage(true);
    const bool zh = save(window, out.filePath(QStringLiteral("rig-zh.png")));
    window.switchLanguage(false);
    window.close();
#ifdef SARVOLIN_MOSQUITTO_PUB
    if (!shootBroker(out, dir.path(), settings))
        return 1;
#endif
    return en && zh ? 0 : 1;
}
