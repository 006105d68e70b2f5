// The rig window on simulated bodies, offscreen, for bench/rig.sh:
//   --read N  ends (0) once N bodies of the environment's rig are read;
//   --stall   reads 32 bodies of a rig file, then unplugs them all, sorting
//             and scrolling the table as rows come, and prints the UI
//             thread's longest stall and 99th percentile gap in ms.
#include "rig/bodytablemodel.h"
#include "rig/rigwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char *argv[])
{
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
        std::fprintf(stderr, "usage: sarvolin-bench-rig --read BODIES | --stall\n");
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
    QTableView *view = window.findChild<QTableView *>();

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
    std::vector<double> gaps;
    QElapsedTimer clock;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        gaps.push_back(clock.nsecsElapsed() / 1e6);
        clock.start();
        check();
    });
    QTimer::singleShot(120 * 1000, &app, &QCoreApplication::quit);
    // From the event loop's start: building the window is start-up, and
    // the first look's answer cannot come before.
    clock.start();
    ticker.start(5);
    app.exec();
    ticker.stop();
    window.close();
    if (status != 0 || (stall && (!view || gaps.empty()))) {
        const BodyTableModel::Counts counts = model->counts();
        std::fprintf(stderr, "sarvolin-bench-rig: %d bodies, %d reading, %d failed, %d unplugged\n",
                     counts.bodies, counts.reading, counts.failed, counts.unplugged);
        return 1;
    }
    if (stall) {
        std::sort(gaps.begin(), gaps.end());
        std::printf("%.1f %.1f %zu %d\n", std::max(0.0, gaps.back() - 5),
                    gaps[gaps.size() * 99 / 100], gaps.size(), sorts);
    }
    return 0;
}
