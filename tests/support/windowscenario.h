#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class Brindel;
class ModalAnswerer;
class QComboBox;
class QLineEdit;
class QPushButton;

// Drives a Brindel on the scriptable SDK through user actions and checks,
// after every action, what the window shows against what the camera and the
// file system went through. Problems are collected rather than asserted, so
// a caller can run thousands of schedules and report the ones that broke.
// The caller resets the scriptable SDK and scripts its faults beforehand.
class WindowScenario
{
public:
    enum class Action {
        Connect, // the connect button, whatever it reads
        SaveNew, // save into a new file
        SaveOver, // save over a longer file
        SaveMissing, // save into a folder that does not exist
        SaveCancel, // open the save dialog and cancel it
        ForceSave, // slot_save reached although the button may be disabled
        Chinese, // Home on the language box
        English, // End on the language box
        TypeId, // edit the ID field
        TypePath, // edit the path field
        Close, // close and destroy the window
    };

    // directory: an empty folder for the saves. expectedId: what a successful
    // read shows, null when no read can succeed.
    WindowScenario(const QString &directory, const QString &expectedId);
    ~WindowScenario();

    WindowScenario(const WindowScenario &) = delete;
    WindowScenario &operator=(const WindowScenario &) = delete;

    // With a healthy camera, a connect press in which every SDK call succeeded
    // must connect.
    void setCameraHealthy(bool healthy) { cameraHealthy = healthy; }

    void perform(Action action);

    const QStringList &problems() const { return found; }
    QString transcript() const { return lines.join(QLatin1Char('\n')); }
    static QString name(Action action);

private:
    void pressConnect();
    void save(Action action);
    void forceSave();
    void chooseLanguage(int index);
    void typeId();
    void typePath();
    void close();

    void checkWindow();
    void checkSdkDown(const QString &when);
    void checkNewViolations();
    void expectBox(int row, const QString &what);
    QString boxesSince(int first) const;
    void problem(const QString &text);

    QString directory;
    QString expectedId;
    bool cameraHealthy = true;

    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<Brindel> window;
    QPushButton *connectBtn = nullptr;
    QPushButton *saveBtn = nullptr;
    QLineEdit *idEdit = nullptr;
    QLineEdit *pathEdit = nullptr;
    QComboBox *languageBox = nullptr;

    // What the window should show, kept from the actions alone.
    int language = 1;
    bool connected = false;
    QString lastId; // last ID shown; typing into the ID field may bring it back
    QString idShown;
    QString filePath; // last answer of the save dialog, null after a cancel
    QString pathShown;

    int step = 0;
    int violationsSeen = 0;
    QStringList found;
    QStringList lines;
};
