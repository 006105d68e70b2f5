#include "rig/rigwindow.h"

#include "engine/bodycheck.h"
#include "engine/roster.h"
#include "engine/rowprinter.h"
#include "engine/workerfinder.h"
#include "rig/bodytablemodel.h"
#include "ui_rigwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QSaveFile>
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

QIcon pngIcon(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QIcon(QPixmap::fromImage(reader.read()));
}

QByteArray rendered(RowPrinter::Format format, const QVector<BodyRow> &rows)
{
    // The port too: a body that has no location is placed by it.
    return RowPrinter(format, nullptr,
                      QStringList { QStringLiteral("port") } + BodyTableModel::columns())
        .render(rows);
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
    , engine(worker, new WorkerFinder(worker, timeoutMs), planOf(timeoutMs))
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

    progressLabel = new QLabel(this);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));
    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("countLabel"));
    statusBar()->addWidget(progressLabel, 1);
    statusBar()->addPermanentWidget(countLabel);

    auto *languages = new QActionGroup(this);
    languages->addAction(ui->actionEnglish);
    languages->addAction(ui->actionChinese);

    // One checkable action per column, in the View menu and on the header.
    for (int column = 0; column < BodyTableModel::columns().size(); ++column) {
        auto *action = new QAction(this);
        action->setCheckable(true);
        action->setData(column);
        connect(action, &QAction::toggled, this,
                [this, column](bool shown) { setColumnShown(column, shown); });
        ui->menuColumns->addAction(action);
        ui->bodyTable->horizontalHeader()->addAction(action);
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

    connect(&engine, &BodyEngine::bodyQueued, this, [this](const BodyRow &body) {
        if (table->counts().reading == 0)
            batchTotal = batchDone = 0;
        ++batchTotal;
        table->reading(body);
        showProgress();
    });
    connect(&engine, &BodyEngine::rowRead, this, &RigWindow::bodyRead);
    connect(&engine, &BodyEngine::unplugged, this, [this](const BodyRow &body) {
        table->unplugged(body);
        showProgress();
    });
    connect(&engine, &BodyEngine::lookFailed, this, &RigWindow::lookFailed);
    connect(&engine, &BodyEngine::lookRecovered, this, [this] {
        libraryError = EDS_ERR_OK;
        showProgress();
    });

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
    engine.watch();
}

RigWindow::~RigWindow() = default;

void RigWindow::bodyRead(const BodyRow &row)
{
    ++batchDone;
    table->read(row);
    lastPort = row.port;
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
    const QStringList kept { QStringLiteral("location"), QStringLiteral("body_id"),
                             QStringLiteral("check") };
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
    if (first && !closing) {
        auto *box = new QMessageBox(
            QMessageBox::Warning, windowTitle(),
            tr("The camera library could not be started or could not list the cameras "
               "(error 0x%1). The window tries again at every look.")
                .arg(error, 0, 16),
            QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
}

void RigWindow::showProgress()
{
    const BodyTableModel::Counts counts = table->counts();
    if (libraryError != EDS_ERR_OK) {
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
    if (!lastPort) {
        ui->lastBodyLabel->setText(tr("No body read yet"));
        return;
    }
    int i = 0;
    while (i < table->count()
           && (table->rowAt(i).port != *lastPort
               || table->stateAt(i) == BodyTableModel::State::Missing))
        ++i;
    if (i == table->count())
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
        const bool shown = !hidden.contains(fields.value(column));
        action->setChecked(shown);
        ui->bodyTable->setColumnHidden(column, !shown);
    }
}

void RigWindow::setColumnShown(int column, bool shown)
{
    ui->bodyTable->setColumnHidden(column, !shown);
    QStringList hidden;
    const QStringList fields = BodyTableModel::columns();
    for (int i = 0; i < fields.size(); ++i) {
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
    const QByteArray bytes = RowPrinter(RowPrinter::Format::Csv, nullptr,
                                        { QStringLiteral("port"), QStringLiteral("location"),
                                          QStringLiteral("name"), QStringLiteral("body_id") })
                                 .render(table->attachedRows());
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
    const QByteArray bytes
        = rendered(json ? RowPrinter::Format::Json : RowPrinter::Format::Csv, table->rows());
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
            QString::fromUtf8(rendered(RowPrinter::Format::Csv, rows)));
}

void RigWindow::readAgain()
{
    engine.readAgain(false);
}

void RigWindow::setClocks()
{
    const int bodies = engine.attached().size();
    if (bodies == 0) {
        QMessageBox::information(this, tr("Set Clocks"), tr("No body is attached."));
        return;
    }
    const auto answer = QMessageBox::question(
        this, tr("Set Clocks"),
        tr("Set the clock of each of the %1 attached bodies to this computer's time?").arg(bodies),
        QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer == QMessageBox::Yes)
        engine.readAgain(true);
}

// Every worker closes what it opened before the window goes.
void RigWindow::closeEvent(QCloseEvent *event)
{
    closing = true;
    QEventLoop loop;
    connect(&engine, &BodyEngine::idle, &loop, &QEventLoop::quit);
    QTimer::singleShot(kCloseWaitMs, &loop, &QEventLoop::quit);
    progressLabel->setText(tr("Closing the sessions…"));
    engine.stop();
    if (!engine.isIdle())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    event->accept();
}
