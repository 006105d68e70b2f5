#include "support/scriptedsdk.h"
#include "windowscenario.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

// The window driven through whole user sequences while the SDK fails: every
// single call of the sequence in turn, and every pair of calls of the first
// connect/disconnect cycle. WindowScenario checks after every action that
// the window, the message boxes, the saved file and the SDK agree.

using Action = WindowScenario::Action;

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform warns about every dialog it shows.
void dropPlatformChatter(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text != QLatin1String("This plugin does not support propagateSizeHints()"))
        defaultHandler(type, context, text);
}

const QByteArray kId = "4242001337";

// Connect, use everything the window offers, disconnect, connect again and
// close while connected. Saving over a file and cancelling the dialog call no
// SDK function and are left to the window tests and the fuzzer: save dialogs
// are the slowest step of a run under the sanitizers.
const std::vector<Action> kWholeSequence = {
    Action::Connect,     Action::TypeId,    Action::SaveNew, Action::Chinese, Action::TypePath,
    Action::Connect,     Action::ForceSave, Action::TypeId,  Action::English, Action::Connect,
    Action::SaveMissing, Action::TypePath,  Action::Close,
};

// The first cycle ends with the second press; the third press and the close
// show whether the window recovered. Saves call no SDK function, so they are
// left to the whole sequence: a save dialog per pair would double the time.
const std::vector<Action> kCycleSequence = {
    Action::Connect, Action::TypeId,  Action::Chinese, Action::Connect,
    Action::Connect, Action::English, Action::Close,
};
constexpr size_t kCycleEnd = 4; // actions of the first cycle

struct Run {
    QStringList problems;
    QString transcript;
    std::vector<int> callsAfter; // SDK calls so far after each action
    bool faultsLanded = true;
};

} // namespace

class BrindelFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanRunsConnectTwice();
    void checksSeeAWrongId();
    void everySingleFault();
    void everyPairInFirstCycle();

private:
    Run run(const std::vector<Action> &actions, const std::vector<int> &faults,
            const QString &expectedId = QString::fromLatin1(kId));
    QString describe(const std::vector<int> &faults, const Run &r) const;

    QTemporaryDir temp;
    QStringList cleanTrace;
};

void BrindelFaultsTest::initTestCase()
{
    // Every window logs a line on construction; thousands of them are noise.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    defaultHandler = qInstallMessageHandler(dropPlatformChatter);
    QVERIFY(temp.isValid());
    // Save dialogs remember their state in the user's settings; keep it here.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.filePath(QStringLiteral("config"))));
}

Run BrindelFaultsTest::run(const std::vector<Action> &actions, const std::vector<int> &faults,
                           const QString &expectedId)
{
    ScriptedSdk::reset();
    ScriptedSdk::setBodyId(kId);
    for (int n : faults)
        ScriptedSdk::failCall(n);

    const QString dir = temp.filePath(QStringLiteral("run"));
    Run r;
    if (!QDir().mkpath(dir)) {
        r.problems << QStringLiteral("cannot make ") + dir;
        return r;
    }
    {
        WindowScenario scenario(dir, expectedId);
        for (Action action : actions) {
            scenario.perform(action);
            r.callsAfter.push_back(int(ScriptedSdk::calls().size()));
        }
        r.problems = scenario.problems();
        r.transcript = scenario.transcript();
    }
    for (int n : faults) {
        const auto &calls = ScriptedSdk::calls();
        r.faultsLanded
            = r.faultsLanded && n <= int(calls.size()) && calls[size_t(n - 1)].result != EDS_ERR_OK;
    }
    QDir(dir).removeRecursively();
    return r;
}

QString BrindelFaultsTest::describe(const std::vector<int> &faults, const Run &r) const
{
    QStringList where;
    for (int n : faults) {
        where << QStringLiteral("%1 (%2)").arg(n).arg(n <= cleanTrace.size() ? cleanTrace[n - 1]
                                                                             : QStringLiteral("?"));
    }
    return QStringLiteral("failing calls %1\n  %2\n%3")
        .arg(where.join(QStringLiteral(", ")), r.problems.join(QStringLiteral("\n  ")),
             r.transcript);
}

// Without faults both sequences pass every check and reach the states the
// sweeps start from; otherwise the sweeps below would prove little.
void BrindelFaultsTest::cleanRunsConnectTwice()
{
    Run whole = run(kWholeSequence, {});
    QVERIFY2(whole.problems.isEmpty(), qPrintable(describe({}, whole)));
    qInfo().noquote() << whole.transcript;
    // The save, the warning of the forced save and the missing folder.
    QCOMPARE(whole.transcript.count(QStringLiteral(" box ")), 3);
    QCOMPARE(whole.transcript.count(QStringLiteral("-> connected")), 8);

    Run cycle = run(kCycleSequence, {});
    QVERIFY2(cycle.problems.isEmpty(), qPrintable(describe({}, cycle)));
    QVERIFY(cycle.callsAfter[kCycleEnd - 1] > cycle.callsAfter[0]);
    QVERIFY(cycle.callsAfter[0] > 0);
}

// The checks must be able to fail: a window showing another ID than the
// camera's is caught.
void BrindelFaultsTest::checksSeeAWrongId()
{
    const Run r = run({ Action::Connect, Action::Close }, {}, QStringLiteral("4242001338"));
    QVERIFY(!r.problems.isEmpty());
    QVERIFY2(r.problems.first().contains(QStringLiteral("ID field")),
             qPrintable(r.problems.join(QLatin1Char('\n'))));
}

void BrindelFaultsTest::everySingleFault()
{
    Run clean = run(kWholeSequence, {});
    QVERIFY(clean.problems.isEmpty());
    cleanTrace = ScriptedSdk::trace();
    const int positions = clean.callsAfter.back();

    QElapsedTimer timer;
    timer.start();
    QStringList failures;
    int landed = 0;
    for (int n = 1; n <= positions; ++n) {
        const Run r = run(kWholeSequence, { n });
        landed += r.faultsLanded ? 1 : 0;
        if (!r.problems.isEmpty())
            failures << describe({ n }, r);
    }
    qInfo("%d single faults over the whole sequence, %d landed, %lld ms", positions, landed,
          timer.elapsed());
    QCOMPARE(landed, positions);
    QVERIFY2(failures.isEmpty(),
             qPrintable(QStringLiteral("%1 of %2 schedules broke; the first:\n")
                            .arg(failures.size())
                            .arg(positions)
                        + failures.mid(0, 3).join(QStringLiteral("\n\n"))));
}

void BrindelFaultsTest::everyPairInFirstCycle()
{
    Run clean = run(kCycleSequence, {});
    QVERIFY(clean.problems.isEmpty());
    cleanTrace = ScriptedSdk::trace();
    const int positions = clean.callsAfter[kCycleEnd - 1];

    QElapsedTimer timer;
    timer.start();
    QStringList failures;
    int schedules = 0;
    int landed = 0;
    for (int first = 1; first <= positions; ++first) {
        for (int second = first + 1; second <= positions; ++second) {
            const Run r = run(kCycleSequence, { first, second });
            ++schedules;
            landed += r.faultsLanded ? 1 : 0;
            if (!r.problems.isEmpty())
                failures << describe({ first, second }, r);
        }
    }
    qInfo("%d pairs over the %d calls of the first cycle, %d with both faults landed, %lld ms",
          schedules, positions, landed, timer.elapsed());
    QVERIFY(landed > 0);
    QVERIFY2(failures.isEmpty(),
             qPrintable(QStringLiteral("%1 of %2 schedules broke; the first:\n")
                            .arg(failures.size())
                            .arg(schedules)
                        + failures.mid(0, 3).join(QStringLiteral("\n\n"))));
}

QTEST_MAIN(BrindelFaultsTest)
#include "tst_brindelfaults.moc"
