// Language switches of the real main window on the offscreen platform:
// Brindel::slot_switchLanguage alternately to Chinese (0) and English (1),
// timed on its own and together with the repaint that follows it.
#include "benchtable.h"

#include "app/brindel.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <vector>

namespace {

constexpr int kWarmupSwitches = 20;
constexpr int kSwitches = 1000; // half to each language

// The window's one start-up debug line would land in the table.
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

std::string row(const std::vector<double> &values)
{
    return BenchTable::cell("%.3f ms / %.3f ms", BenchTable::median(values),
                            BenchTable::mean(values));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);

    Brindel window;
    window.show();
    QCoreApplication::processEvents();

    std::vector<double> slotMs[2];
    std::vector<double> paintedMs[2];
    // A switch whose catalogue failed to load would do nothing, fast.
    const QString titles[2] = { QStringLiteral("萨沃林V1.1.0"), QStringLiteral("SarvolinV1.1.0") };
    QElapsedTimer timer;
    for (int i = 0; i < kWarmupSwitches + kSwitches; ++i) {
        const int index = i % 2 == 0 ? 0 : 1;
        timer.start();
        window.slot_switchLanguage(index);
        const qint64 slotNs = timer.nsecsElapsed();
        QCoreApplication::processEvents();
        const qint64 paintedNs = timer.nsecsElapsed();
        if (window.windowTitle() != titles[index]) {
            std::fprintf(stderr, "language switch: switch %d to index %d left the title \"%s\"\n",
                         i + 1, index, qPrintable(window.windowTitle()));
            return 1;
        }
        if (i < kWarmupSwitches)
            continue;
        slotMs[index].push_back(slotNs / 1e6);
        paintedMs[index].push_back(paintedNs / 1e6);
    }

    std::vector<double> allSlot = slotMs[0];
    allSlot.insert(allSlot.end(), slotMs[1].begin(), slotMs[1].end());
    std::vector<double> allPainted = paintedMs[0];
    allPainted.insert(allPainted.end(), paintedMs[1].begin(), paintedMs[1].end());

    BenchTable table({ "switch", "switches", "slot call, median / mean",
                       "slot call and repaint, median / mean" });
    table.addRow({ "to Chinese (index 0)", std::to_string(slotMs[0].size()), row(slotMs[0]),
                   row(paintedMs[0]) });
    table.addRow({ "to English (index 1)", std::to_string(slotMs[1].size()), row(slotMs[1]),
                   row(paintedMs[1]) });
    table.addRow({ "either", std::to_string(allSlot.size()), row(allSlot), row(allPainted) });
    table.print(
        BenchTable::cell("Language switch of the main window (Brindel::slot_switchLanguage, "
                         "offscreen platform), after %d warm-up switches",
                         kWarmupSwitches));
    return 0;
}
