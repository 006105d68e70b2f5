// The rig window as a counter uses it, on simulated bodies that come and go
// through a rig file, read by the demo lister's real workers.
#include "modalanswerer.h"
#include "rig/bodytablemodel.h"
#include "rig/rigwindow.h"

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

private:
    void plug(const QByteArray &rig);
    QString write(const QString &name, const QByteArray &text);
    QStringList shown(RigWindow &window) const;
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
QStringList TestRigWindow::shown(RigWindow &window) const
{
    QStringList rows;
    const QAbstractItemModel *model = window.proxy();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (const char *key : { "location", "name", "body_id", "check" })
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

QTEST_MAIN(TestRigWindow)
#include "tst_rigwindow.moc"
