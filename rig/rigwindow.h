#pragma once

#include "broker/brokerclient.h"
#include "camera/edsdk.h"
#include "engine/bodyengine.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class BodyTableModel;
class BrokerFeed;
class HostTableModel;
class QDockWidget;
class QLabel;
class QMessageBox;
class QSettings;
class QSortFilterProxyModel;
class QTranslator;

namespace Ui {
class RigWindow;
}

// Every attached body in one live table: the engine finds and reads them in
// worker processes, or every host that publishes to a broker hands them in;
// this window only shows them, checks them against a roster and writes what
// the user asks for.
class RigWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `worker` is the lister's worker program; `settings` keeps the hidden
    // columns, the language and the last roster between runs.
    RigWindow(const QString &worker, QSettings *settings, int timeoutMs = EngineDefaults::timeoutMs,
              QWidget *parent = nullptr);
    // Over a broker: every host's bodies, none of this computer's but through
    // an agent of its own. Connecting starts at openBroker().
    RigWindow(const BrokerClient::Settings &broker, const QString &topicPrefix, QSettings *settings,
              QWidget *parent = nullptr);
    ~RigWindow() override;

    // Each answers false, after telling the user in a box, where it failed.
    bool openRoster(const QString &path);
    bool saveRoster(const QString &path);
    bool exportTable(const QString &path);
    // False, with the reason, where the broker's settings cannot be used.
    bool openBroker(QString &error);

    BodyTableModel *model() const { return table; }
    HostTableModel *hosts() const { return hostTable; }
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
    void setUp();
    void watchEngine();
    void watchBroker();
    void brokerRetrying(const QString &reason, int delayMs);
    void brokerRefused(const QString &reason);
    QString troubleText() const;
    void tellCommands(const QString &text);
    QMessageBox *say(const QString &text);
    void sendCommand(bool clocks);
    QStringList exportedFields() const;
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
    std::unique_ptr<BodyEngine> engine; // or
    BrokerFeed *feed = nullptr;
    BodyTableModel *table = nullptr;
    HostTableModel *hostTable = nullptr;
    QSortFilterProxyModel *sorted = nullptr;
    QTranslator *translator = nullptr;
    QLabel *progressLabel = nullptr;
    QLabel *countLabel = nullptr;
    QString rosterPath;
    std::optional<BodyRow> lastBody; // its host and place
    // The broker's trouble as the status bar says it; a box says it once per outage.
    struct Trouble {
        enum class Kind { None, Retrying, Refused };
        Kind kind = Kind::None;
        QString reason = {};
        int delayMs = 0;
    };
    Trouble trouble;
    bool troubleBoxShown = false;
    QPointer<QMessageBox> commandBox;
    QDockWidget *hostDock = nullptr;
    QTimer labelsLater;
    QTimer fitLater;
    // Bodies handed to the workers since the table last had none being read.
    int batchTotal = 0;
    int batchDone = 0;
    EdsError libraryError = EDS_ERR_OK;
    bool closing = false;
};
