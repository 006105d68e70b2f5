#pragma once

#include "camera/edsdk.h"
#include "engine/bodyengine.h"

#include <QMainWindow>
#include <QString>

#include <memory>
#include <optional>

class BodyTableModel;
class QLabel;
class QSettings;
class QSortFilterProxyModel;
class QTranslator;

namespace Ui {
class RigWindow;
}

// Every attached body in one live table: the engine finds and reads them in
// worker processes, this window only shows what it hands out, checks it
// against a roster and writes what the user asks for.
class RigWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `worker` is the lister's worker program; `settings` keeps the hidden
    // columns, the language and the last roster between runs.
    RigWindow(const QString &worker, QSettings *settings, int timeoutMs = EngineDefaults::timeoutMs,
              QWidget *parent = nullptr);
    ~RigWindow() override;

    // Each answers false, after telling the user in a box, where it failed.
    bool openRoster(const QString &path);
    bool saveRoster(const QString &path);
    bool exportTable(const QString &path);

    BodyTableModel *model() const { return table; }
    QSortFilterProxyModel *proxy() const { return sorted; }

public slots:
    void copyRows();
    void readAgain();
    void setClocks();
    void switchLanguage(bool chinese);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void chooseRoster();
    void chooseRosterToSave();
    void chooseExport();
    void bodyRead(const BodyRow &row);
    void lookFailed(EdsError error);
    void fitColumns();
    void showColumns();
    void setColumnShown(int column, bool shown);
    void showProgress();
    void showLastBody();
    void retranslate();

    std::unique_ptr<Ui::RigWindow> ui;
    QSettings *settings;
    BodyEngine engine;
    BodyTableModel *table = nullptr;
    QSortFilterProxyModel *sorted = nullptr;
    QTranslator *translator = nullptr;
    QLabel *progressLabel = nullptr;
    QLabel *countLabel = nullptr;
    QString rosterPath;
    std::optional<QString> lastPort; // of the last body read
    // Bodies handed to the workers since the table last had none being read.
    int batchTotal = 0;
    int batchDone = 0;
    EdsError libraryError = EDS_ERR_OK;
    bool closing = false;
};
