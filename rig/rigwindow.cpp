#include "rig/rigwindow.h"

#include "engine/bodycheck.h"
#include "engine/roster.h"
#include "engine/rowprinter.h"
#include "engine/workerfinder.h"
#include "rig/bodytablemodel.h"
#include "rig/brokerfeed.h"
#include "rig/hosttablemodel.h"
#include "ui_rigwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QSaveFile>
#include <QScrollBar>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QTranslator>

#include <algorithm>

namespace {

const QString kHiddenKey = QStringLiteral("table/hidden");
const QString kRosterKey = QStringLiteral("roster/path");
const QString kLanguageKey = QStringLiteral("language");
const QString kMinBatteryKey = QStringLiteral("check/min_battery");

// What a column that gives way keeps at the least; its header's words may be
// cut short too, on a small screen or with large fonts.
constexpr int kNarrowestColumn = 48;

constexpr int kRowsMeasured = 100;

// Closing waits this long at most for the workers, which kill their own
// stragglers well before.
constexpr int kCloseWaitMs = 10 * 1000;

BodyEngine::ReadPlan planOf(int timeoutMs)
{
    return { BodyField::readsOf(BodyTableModel::columns()), EngineDefaults::jobs, timeoutMs,
             false };
}

int locationColumn()
{
    return BodyTableModel::columnOf(QStringLiteral("location"));
}

int hostColumn()
{
    return BodyTableModel::columnOf(QLatin1String(BodyField::hostKey));
}

QIcon pngIcon(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QIcon(QPixmap::fromImage(reader.read()));
}

QByteArray rendered(RowPrinter::Format format, const QStringList &fields,
                    const QVector<BodyRow> &rows)
{
    return RowPrinter(format, nullptr, fields).render(rows);
}

// Writes all of it or none of it: an earlier file of that name is kept.
bool saveAll(const QString &path, const QByteArray &bytes, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

RigWindow::RigWindow(const QString &worker, QSettings *settings, int timeoutMs, QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::RigWindow>())
    , settings(settings)
    , engine(std::make_unique<BodyEngine>(worker, new WorkerFinder(worker, timeoutMs),
                                          planOf(timeoutMs)))
{
    setUp();
    watchEngine();
    engine->watch();
}

RigWindow::RigWindow(const BrokerClient::Settings &broker, const QString &topicPrefix,
                     QSettings *settings, QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::RigWindow>())
    , settings(settings)
{
    hostTable = new HostTableModel(this);
    setUp();
    feed = new BrokerFeed(broker, topicPrefix, table, hostTable, this);
    watchBroker();
}

void RigWindow::setUp()
{
    ui->setupUi(this);
    setWindowIcon(pngIcon(QStringLiteral(":/rig-icon.png")));
    translator = new QTranslator(this);

    table = new BodyTableModel(this);
    sorted = new QSortFilterProxyModel(this);
    sorted->setSourceModel(table);
    sorted->setSortRole(BodyTableModel::SortRole);
    sorted->setSortCaseSensitivity(Qt::CaseInsensitive);
    ui->bodyTable->setModel(sorted);
    ui->bodyTable->sortByColumn(locationColumn(), Qt::AscendingOrder);
    ui->bodyTable->horizontalHeader()->setSectionsMovable(false);
    ui->bodyTable->horizontalHeader()->setContextMenuPolicy(Qt::ActionsContextMenu);
    // Fitting the columns measures the rows in view and this many more, not
    // a thousand of them.
    ui->bodyTable->horizontalHeader()->setResizeContentsPrecision(kRowsMeasured);

    progressLabel = new QLabel(this);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));
    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("countLabel"));
    statusBar()->addWidget(progressLabel, 1);
    statusBar()->addPermanentWidget(countLabel);

    auto *languages = new QActionGroup(this);
    languages->addAction(ui->actionEnglish);
    languages->addAction(ui->actionChinese);

    // One checkable action per column, in the View menu and on the header;
    // the host's only over a broker.
    for (int column = 0; column < BodyTableModel::columns().size(); ++column) {
        auto *action = new QAction(this);
        action->setCheckable(true);
        action->setData(column);
        action->setVisible(column != hostColumn() || hostTable);
        connect(action, &QAction::toggled, this,
                [this, column](bool shown) { setColumnShown(column, shown); });
        ui->menuColumns->addAction(action);
        ui->bodyTable->horizontalHeader()->addAction(action);
    }

    if (hostTable) {
        auto *view = new QTableView(this);
        view->setObjectName(QStringLiteral("hostTable"));
        view->setModel(hostTable);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->verticalHeader()->hide();
        view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        view->setAlternatingRowColors(true);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // As wide as its columns: a host's state is read whole.
        const auto fit = [view] {
            view->setMinimumWidth(view->horizontalHeader()->length() + 2 * view->frameWidth()
                                  + view->verticalScrollBar()->sizeHint().width());
        };
        connect(view->horizontalHeader(), &QHeaderView::sectionResized, view, fit);
        hostDock = new QDockWidget(this);
        hostDock->setObjectName(QStringLiteral("hostDock"));
        hostDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
        hostDock->setWidget(view);
        addDockWidget(Qt::RightDockWidgetArea, hostDock);
    }

    connect(ui->actionOpenRoster, &QAction::triggered, this, &RigWindow::chooseRoster);
    connect(ui->actionSaveRoster, &QAction::triggered, this, &RigWindow::chooseRosterToSave);
    connect(ui->actionExport, &QAction::triggered, this, &RigWindow::chooseExport);
    connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(ui->actionCopy, &QAction::triggered, this, &RigWindow::copyRows);
    connect(ui->actionReadAgain, &QAction::triggered, this, &RigWindow::readAgain);
    connect(ui->actionSetClocks, &QAction::triggered, this, &RigWindow::setClocks);
    connect(ui->actionClearUnplugged, &QAction::triggered, this, [this] {
        table->clearUnplugged();
        showProgress();
    });
    connect(ui->actionListerOrder, &QAction::triggered, this,
            [this] { ui->bodyTable->sortByColumn(locationColumn(), Qt::AscendingOrder); });
    connect(ui->actionEnglish, &QAction::triggered, this, [this] { switchLanguage(false); });
    connect(ui->actionChinese, &QAction::triggered, this, [this] { switchLanguage(true); });

    // A counter wants to hear of a flat battery before the body goes out.
    BodyCheck check;
    check.minBattery = settings->value(kMinBatteryKey, 20).toInt();
    table->setCheck(check);

    const bool chinese = settings->value(kLanguageKey).toString() == QLatin1String("zh");
    switchLanguage(chinese);
    showColumns();

    // The last roster, as it was left; one that cannot be used any more says
    // so once the window shows.
    const QString lastRoster = settings->value(kRosterKey).toString();
    if (!lastRoster.isEmpty())
        QTimer::singleShot(0, this, [this, lastRoster] { openRoster(lastRoster); });
    retranslate();
}

void RigWindow::watchEngine()
{
    connect(engine.get(), &BodyEngine::bodyQueued, this, [this](const BodyRow &body) {
        if (table->counts().reading == 0)
            batchTotal = batchDone = 0;
        ++batchTotal;
        table->reading(body);
        showProgress();
    });
    connect(engine.get(), &BodyEngine::rowRead, this, &RigWindow::bodyRead);
    connect(engine.get(), &BodyEngine::unplugged, this, [this](const BodyRow &body) {
        table->unplugged(body);
        showProgress();
    });
    connect(engine.get(), &BodyEngine::lookFailed, this, &RigWindow::lookFailed);
    connect(engine.get(), &BodyEngine::lookRecovered, this, [this] {
        libraryError = EDS_ERR_OK;
        showProgress();
    });
}

void RigWindow::watchBroker()
{
    connect(feed, &BrokerFeed::bodyRead, this, [this](const BodyRow &row) {
        lastBody = row;
        // The labels follow a stream of rows; the columns are fitted once it
        // has stopped, so that they do not jump as rows come.
        if (!labelsLater.isActive())
            labelsLater.start();
        fitLater.start();
    });
    labelsLater.setSingleShot(true);
    labelsLater.setInterval(100);
    connect(&labelsLater, &QTimer::timeout, this, [this] {
        showLastBody();
        showProgress();
    });
    fitLater.setSingleShot(true);
    fitLater.setInterval(500);
    connect(&fitLater, &QTimer::timeout, this, &RigWindow::fitColumns);
    connect(feed, &BrokerFeed::complete, this, [this] {
        trouble = {};
        troubleBoxShown = false;
        showLastBody();
        showProgress();
        fitColumns();
    });
    connect(feed, &BrokerFeed::hostsChanged, this, &RigWindow::showProgress);
    connect(feed, &BrokerFeed::retrying, this, &RigWindow::brokerRetrying);
    connect(feed, &BrokerFeed::refused, this, &RigWindow::brokerRefused);
    connect(feed, &BrokerFeed::commandRefused, this,
            [this](const QString &host, const QString &reason) {
                tellCommands(tr("The broker refused the command to %1: %2").arg(host, reason));
            });
}

bool RigWindow::openBroker(QString &error)
{
    if (!feed || !feed->open(error))
        return false;
    showProgress();
    return true;
}

void RigWindow::brokerRetrying(const QString &reason, int delayMs)
{
    trouble = { Trouble::Kind::Retrying, reason, delayMs };
    showProgress();
    if (!troubleBoxShown)
        say(troubleText());
    troubleBoxShown = true;
}

void RigWindow::brokerRefused(const QString &reason)
{
    trouble = { Trouble::Kind::Refused, reason, 0 };
    showProgress();
    say(troubleText());
}

// In the language shown now.
QString RigWindow::troubleText() const
{
    switch (trouble.kind) {
    case Trouble::Kind::Retrying:
        return tr("The broker %1 cannot be reached (%2); trying again in %3 s. The table "
                  "shows the last rows heard.")
            .arg(feed->brokerName(), trouble.reason)
            .arg((trouble.delayMs + 999) / 1000);
    case Trouble::Kind::Refused:
        return tr("The broker %1 turned this window away (%2). Nothing more is tried; check "
                  "the user name and the password.")
            .arg(feed->brokerName(), trouble.reason);
    case Trouble::Kind::None:
        break;
    }
    return QString();
}

// Not a box that waits: the rows keep coming while it is up.
QMessageBox *RigWindow::say(const QString &text)
{
    if (closing)
        return nullptr;
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

// One box for what a press of Read Again or Set Clocks could not do, however
// many hosts tell of it; the status bar says the latest.
void RigWindow::tellCommands(const QString &text)
{
    statusBar()->showMessage(text, 15000);
    if (commandBox && commandBox->isVisible())
        commandBox->setText(commandBox->text() + QLatin1Char('\n') + text);
    else
        commandBox = say(text);
}

RigWindow::~RigWindow() = default;

void RigWindow::bodyRead(const BodyRow &row)
{
    ++batchDone;
    table->read(row);
    lastBody = row;
    showLastBody();
    showProgress();
    // Once a round of reads is over, so that the columns do not jump as rows come.
    if (table->counts().reading == 0)
        fitColumns();
}

// Each column as wide as what it shows; where that is wider than the table,
// the widest of the others give way, their words cut short, so that the
// place, the ID and the status, what a rig is checked by, show whole.
void RigWindow::fitColumns()
{
    QTableView *view = ui->bodyTable;
    QHeaderView *header = view->horizontalHeader();
    view->resizeColumnsToContents();
    const QStringList &columns = BodyTableModel::columns();
    const QStringList kept { QLatin1String(BodyField::hostKey), QStringLiteral("location"),
                             QStringLiteral("body_id"), QStringLiteral("check") };
    int excess = -view->viewport()->width();
    for (int column = 0; column < header->count(); ++column)
        excess += view->isColumnHidden(column) ? 0 : header->sectionSize(column);
    while (excess > 0) {
        int widest = -1;
        int room = 0;
        for (int column = 0; column < header->count(); ++column) {
            if (kept.contains(columns.value(column)) || view->isColumnHidden(column))
                continue;
            const int spare = header->sectionSize(column) - kNarrowestColumn;
            if (spare > room) {
                widest = column;
                room = spare;
            }
        }
        if (widest < 0)
            break;
        const int taken = std::min(excess, std::max(room / 2, 1));
        header->resizeSection(widest, header->sectionSize(widest) - taken);
        excess -= taken;
    }
    // Measuring gave the last column its own width; it fills the rest again.
    header->setStretchLastSection(false);
    header->setStretchLastSection(true);
}

void RigWindow::lookFailed(EdsError error)
{
    const bool first = libraryError == EDS_ERR_OK;
    libraryError = error;
    showProgress();
    // Not a box that waits: this comes from the finding worker's answer, which
    // must not be answered again from inside a nested event loop.
    if (first)
        say(tr("The camera library could not be started or could not list the cameras "
               "(error 0x%1). The window tries again at every look.")
                .arg(error, 0, 16));
}

void RigWindow::showProgress()
{
    const BodyTableModel::Counts counts = table->counts();
    if (feed) {
        if (trouble.kind != Trouble::Kind::None)
            progressLabel->setText(troubleText());
        else if (!feed->isComplete())
            progressLabel->setText(tr("Connecting to the broker %1…").arg(feed->brokerName()));
        else
            progressLabel->setText(tr("Hosts on the broker %1: %2, down: %3")
                                       .arg(feed->brokerName())
                                       .arg(hostTable->count())
                                       .arg(hostTable->downCount()));
    } else if (libraryError != EDS_ERR_OK) {
        progressLabel->setText(tr("The camera library is not available (error 0x%1); trying again…")
                                   .arg(libraryError, 0, 16));
    } else if (counts.reading > 0) {
        progressLabel->setText(tr("Reading %1 of %2 bodies…")
                                   .arg(std::min(batchDone + 1, batchTotal))
                                   .arg(batchTotal));
    } else {
        progressLabel->setText(tr("Watching for bodies"));
    }
    countLabel->setText(tr("Bodies: %1, missing: %2, unknown: %3, failed: %4")
                            .arg(counts.bodies)
                            .arg(counts.missing)
                            .arg(counts.unknown)
                            .arg(counts.failed));
}

// The last body's row as the model has it now, checked against the roster
// and worded in the language shown; a row cleared since leaves the label.
void RigWindow::showLastBody()
{
    if (!lastBody) {
        ui->lastBodyLabel->setText(tr("No body read yet"));
        return;
    }
    const int i = table->rowOf(*lastBody);
    if (i < 0)
        return;
    const BodyRow &row = table->rowAt(i);
    if (!row.wasRead()) {
        ui->lastBodyLabel->setText(tr("%1: %2").arg(
            placeOf(row),
            table->index(i, BodyTableModel::columnOf(QStringLiteral("check"))).data().toString()));
        return;
    }
    QString name = row.name;
    if (row.has(Finding::Kind::Unknown))
        name = tr("unknown body");
    ui->lastBodyLabel->setText(name.isEmpty() ? row.bodyId : tr("%1 — %2").arg(row.bodyId, name));
}

void RigWindow::retranslate()
{
    setWindowTitle(tr("Sarvolin Rig"));
    if (hostDock) {
        hostDock->setWindowTitle(tr("Hosts"));
        // What a screen reader calls the pane's table.
        hostDock->widget()->setAccessibleName(tr("Hosts"));
    }
    showLastBody();
    const QList<QAction *> columns = ui->menuColumns->actions();
    for (QAction *action : columns) {
        action->setText(
            table->headerData(action->data().toInt(), Qt::Horizontal, Qt::DisplayRole).toString());
    }
    showProgress();
    // The other language's words are as wide as they are.
    if (table->count() > 0 && table->counts().reading == 0)
        fitColumns();
}

void RigWindow::switchLanguage(bool chinese)
{
    // A catalogue that does not load leaves the texts in English.
    QCoreApplication::removeTranslator(translator);
    if (chinese && !translator->load(QStringLiteral(":/sarvolin-rig_zh.qm")))
        chinese = false;
    if (chinese || translator->load(QStringLiteral(":/sarvolin-rig_en.qm")))
        QCoreApplication::installTranslator(translator);
    ui->actionChinese->setChecked(chinese);
    ui->actionEnglish->setChecked(!chinese);
    settings->setValue(kLanguageKey, chinese ? QStringLiteral("zh") : QStringLiteral("en"));
}

void RigWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        table->retranslate();
        if (hostTable)
            hostTable->retranslate();
        retranslate();
    }
    QMainWindow::changeEvent(event);
}

void RigWindow::showColumns()
{
    const QStringList hidden
        = settings->value(kHiddenKey).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QStringList fields = BodyTableModel::columns();
    const QList<QAction *> columns = ui->menuColumns->actions();
    for (QAction *action : columns) {
        const int column = action->data().toInt();
        const bool shown = action->isVisible() && !hidden.contains(fields.value(column));
        action->setChecked(shown);
        ui->bodyTable->setColumnHidden(column, !shown);
    }
}

void RigWindow::setColumnShown(int column, bool shown)
{
    ui->bodyTable->setColumnHidden(column, !shown);
    // The columns this window offers as they are now; the others as stored.
    QStringList hidden
        = settings->value(kHiddenKey).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QStringList fields = BodyTableModel::columns();
    const QList<QAction *> offered = ui->menuColumns->actions();
    for (const QAction *action : offered) {
        if (!action->isVisible())
            continue;
        const int i = action->data().toInt();
        hidden.removeAll(fields.value(i));
        if (ui->bodyTable->isColumnHidden(i))
            hidden << fields.value(i);
    }
    // The field keys, as one text: an empty list would be written as "invalid".
    settings->setValue(kHiddenKey, hidden.join(QLatin1Char(',')));
}

void RigWindow::chooseRoster()
{
    const QString path
        = QFileDialog::getOpenFileName(this, tr("Open Roster"), QFileInfo(rosterPath).path(),
                                       tr("Rosters (*.csv);;All files (*)"));
    if (!path.isEmpty())
        openRoster(path);
}

bool RigWindow::openRoster(const QString &path)
{
    BodyCheck check = table->check();
    Roster roster;
    QString error;
    if (!roster.load(path, error)) {
        QMessageBox::warning(this, tr("Open Roster"),
                             tr("The roster cannot be used:\n%1").arg(error));
        return false;
    }
    check.roster = roster;
    table->setCheck(check);
    rosterPath = path;
    settings->setValue(kRosterKey, QFileInfo(path).absoluteFilePath());
    showLastBody();
    showProgress();
    return true;
}

void RigWindow::chooseRosterToSave()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save as Roster"), rosterPath,
                                                      tr("Rosters (*.csv)"));
    if (!path.isEmpty())
        saveRoster(path);
}

bool RigWindow::saveRoster(const QString &path)
{
    QStringList fields { QStringLiteral("port"), QStringLiteral("location"), QStringLiteral("name"),
                         QStringLiteral("body_id") };
    // Over a broker a place is a place on a host.
    if (feed)
        fields.prepend(QLatin1String(BodyField::hostKey));
    const QByteArray bytes
        = RowPrinter(RowPrinter::Format::Csv, nullptr, fields).render(table->attachedRows());
    QString error;
    if (!saveAll(path, bytes, error)) {
        QMessageBox::warning(this, tr("Save as Roster"),
                             tr("The roster could not be saved to %1:\n%2")
                                 .arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    // The bodies attached now are the rig from now on.
    return openRoster(path);
}

void RigWindow::chooseExport()
{
    QString filter;
    const QString path = QFileDialog::getSaveFileName(this, tr("Export"), QString(),
                                                      tr("CSV (*.csv);;JSON (*.json)"), &filter);
    if (!path.isEmpty())
        exportTable(path);
}

bool RigWindow::exportTable(const QString &path)
{
    const bool json = path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
    const QByteArray bytes = rendered(json ? RowPrinter::Format::Json : RowPrinter::Format::Csv,
                                      exportedFields(), table->rows());
    QString error;
    if (!saveAll(path, bytes, error)) {
        QMessageBox::warning(this, tr("Export"),
                             tr("The table could not be saved to %1:\n%2")
                                 .arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    statusBar()->showMessage(tr("Saved to %1").arg(QDir::toNativeSeparators(path)), 5000);
    return true;
}

// The port too, as a body that has no location is placed by it; the host
// only over a broker.
QStringList RigWindow::exportedFields() const
{
    QStringList fields = BodyTableModel::columns();
    if (!feed)
        fields.removeOne(QLatin1String(BodyField::hostKey));
    fields.insert(feed ? 1 : 0, QStringLiteral("port"));
    return fields;
}

void RigWindow::copyRows()
{
    QVector<BodyRow> rows;
    QModelIndexList selected = ui->bodyTable->selectionModel()->selectedRows();
    // In the order they are shown.
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    const QVector<BodyRow> all = table->rows();
    for (const QModelIndex &index : qAsConst(selected)) {
        const int row = sorted->mapToSource(index).row();
        if (row >= 0 && row < all.size())
            rows << all[row];
    }
    if (!rows.isEmpty())
        QGuiApplication::clipboard()->setText(
            QString::fromUtf8(rendered(RowPrinter::Format::Csv, exportedFields(), rows)));
}

void RigWindow::readAgain()
{
    if (feed)
        sendCommand(false);
    else
        engine->readAgain(false);
}

void RigWindow::setClocks()
{
    const int bodies = feed ? feed->onlineBodies() : engine->attached().size();
    if (bodies == 0) {
        QMessageBox::information(this, tr("Set Clocks"), tr("No body is attached."));
        return;
    }
    const QString question = feed
        ? tr("Set the clock of each of the %1 bodies on the hosts online to its host's time?")
              .arg(bodies)
        : tr("Set the clock of each of the %1 attached bodies to this computer's time?")
              .arg(bodies);
    const auto answer
        = QMessageBox::question(this, tr("Set Clocks"), question,
                                QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return;
    if (feed)
        sendCommand(true);
    else
        engine->readAgain(true);
}

// To every host online; those that take no commands are named, never passed
// over in silence.
void RigWindow::sendCommand(bool clocks)
{
    QStringList others;
    const QStringList sent = feed->send(
        clocks ? HostPayload::Command::SetClock : HostPayload::Command::ReadAgain, others);
    if (!others.isEmpty()) {
        tellCommands(tr("Not sent to %1: started without --accept-commands, it takes no "
                        "commands.",
                        nullptr, int(others.size()))
                         .arg(others.join(QStringLiteral(", "))));
    } else if (sent.isEmpty()) {
        statusBar()->showMessage(tr("No host is online."), 15000);
        return;
    }
    if (!sent.isEmpty() && others.isEmpty())
        statusBar()->showMessage(
            clocks ? tr("Set Clocks sent to %1.").arg(sent.join(QStringLiteral(", ")))
                   : tr("Read Again sent to %1.").arg(sent.join(QStringLiteral(", "))),
            15000);
}

// Every worker closes what it opened before the window goes.
void RigWindow::closeEvent(QCloseEvent *event)
{
    closing = true;
    if (feed) {
        feed->close();
        event->accept();
        return;
    }
    QEventLoop loop;
    connect(engine.get(), &BodyEngine::idle, &loop, &QEventLoop::quit);
    QTimer::singleShot(kCloseWaitMs, &loop, &QEventLoop::quit);
    progressLabel->setText(tr("Closing the sessions…"));
    engine->stop();
    if (!engine->isIdle())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    event->accept();
}
