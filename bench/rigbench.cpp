// The rig window offscreen, for bench/processes.sh and bench/broker.sh:
//   --read N             ends (0) once N bodies of the environment's rig are
//                        read;
//   --stall              reads 32 bodies of a rig file, then unplugs them all,
//                        sorting and scrolling the table as rows come;
//   --broker-stall URL   over the broker at URL: once the window has the
//                        broker's picture, 10 hosts publish 100 bodies each
//                        from a second process (--publish), and the table is
//                        sorted and scrolled as they come, until all 1,000
//                        are in and nothing has changed for a while;
//   --broker-opened URL  the same, but the broker holds all 1,000 before the
//                        window connects.
// The stalls print the UI thread's longest stall and 99th percentile gap in
// ms, the ticks of its 5 ms timer and the sorts.
#include "broker/brokerclient.h"
#include "broker/hostpublisher.h"
#include "broker/hosttopics.h"
#include "engine/bodyfield.h"
#include "rig/bodytablemodel.h"
#include "rig/brokerfeed.h"
#include "rig/hosttablemodel.h"
#include "rig/rigwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr int kTickMs = 5;
constexpr int kHosts = 10;
constexpr int kBodiesPerHost = 100;
// The window has settled once its rows and hosts are all in and nothing
// changed for this long: the host pane follows the rows a while after them.
constexpr int kQuietMs = 300;
constexpr int kGiveUpMs = 120 * 1000;

// The UI thread's gaps between ticks of a 5 ms timer.
struct Gaps {
    std::vector<double> ms;
    QElapsedTimer clock;
    QTimer ticker;

    template <typename Tick> void start(Tick tick)
    {
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [this, tick] {
            ms.push_back(clock.nsecsElapsed() / 1e6);
            clock.start();
            tick();
        });
        clock.start();
        ticker.start(kTickMs);
    }
    void restart()
    {
        ms.clear();
        clock.start();
    }
    // The longest less the timer's own interval, the 99th percentile, the ticks.
    void print(int sorts)
    {
        std::sort(ms.begin(), ms.end());
        std::printf("%.1f %.1f %zu %d\n", std::max(0.0, ms.back() - kTickMs),
                    ms[ms.size() * 99 / 100], ms.size(), sorts);
    }
};

QString hostName(int host)
{
    return QStringLiteral("host%1").arg(host, 2, 10, QLatin1Char('0'));
}

// A body as an agent reading every field publishes it, with an ID of its own.
BodyRow bodyOf(int host, int socket)
{
    BodyRow row;
    row.port = QStringLiteral("usb:001,%1").arg(socket + 2, 3, 10, QLatin1Char('0'));
    row.location = QStringLiteral("1-%1.%2").arg(socket / 10 + 1).arg(socket % 10 + 1);
    row.model = QStringLiteral("Simulated camera");
    row.bodyId = QString::number(qint64(host) * 1000 + socket + 1).rightJustified(12, '0');
    row.battery = QStringLiteral("%1%").arg(40 + socket % 60);
    row.batteryPercent = 40 + socket % 60;
    row.shots = 900 + socket;
    row.lens = QStringLiteral("24-70mm f/2.8");
    row.firmware = QStringLiteral("1.0.%1").arg(host);
    row.owner = QStringLiteral("Studio %1").arg(host);
    row.shutterCount = 10000 + 37 * socket;
    row.clock = QStringLiteral("2024-05-01T12:00:%1").arg(socket % 60, 2, 10, QLatin1Char('0'));
    row.clockOffsetS = socket % 3;
    return row;
}

bool brokerSettings(const QString &url, BrokerClient::Settings &settings)
{
    QString error;
    if (BrokerUrl::parse(url, settings.url, error))
        return true;
    std::fprintf(stderr, "sarvolin-bench-rig: %s\n", qPrintable(error));
    return false;
}

// --publish URL PREFIX: once a line comes on stdin, every host's state and
// bodies, retained, as agents publish them at their connection; ends (0)
// once the broker has taken them all.
int publish(int argc, char *argv[], const QString &url, const QString &prefix)
{
    QCoreApplication app(argc, argv);
    BrokerClient::Settings settings;
    if (!brokerSettings(url, settings))
        return 2;
    // Published only when the window is listening, so that all of it is news.
    char line[8];
    if (!std::fgets(line, sizeof line, stdin))
        return 1;
    const HostTopics topics(prefix);
    std::vector<std::unique_ptr<BrokerClient>> clients;
    std::vector<std::unique_ptr<HostPublisher>> publishers;
    int closed = 0;
    const auto fail = [&](const QString &reason) {
        std::fprintf(stderr, "sarvolin-bench-rig --publish: %s\n", qPrintable(reason));
        app.exit(1);
    };
    for (int host = 1; host <= kHosts; ++host) {
        clients.push_back(std::make_unique<BrokerClient>(settings));
        BrokerClient *client = clients.back().get();
        publishers.push_back(std::make_unique<HostPublisher>(
            client, topics, hostName(host), BodyField::keys(), QStringLiteral("bench"), false));
        // Kept until the connection, which publishes them all.
        for (int socket = 0; socket < kBodiesPerHost; ++socket)
            publishers.back()->put(bodyOf(host, socket));
        QObject::connect(client, &BrokerClient::acknowledged, client, [client] {
            if (client->unacknowledged() == 0)
                client->close();
        });
        QObject::connect(client, &BrokerClient::closed, &app, [&] {
            if (++closed == kHosts)
                app.quit();
        });
        QObject::connect(client, &BrokerClient::retrying, &app,
                         [fail](const QString &reason, int) { fail(reason); });
        QObject::connect(client, &BrokerClient::refused, &app, fail);
        QString error;
        if (!client->open(error)) {
            fail(error);
            return 1;
        }
    }
    QTimer::singleShot(kGiveUpMs, &app,
                       [fail] { fail(QStringLiteral("the broker took too long")); });
    return app.exec();
}

// --broker-stall URL, or --broker-opened URL where `retained`.
int brokerStall(int argc, char *argv[], const QString &url, bool retained)
{
    BrokerClient::Settings broker;
    QTemporaryDir dir;
    if (!dir.isValid() || !brokerSettings(url, broker))
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A prefix of this run's own: nothing retained from an earlier run comes in.
    const QString prefix
        = QStringLiteral("sarvolin-bench-%1").arg(QCoreApplication::applicationPid());
    // Started now, as starting a process takes the UI thread a while.
    QProcess publisher;
    publisher.setProcessChannelMode(QProcess::ForwardedChannels);
    publisher.start(QCoreApplication::applicationFilePath(),
                    { QStringLiteral("--publish"), url, prefix });
    if (retained) {
        publisher.write("go\n");
        if (!publisher.waitForFinished(kGiveUpMs)
            || publisher.exitStatus() != QProcess::NormalExit) {
            std::fprintf(stderr, "sarvolin-bench-rig: the publisher: %s\n",
                         qPrintable(publisher.errorString()));
            return 1;
        }
        if (publisher.exitCode() != 0) {
            std::fprintf(stderr, "sarvolin-bench-rig: the publisher ended with %d\n",
                         publisher.exitCode());
            return 1;
        }
    }

    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    RigWindow window(broker, prefix, &settings);
    QString error;
    if (!window.openBroker(error)) {
        std::fprintf(stderr, "sarvolin-bench-rig: the broker %s: %s\n",
                     qPrintable(broker.url.shown()), qPrintable(error));
        return 1;
    }
    window.resize(1180, 420);
    window.show();
    BodyTableModel *model = window.model();
    HostTableModel *hosts = window.hosts();
    auto *feed = window.findChild<BrokerFeed *>();
    auto *view = window.findChild<QTableView *>(QStringLiteral("bodyTable"));
    if (!feed || !view) {
        std::fprintf(stderr, "sarvolin-bench-rig: the window has no broker feed or body table\n");
        return 1;
    }

    int status = 1;
    const auto fail = [&](const QString &reason) {
        std::fprintf(stderr, "sarvolin-bench-rig: %s\n", qPrintable(reason));
        status = 1;
        app.quit();
    };
    QObject::connect(feed, &BrokerFeed::retrying, &app,
                     [fail](const QString &reason, int) { fail(reason); });
    QObject::connect(feed, &BrokerFeed::refused, &app, fail);
    QObject::connect(&publisher, &QProcess::errorOccurred, &app,
                     [&] { fail(QStringLiteral("the publisher: ") + publisher.errorString()); });
    QObject::connect(&publisher, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &app,
                     [&](int code, QProcess::ExitStatus how) {
                         if (code != 0 || how != QProcess::NormalExit)
                             fail(QStringLiteral("the publisher ended with %1").arg(code));
                     });

    // A user sorting by another column and scrolling as the rows change,
    // once for each turn of the event loop: a sort for each of a thousand
    // rows would time the user, not the window.
    int sorts = 0;
    bool sortAsked = false;
    const auto userSorts = [&] {
        sortAsked = false;
        ++sorts;
        view->sortByColumn(sorts % BodyTableModel::columns().size(), Qt::SortOrder(sorts % 2));
        sorts % 2 ? view->scrollToBottom() : view->scrollToTop();
    };
    QElapsedTimer quiet;
    quiet.start();
    const auto changed = [&] {
        quiet.start();
        if (!std::exchange(sortAsked, true))
            QTimer::singleShot(0, view, userSorts);
    };
    QObject::connect(model, &QAbstractItemModel::rowsInserted, view, changed);
    QObject::connect(model, &QAbstractItemModel::dataChanged, view, changed);
    QObject::connect(hosts, &QAbstractItemModel::modelReset, view, [&] { quiet.start(); });
    QObject::connect(hosts, &QAbstractItemModel::dataChanged, view, [&] { quiet.start(); });

    // From the broker's first picture, empty, on; from the event loop's
    // start where the broker holds them all already.
    Gaps gaps;
    bool listening = retained;
    QObject::connect(feed, &BrokerFeed::complete, &app, [&] {
        if (std::exchange(listening, true))
            return;
        gaps.restart();
        quiet.start();
        publisher.write("go\n");
    });
    gaps.start([&] {
        const BodyTableModel::Counts counts = model->counts();
        if (listening && counts.bodies == kHosts * kBodiesPerHost && counts.reading == 0
            && hosts->count() == kHosts && hosts->downCount() == 0 && quiet.elapsed() >= kQuietMs) {
            status = counts.failed == 0 && counts.unplugged == 0 && counts.unknown == 0 ? 0 : 1;
            app.quit();
        }
    });
    QTimer::singleShot(kGiveUpMs, &app, [&] { fail(QStringLiteral("gave up waiting")); });
    app.exec();
    gaps.ticker.stop();
    window.close();
    publisher.closeWriteChannel();
    if (!publisher.waitForFinished(5000))
        publisher.kill();
    publisher.waitForFinished();
    if (status != 0 || gaps.ms.empty()) {
        const BodyTableModel::Counts counts = model->counts();
        std::fprintf(stderr,
                     "sarvolin-bench-rig: %d bodies, %d reading, %d failed, %d unplugged, "
                     "%d unknown, %d hosts, %d down\n",
                     counts.bodies, counts.reading, counts.failed, counts.unplugged, counts.unknown,
                     hosts->count(), hosts->downCount());
        return 1;
    }
    gaps.print(sorts);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3
        && (!std::strcmp(argv[1], "--broker-stall") || !std::strcmp(argv[1], "--broker-opened")))
        return brokerStall(argc, argv, QString::fromLocal8Bit(argv[2]),
                           !std::strcmp(argv[1], "--broker-opened"));
    if (argc == 4 && !std::strcmp(argv[1], "--publish"))
        return publish(argc, argv, QString::fromLocal8Bit(argv[2]),
                       QString::fromLocal8Bit(argv[3]));
    const bool stall = argc == 2 && std::strcmp(argv[1], "--stall") == 0;
    const int bodies = stall                           ? 32
        : argc == 3 && !std::strcmp(argv[1], "--read") ? std::atoi(argv[2])
                                                       : 0;
    QTemporaryDir dir;
    const QString rig = dir.filePath(QStringLiteral("rig"));
    // Renamed into place: a worker never reads half of it.
    const auto writeRig = [&](const QByteArray &text) {
        QSaveFile file(rig);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
    };
    if (bodies <= 0 || !dir.isValid() || (stall && !writeRig(QByteArray::number(bodies)))) {
        std::fprintf(stderr,
                     "usage: sarvolin-bench-rig --read BODIES | --stall | --broker-stall URL | "
                     "--broker-opened URL\n");
        return 2;
    }
    if (stall)
        qputenv("SARVOLIN_SIMULATED_CAMERAS", "@" + rig.toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    RigWindow window(QStringLiteral(SARVOLIN_LIST_DEMO_WORKER), &settings, 30 * 1000);
    window.resize(1180, 420);
    window.show();
    BodyTableModel *model = window.model();
    auto *view = window.findChild<QTableView *>(QStringLiteral("bodyTable"));

    // A user sorting by another column and scrolling as each row changes.
    int sorts = 0;
    const auto userSorts = [&] {
        ++sorts;
        view->sortByColumn(sorts % BodyTableModel::columns().size(), Qt::SortOrder(sorts % 2));
        sorts % 2 ? view->scrollToBottom() : view->scrollToTop();
    };
    if (stall && view) {
        QObject::connect(model, &QAbstractItemModel::rowsInserted, view, userSorts,
                         Qt::QueuedConnection);
        QObject::connect(model, &QAbstractItemModel::dataChanged, view, userSorts,
                         Qt::QueuedConnection);
    }

    bool unplugging = false;
    int status = 1;
    const auto check = [&] {
        const BodyTableModel::Counts counts = model->counts();
        if (!unplugging && counts.bodies == bodies && counts.reading == 0) {
            unplugging = true;
            const bool ok = counts.failed == 0 && counts.unplugged == 0;
            if (!ok || !stall || !writeRig("0")) {
                status = ok && !stall ? 0 : 1;
                app.quit();
            }
        } else if (unplugging && counts.unplugged == bodies) {
            status = 0;
            app.quit();
        }
    };
    // Also at each row, so that --read ends as the last one comes.
    QObject::connect(model, &QAbstractItemModel::dataChanged, &app, check);
    Gaps gaps;
    QTimer::singleShot(kGiveUpMs, &app, &QCoreApplication::quit);
    // From the event loop's start: building the window is start-up, and
    // the first look's answer cannot come before.
    gaps.start(check);
    app.exec();
    gaps.ticker.stop();
    window.close();
    if (status != 0 || (stall && (!view || gaps.ms.empty()))) {
        const BodyTableModel::Counts counts = model->counts();
        std::fprintf(stderr, "sarvolin-bench-rig: %d bodies, %d reading, %d failed, %d unplugged\n",
                     counts.bodies, counts.reading, counts.failed, counts.unplugged);
        return 1;
    }
    if (stall)
        gaps.print(sorts);
    return 0;
}
