#include "windowscenario.h"

#include "app/brindel.h"
#include "modalanswerer.h"
#include "support/scriptedsdk.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using ScriptedSdk::Call;
using ScriptedSdk::Fn;

namespace {

enum Language { Chinese = 0, English = 1 };

// The window's message table, in both languages.
enum Message { NotConnected, Saved, ConnectFailed, NoCamera, ReadFailed, SaveFailed };

struct Row {
    QMessageBox::Icon icon;
    const char *title[2]; // Chinese, English
    const char *text[2];
};

const Row kRows[] = {
    { QMessageBox::Warning,
      { "警告", "Warning" },
      { "未连接相机！请检查相机与电脑的连接状态！",
        "Camera not connected. Please check the connection between camera and computer." } },
    { QMessageBox::Information,
      { "成功", "Successful" },
      { "保存相机ID成功！", "Camera ID saved successfully." } },
    { QMessageBox::Critical,
      { "错误", "Error" },
      { "连接相机失败！请重新尝试!", "Camera connection failed. Please try again." } },
    { QMessageBox::Critical,
      { "错误", "Error" },
      { "未检测到相机！请检查相机与电脑的连接状态！",
        "Camera not detected. Please check the connection between camera and computer." } },
    { QMessageBox::Critical,
      { "错误", "Error" },
      { "读取相机ID失败！请重新尝试！", "Failed to read camera ID. Please try again." } },
    { QMessageBox::Critical,
      { "错误", "Error" },
      { "保存相机ID失败！请重新尝试！", "Failed to save camera ID. Please try again." } },
};

const char *const kConnectLabel[2] = { "连接并读取相机ID", "Connect and Read" };
const char *const kDisconnectLabel[2] = { "断开", "Disconnect" };
const char *const kTitle[2] = { "萨沃林V1.1.0", "SarvolinV1.1.0" };
const char *const kSaveLabel[2] = { "保存", "Save" };
const char *const kDialogTitle[2] = { "保存文件", "Save File" };

const QByteArray kOlderContent = "99999999999999999999999999999999\nan older second line\n";

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// How far a connect press got, told by the SDK calls that move it forward;
// teardown calls (termination, release, handler resets) belong to none.
enum Phase { NoPhase, InitPhase, OpenPhase, PreparePhase, ReadPhase };

Phase phaseOf(const Call &c)
{
    switch (c.fn) {
    case Fn::InitializeSDK:
        return InitPhase;
    case Fn::GetCameraList:
    case Fn::GetChildCount:
    case Fn::GetChildAtIndex:
    case Fn::OpenSession:
        return OpenPhase;
    case Fn::GetPropertyData:
        return c.propertyId == kEdsPropID_BodyIDEx ? ReadPhase : PreparePhase;
    case Fn::GetPropertySize:
    case Fn::SetPropertyData:
    case Fn::SetCapacity:
        return PreparePhase;
    case Fn::SetPropertyEventHandler:
    case Fn::SetObjectEventHandler:
    case Fn::SetCameraStateEventHandler:
        return c.handler ? PreparePhase : NoPhase;
    default:
        return NoPhase;
    }
}

// The SDK may refuse to shut down; once it refused the last attempt, the
// program has nothing left to try, and the SDK stays up with what it holds.
bool sdkRefusedLastTermination()
{
    const std::vector<Call> &calls = ScriptedSdk::calls();
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->fn == Fn::TerminateSDK)
            return it->result != EDS_ERR_OK;
        if (it->fn == Fn::InitializeSDK && it->result == EDS_ERR_OK)
            return false;
    }
    return false;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString quoted(const QByteArray &bytes)
{
    return QLatin1Char('"') + QString::fromLatin1(bytes.left(80).toPercentEncoding(" /:.-"))
        + QLatin1Char('"');
}

} // namespace

WindowScenario::WindowScenario(const QString &directory, const QString &expectedId)
    : directory(directory)
    , expectedId(expectedId)
    , answerer(new ModalAnswerer)
{
    answerer->setPollInterval(0);
    window.reset(new Brindel);
    window->show();
    connectBtn = window->findChild<QPushButton *>(QStringLiteral("connectBtn"));
    saveBtn = window->findChild<QPushButton *>(QStringLiteral("saveBtn"));
    idEdit = window->findChild<QLineEdit *>(QStringLiteral("IDsequen"));
    pathEdit = window->findChild<QLineEdit *>(QStringLiteral("filePathLine"));
    languageBox = window->findChild<QComboBox *>(QStringLiteral("LanguageCmbBx"));
    if (!connectBtn || !saveBtn || !idEdit || !pathEdit || !languageBox) {
        problem(QStringLiteral("the window lacks one of its widgets"));
        window.reset();
        return;
    }
    lines << QStringLiteral("start");
    checkWindow();
}

// The window goes first, while the answerer can still close what it leaves.
WindowScenario::~WindowScenario() = default;

QString WindowScenario::name(Action action)
{
    static const char *const names[]
        = { "connect", "save-new", "save-over", "save-missing", "save-cancel", "force-save",
            "chinese", "english",  "type-id",   "type-path",    "close" };
    return QString::fromLatin1(names[int(action)]);
}

void WindowScenario::problem(const QString &text)
{
    found << QStringLiteral("step %1: %2").arg(step).arg(text);
}

void WindowScenario::perform(Action action)
{
    if (!window)
        return;
    ++step;
    const int callsBefore = int(ScriptedSdk::calls().size());
    const int boxesBefore = answerer->boxes.size();
    const int dialogsBefore = answerer->fileDialogs.size();

    switch (action) {
    case Action::Connect:
        pressConnect();
        break;
    case Action::SaveNew:
    case Action::SaveOver:
    case Action::SaveMissing:
    case Action::SaveCancel:
        save(action);
        break;
    case Action::ForceSave:
        forceSave();
        break;
    case Action::Chinese:
        chooseLanguage(Chinese);
        break;
    case Action::English:
        chooseLanguage(English);
        break;
    case Action::TypeId:
        typeId();
        break;
    case Action::TypePath:
        typePath();
        break;
    case Action::Close:
        close();
        break;
    }

    QString line = QStringLiteral("%1 %2:").arg(step).arg(name(action));
    const int callsAfter = int(ScriptedSdk::calls().size());
    if (callsAfter > callsBefore) {
        line += QStringLiteral(" calls %1-%2").arg(callsBefore + 1).arg(callsAfter);
        for (int i = callsBefore; i < callsAfter; ++i) {
            const Call &c = ScriptedSdk::calls()[size_t(i)];
            if (c.result != EDS_ERR_OK)
                line += QStringLiteral(" [%1 %2]").arg(i + 1).arg(c.text());
        }
    }
    if (answerer->fileDialogs.size() > dialogsBefore)
        line += QStringLiteral(" dialog");
    line += boxesSince(boxesBefore);
    if (window)
        line += connected ? QStringLiteral(" -> connected") : QStringLiteral(" -> disconnected");
    lines << line;

    if (window)
        checkWindow();
}

QString WindowScenario::boxesSince(int first) const
{
    QString text;
    for (int i = first; i < answerer->boxes.size(); ++i)
        text += QStringLiteral(" box \"%1\"").arg(answerer->boxes[i].text);
    return text;
}

// Exactly one new box, and it is this row of the table in the current language.
void WindowScenario::expectBox(int row, const QString &what)
{
    const Row &r = kRows[row];
    const ModalAnswerer::Box &box = answerer->boxes.last();
    if (box.title != u(r.title[language]) || box.text != u(r.text[language]) || box.icon != r.icon
        || box.cursorOverridden) {
        problem(
            QStringLiteral("%1: expected box \"%2\" / \"%3\" (icon %4), got \"%5\" / \"%6\" "
                           "(icon %7%8)")
                .arg(what, u(r.title[language]), u(r.text[language]))
                .arg(int(r.icon))
                .arg(box.title, box.text)
                .arg(int(box.icon))
                .arg(box.cursorOverridden ? QStringLiteral(", wait cursor still on") : QString()));
    }
}

void WindowScenario::pressConnect()
{
    const int callsBefore = int(ScriptedSdk::calls().size());
    const int boxesBefore = answerer->boxes.size();
    QTest::mouseClick(connectBtn, Qt::LeftButton);
    const int newBoxes = answerer->boxes.size() - boxesBefore;

    if (connected) {
        if (newBoxes != 0)
            problem(QStringLiteral("a disconnect press showed%1").arg(boxesSince(boxesBefore)));
        connected = false;
        idShown.clear();
        pathShown.clear();
        return;
    }

    Phase furthest = NoPhase;
    bool allCallsOk = true;
    bool readOk = false;
    const std::vector<Call> &calls = ScriptedSdk::calls();
    for (size_t i = size_t(callsBefore); i < calls.size(); ++i) {
        furthest = std::max(furthest, phaseOf(calls[i]));
        allCallsOk = allCallsOk && calls[i].result == EDS_ERR_OK;
        if (phaseOf(calls[i]) == ReadPhase)
            readOk = calls[i].result == EDS_ERR_OK;
    }

    if (newBoxes > 1) {
        problem(
            QStringLiteral("one press, %1 boxes:%2").arg(newBoxes).arg(boxesSince(boxesBefore)));
    } else if (newBoxes == 0) {
        // The window claims a connection: the camera must have got all the way.
        if (furthest != ReadPhase || !readOk)
            problem(QStringLiteral("connected without reading the ID"));
        if (expectedId.isNull())
            problem(QStringLiteral("connected although no ID can be read"));
        if (ScriptedSdk::propertyValue(kEdsPropID_AEModeSelect) != kEdsAEMode_Manual
            || ScriptedSdk::propertyValue(kEdsPropID_SaveTo) != kEdsSaveTo_Host
            || ((ScriptedSdk::propertyValue(kEdsPropID_ImageQuality) >> 16) & 0xff) != 0x64)
            problem(QStringLiteral("connected, but the camera is not in the required state"));
        connected = true;
        lastId = expectedId;
        idShown = expectedId;
    } else {
        // The box names the step that failed.
        switch (furthest) {
        case NoPhase:
            problem(QStringLiteral("a failed connect press that never reached the SDK"));
            break;
        case InitPhase:
        case PreparePhase:
            expectBox(ConnectFailed, QStringLiteral("connect failed"));
            break;
        case OpenPhase:
            expectBox(NoCamera, QStringLiteral("no camera"));
            break;
        case ReadPhase:
            expectBox(ReadFailed, QStringLiteral("read failed"));
            if (readOk && !expectedId.isNull())
                problem(QStringLiteral("the ID was read but refused"));
            break;
        }
        if (cameraHealthy && allCallsOk)
            problem(QStringLiteral("failed although every SDK call succeeded"));
        connected = false;
        idShown.clear();
        pathShown.clear();
    }
}

void WindowScenario::save(Action action)
{
    const int boxesBefore = answerer->boxes.size();
    const int dialogsBefore = answerer->fileDialogs.size();
    const int questionsBefore = answerer->replaceQuestions;

    if (!connected) {
        // The button is disabled: nothing may happen.
        QTest::mouseClick(saveBtn, Qt::LeftButton);
        if (answerer->fileDialogs.size() != dialogsBefore || answerer->boxes.size() != boxesBefore)
            problem(QStringLiteral("the disabled save button did something:%1")
                        .arg(boxesSince(boxesBefore)));
        return;
    }

    QString path;
    switch (action) {
    case Action::SaveOver: {
        path = QDir(directory).filePath(QStringLiteral("over-%1.txt").arg(step));
        QFile older(path);
        if (!older.open(QIODevice::WriteOnly) || older.write(kOlderContent) != kOlderContent.size())
            problem(QStringLiteral("cannot prepare %1").arg(path));
        break;
    }
    case Action::SaveMissing:
        path = QDir(directory).filePath(QStringLiteral("missing-%1/id.txt").arg(step));
        break;
    case Action::SaveCancel:
        break;
    default:
        path = QDir(directory).filePath(QStringLiteral("id-%1.txt").arg(step));
        break;
    }
    answerer->queueFileAnswer(path);
    if (action == Action::ForceSave)
        QMetaObject::invokeMethod(window.get(), "slot_save");
    else
        QTest::mouseClick(saveBtn, Qt::LeftButton);

    if (answerer->fileDialogs.size() != dialogsBefore + 1) {
        problem(QStringLiteral("expected one save dialog, saw %1")
                    .arg(answerer->fileDialogs.size() - dialogsBefore));
        return;
    }
    if (answerer->fileDialogs.last().title != u(kDialogTitle[language]))
        problem(
            QStringLiteral("save dialog titled \"%1\"").arg(answerer->fileDialogs.last().title));

    const int newBoxes = answerer->boxes.size() - boxesBefore;
    if (action == Action::SaveCancel) {
        if (newBoxes != 0)
            problem(QStringLiteral("a cancelled save showed%1").arg(boxesSince(boxesBefore)));
        filePath = QString();
        return;
    }

    filePath = path;
    pathShown = path;
    if (newBoxes != 1) {
        problem(
            QStringLiteral("a save showed %1 boxes:%2").arg(newBoxes).arg(boxesSince(boxesBefore)));
        return;
    }
#ifdef Q_OS_WIN
    const QByteArray expected = expectedId.toUtf8() + "\r\n"; // text mode's line end
#else
    const QByteArray expected = expectedId.toUtf8() + '\n';
#endif
    const QByteArray written = contents(path);
    const ModalAnswerer::Box &box = answerer->boxes.last();
    if (box.text == u(kRows[Saved].text[language])) {
        if (written != expected)
            problem(QStringLiteral("success box, but the file holds %1 instead of %2")
                        .arg(quoted(written), quoted(expected)));
    }

    if (action == Action::SaveMissing) {
        expectBox(SaveFailed, QStringLiteral("save into a missing folder"));
        if (QFileInfo::exists(QFileInfo(path).path()))
            problem(QStringLiteral("a failed save created %1").arg(QFileInfo(path).path()));
        return;
    }
    expectBox(Saved, QStringLiteral("save"));
    if (action == Action::SaveOver && answerer->replaceQuestions != questionsBefore + 1)
        problem(QStringLiteral("saving over a file did not ask to replace it"));
}

void WindowScenario::forceSave()
{
    if (connected) {
        save(Action::ForceSave);
        return;
    }
    const int boxesBefore = answerer->boxes.size();
    const int dialogsBefore = answerer->fileDialogs.size();
    QMetaObject::invokeMethod(window.get(), "slot_save");
    if (answerer->fileDialogs.size() != dialogsBefore)
        problem(QStringLiteral("a save dialog opened while not connected"));
    if (answerer->boxes.size() != boxesBefore + 1)
        problem(QStringLiteral("a save while not connected showed%1").arg(boxesSince(boxesBefore)));
    else
        expectBox(NotConnected, QStringLiteral("save while not connected"));
}

// Home and End emit activated() only when they change the choice.
void WindowScenario::chooseLanguage(int index)
{
    const int boxesBefore = answerer->boxes.size();
    QTest::keyClick(languageBox, index == Chinese ? Qt::Key_Home : Qt::Key_End);
    language = index;
    if (answerer->boxes.size() != boxesBefore)
        problem(QStringLiteral("switching language showed%1").arg(boxesSince(boxesBefore)));
}

void WindowScenario::typeId()
{
    idEdit->setFocus();
    QTest::keyClick(idEdit, Qt::Key_End);
    QTest::keyClick(idEdit, Qt::Key_Backspace);
    QTest::keyClicks(idEdit, QStringLiteral("7x/"));
    if (connected)
        return; // the field must still show the ID
    // Disconnected, an edit brings back the ID last read, or nothing when the
    // last attempt failed at the read.
    const QString text = idEdit->text();
    if (!text.isEmpty() && text != lastId)
        problem(QStringLiteral("typing left \"%1\" in the ID field").arg(text));
    idShown = text;
}

void WindowScenario::typePath()
{
    pathEdit->setFocus();
    QTest::keyClick(pathEdit, Qt::Key_End);
    QTest::keyClick(pathEdit, Qt::Key_Backspace);
    QTest::keyClicks(pathEdit, QStringLiteral("q/"));
    if (connected) // disabled otherwise: nothing changes
        pathShown = filePath;
}

void WindowScenario::close()
{
    window->close();
    window.reset();
    connectBtn = saveBtn = nullptr;
    idEdit = pathEdit = nullptr;
    languageBox = nullptr;

    checkNewViolations();
    checkSdkDown(QStringLiteral("after the window closed"));
    if (!answerer->unexpected.isEmpty())
        problem(QStringLiteral("unexpected dialogs: ")
                + answerer->unexpected.join(QLatin1String("; ")));
    if (QApplication::overrideCursor())
        problem(QStringLiteral("a wait cursor outlived the window"));
    if (QApplication::activeModalWidget())
        problem(QStringLiteral("a modal dialog outlived the window"));
}

void WindowScenario::checkNewViolations()
{
    const QStringList violations = ScriptedSdk::violations();
    for (int i = violationsSeen; i < violations.size(); ++i)
        problem(QStringLiteral("SDK misuse: ") + violations[i]);
    violationsSeen = violations.size();
}

void WindowScenario::checkSdkDown(const QString &when)
{
    if (sdkRefusedLastTermination())
        return;
    if (ScriptedSdk::initialized())
        problem(QStringLiteral("SDK still initialised ") + when);
    if (ScriptedSdk::aliveReferences() != 0)
        problem(
            QStringLiteral("%1 references alive %2").arg(ScriptedSdk::aliveReferences()).arg(when));
}

void WindowScenario::checkWindow()
{
    checkNewViolations();

    const auto expect = [this](const QString &what, const QString &actual, const QString &wanted) {
        if (actual != wanted)
            problem(QStringLiteral("%1 is \"%2\", expected \"%3\"").arg(what, actual, wanted));
    };
    expect(QStringLiteral("title"), window->windowTitle(), u(kTitle[language]));
    expect(QStringLiteral("connect button"), connectBtn->text(),
           u(connected ? kDisconnectLabel[language] : kConnectLabel[language]));
    expect(QStringLiteral("save button"), saveBtn->text(), u(kSaveLabel[language]));
    expect(QStringLiteral("ID field"), idEdit->text(), idShown);
    expect(QStringLiteral("path field"), pathEdit->text(), pathShown);
    if (languageBox->currentIndex() != language)
        problem(QStringLiteral("language box at %1").arg(languageBox->currentIndex()));
    if (saveBtn->isEnabled() != connected || pathEdit->isEnabled() != connected)
        problem(QStringLiteral("save button %1, path field %2 while %3")
                    .arg(QLatin1String(saveBtn->isEnabled() ? "enabled" : "disabled"),
                         QLatin1String(pathEdit->isEnabled() ? "enabled" : "disabled"),
                         QLatin1String(connected ? "connected" : "disconnected")));
    if (QApplication::overrideCursor())
        problem(QStringLiteral("the wait cursor is still on"));
    if (!answerer->unexpected.isEmpty()) {
        problem(QStringLiteral("unexpected dialogs: ")
                + answerer->unexpected.join(QLatin1String("; ")));
        answerer->unexpected.clear();
    }

    if (connected) {
        if (!ScriptedSdk::initialized() || ScriptedSdk::aliveReferences() == 0)
            problem(QStringLiteral("connected, but the SDK holds no camera"));
    } else {
        checkSdkDown(QStringLiteral("while disconnected"));
    }
}
