#include <QProcess>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

// The demo program started where there is no display at all, on the platforms
// the toolkit would pick from its environment and arguments.
class NoDisplayTest : public QObject
{
    Q_OBJECT

public:
    enum Outcome { Refused, Starts, ToolkitDecides }; // the last: our check stays out of the way
    Q_ENUM(Outcome)

private slots:
    void start_data();
    void start();
};

void NoDisplayTest::start_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QByteArray>("message"); // ours, when refused

    struct Row {
        const char *name, *arguments, *environment; // space-separated
        Outcome outcome;
        const char *message = "No display: DISPLAY is not set. Start the program from a "
                              "desktop session, or run it under Xvfb (xvfb-run).";
    };
    const Row rows[] = {
        { "default", "", "", Refused },
        { "-platform offscreen", "-platform offscreen", "", Starts },
        { "--platform offscreen", "--platform offscreen", "", Starts },
        { "xcb falling back", "", "QT_QPA_PLATFORM=xcb;offscreen", Starts },
        { "minimal", "", "QT_QPA_PLATFORM=minimal", Starts },
        { "-platform without a name", "-platform", "QT_QPA_PLATFORM=offscreen", Starts },
        { "argument over environment", "-platform xcb", "QT_QPA_PLATFORM=offscreen", Refused },
        { "title taking -platform", "-qwindowtitle -platform offscreen", "", Refused },
        { "xcb with arguments", "", "QT_QPA_PLATFORM=XCB:foo", Refused },
        { "-display", "-display :77", "", Refused,
          "No display: cannot connect to the X server at DISPLAY=:77." },
        { "wayland first", "", "QT_QPA_PLATFORM=wayland;xcb", ToolkitDecides },
        { "wayland session", "", "XDG_SESSION_TYPE=wayland", ToolkitDecides },
        // Debian's Qt takes Wayland on GNOME too.
        { "wayland session on GNOME", "", "XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME",
          ToolkitDecides },
    };
    for (const Row &row : rows) {
        QTest::newRow(row.name)
            << QString::fromLatin1(row.arguments).split(' ', Qt::SkipEmptyParts)
            << QString::fromLatin1(row.environment).split(' ', Qt::SkipEmptyParts) << row.outcome
            << QByteArray(row.message);
    }
}

void NoDisplayTest::start()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(Outcome, outcome);

    // Qt puts its runtime directory and caches under these.
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
                              "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "XDG_CONFIG_HOME",
                              "XDG_CACHE_HOME", "XDG_DATA_HOME" })
        env.remove(QString::fromLatin1(name));
    environment << "HOME=" + home.path() << "XDG_RUNTIME_DIR=" + home.path()
                << "QT_LOGGING_RULES=default.debug=true";
    for (const QString &setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));

    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.setWorkingDirectory(home.path());
    demo.setReadChannel(QProcess::StandardError);
    const auto reap = qScopeGuard([&demo] {
        demo.kill();
        demo.waitForFinished();
    });
    demo.start(QStringLiteral(SARVOLIN_DEMO), arguments);
    QVERIFY2(demo.waitForStarted(), qPrintable(demo.errorString()));

    // The window's constructor tells on the debug channel that it got this
    // far. A generous bound only against a hang.
    const QByteArray built = "language selector connected: true";
    QDeadlineTimer deadline(60000);
    QByteArray err;
    while (!err.contains(built) && demo.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        demo.waitForReadyRead(int(deadline.remainingTime()));
        err += demo.readAllStandardError();
    }
    err += demo.readAllStandardError();
    QVERIFY2(err.contains(built) || demo.state() == QProcess::NotRunning, err.constData());
    if (outcome == Refused) {
        QFETCH(QByteArray, message);
        QVERIFY2(demo.state() == QProcess::NotRunning && demo.exitStatus() == QProcess::NormalExit,
                 err.constData());
        QCOMPARE(demo.exitCode(), 1);
        QVERIFY2(err.contains(message + '\n'), err.constData());
    } else {
        QVERIFY2(outcome != Starts || err.contains(built), err.constData());
        QVERIFY2(!err.contains("No display:"), err.constData());
    }
}

QTEST_GUILESS_MAIN(NoDisplayTest)
#include "tst_nodisplay.moc"
