#pragma once

#include "ui/tovrak.h"

#include <QMainWindow>
#include <QString>

class CameraCannon;
class QIODevice;
class QTranslator;

// The program's only window: every user action is decided here.
class Brindel : public QMainWindow
{
    Q_OBJECT

public:
    explicit Brindel(QWidget *parent = nullptr);
    ~Brindel() override;

public slots:
    void slot_save();
    void slot_connect();
    void slot_switchLanguage(int index);
    void slot_dealIdLineEdit(const QString &text);
    void slot_dealFilepathLineEdit(const QString &text);

private:
    enum class ConnectOutcome { Connected, InitFailed, NoCamera, PrepareFailed, ReadFailed };

    ConnectOutcome connectAndRead();
    void resetConnection();
    bool installCatalogue(const QString &path);
    static bool writeIdFile(const QString &path, const QString &id);
    static bool streamId(QIODevice &device, const QString &id);

    Ui_Tovrak ui;
    QString filePath;
    QString bodyId;
    QTranslator *translator = nullptr;
    bool connectToggled = false;
    CameraCannon *camera = nullptr;
};
