// Renders the rig window on a simulated rig with a roster: a body missing,
// one moved, one unknown, a low battery and one that timed out, in English
// and in Chinese, to rig-en.png and rig-zh.png in the directory given.
#include "rig/bodytablemodel.h"
#include "rig/rigwindow.h"

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
    window.close();
    return en && zh ? 0 : 1;
}
