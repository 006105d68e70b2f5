#include "app/brindel.h"
#include "camera/cameracannon.h"
#include "modalanswerer.h"
#include "support/scriptedsdk.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <memory>

using ScriptedSdk::Fn;

namespace {

const QByteArray kId = "4242001337";
// The file is written in text mode: one line end, as the system writes it.
#ifdef Q_OS_WIN
const QByteArray kLineEnd = "\r\n";
#else
const QByteArray kLineEnd = "\n";
#endif
const QString kIdText = QString::fromLatin1(kId);

enum Scenario {
    InitFails,
    NoCamera,
    PrepareFails,
    ReadFails,
    EmptyId,
    NotConnected,
    Saved,
    SaveFails
};
enum Language { Chinese = 0, English = 1 };
enum Stage { StartUp, Connected, Disconnected, SavedOnce };

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

#ifdef Q_OS_UNIX
bool isCharacterDevice(const char *path, dev_t *rdev)
{
    struct stat st = {};
    if (::stat(path, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    *rdev = st.st_rdev;
    return true;
}
#endif

// Only a disconnect takes the camera-state handler away.
bool disconnectRan()
{
    for (const ScriptedSdk::Call &c : ScriptedSdk::callsOf(Fn::SetCameraStateEventHandler)) {
        if (c.handler == 0)
            return true;
    }
    return false;
}

} // namespace

class BrindelTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startUp();
    void metaObject();
    void messageBoxes_data();
    void messageBoxes();
    void connectAndDisconnect();
    void failedAttemptRecovers_data();
    void failedAttemptRecovers();
    void editGuards_data();
    void editGuards();
    void languageSwitch_data();
    void languageSwitch();
    void captions_data();
    void captions();
    void saveWritesExactly_data();
    void saveWritesExactly();
    void saveThroughLinkOrPipe_data();
    void saveThroughLinkOrPipe();
    void saveFailures_data();
    void saveFailures();
    void cancelledDialogKeepsPath();
    void closingWhileConnectedEndsSession();

private:
    void pressConnect() { QTest::mouseClick(connectBtn, Qt::LeftButton); }
    void pressSave() { QTest::mouseClick(saveBtn, Qt::LeftButton); }
    void openWindow();
    void chooseLanguage(int index);
    void saveTo(const QString &path);
    void expectSaveFails(const QString &path);
    int bodyIdReadCall();
    void run(Scenario scenario);
    void restoreCamera();

    QTemporaryDir settingsDir;
    QFont startFont;
    std::unique_ptr<QTemporaryDir> temp;
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<Brindel> window;
    QPushButton *connectBtn = nullptr;
    QPushButton *saveBtn = nullptr;
    QLineEdit *idEdit = nullptr;
    QLineEdit *pathEdit = nullptr;
    QComboBox *languageBox = nullptr;
};

// Save dialogs remember their state in the user's settings; keep it here.
void BrindelTest::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsDir.path()));
    startFont = QApplication::font();
}

void BrindelTest::init()
{
    ScriptedSdk::reset();
    ScriptedSdk::setBodyId(kId);
    temp.reset(new QTemporaryDir);
    QVERIFY(temp->isValid());
    answerer.reset(new ModalAnswerer);
    openWindow();
}

void BrindelTest::openWindow()
{
    window.reset(new Brindel);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    connectBtn = window->findChild<QPushButton *>(QStringLiteral("connectBtn"));
    saveBtn = window->findChild<QPushButton *>(QStringLiteral("saveBtn"));
    idEdit = window->findChild<QLineEdit *>(QStringLiteral("IDsequen"));
    pathEdit = window->findChild<QLineEdit *>(QStringLiteral("filePathLine"));
    languageBox = window->findChild<QComboBox *>(QStringLiteral("LanguageCmbBx"));
    QVERIFY(connectBtn && saveBtn && idEdit && pathEdit && languageBox);
}

// Whatever a test did, destroying the window must leave the SDK down, every
// reference given back, no dialog unanswered and no wait cursor behind.
void BrindelTest::cleanup()
{
    window.reset();
    QApplication::setFont(startFont);
    const QStringList unexpected = answerer->unexpected;
    answerer.reset();
    temp.reset();

    QCOMPARE(unexpected, QStringList());
    QCOMPARE(ScriptedSdk::violations(), QStringList());
    QCOMPARE(ScriptedSdk::aliveReferences(), 0);
    QVERIFY(!ScriptedSdk::initialized());
    QVERIFY(!QApplication::overrideCursor());
}

// Home and End on the combo box are what a keyboard user presses; both emit
// activated(int) as a mouse choice does.
void BrindelTest::chooseLanguage(int index)
{
    QTest::keyClick(languageBox, index == Chinese ? Qt::Key_Home : Qt::Key_End);
}

void BrindelTest::saveTo(const QString &path)
{
    answerer->queueFileAnswer(path);
    pressSave();
}

// The number of the SDK call that reads the body ID in a connect press from
// a fresh world, found by going through the same steps once.
int BrindelTest::bodyIdReadCall()
{
    int number = 0;
    {
        CameraCannon probe;
        int count = 0;
        QString id;
        probe.initSdk();
        probe.openFirstCamera(count);
        probe.prepareCamera(0);
        probe.readBodyId(id);
        const auto &calls = ScriptedSdk::calls();
        for (size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].fn == Fn::GetPropertyData && calls[i].propertyId == kEdsPropID_BodyIDEx)
                number = int(i) + 1;
        }
        probe.disconnectCamera();
    }
    ScriptedSdk::reset();
    ScriptedSdk::setBodyId(kId);
    return number;
}

void BrindelTest::run(Scenario scenario)
{
    switch (scenario) {
    case InitFails:
        ScriptedSdk::script(Fn::InitializeSDK, { EDS_ERR_INTERNAL_ERROR });
        pressConnect();
        break;
    case NoCamera:
        ScriptedSdk::setCameraCount(0);
        pressConnect();
        break;
    case PrepareFails:
        ScriptedSdk::setWritesStick(kEdsPropID_AEModeSelect, false);
        pressConnect();
        break;
    case ReadFails: {
        const int readCall = bodyIdReadCall();
        QVERIFY(readCall > 0);
        ScriptedSdk::failCall(readCall);
        pressConnect();
        break;
    }
    case EmptyId:
        ScriptedSdk::setBodyId(QByteArray());
        pressConnect();
        break;
    case NotConnected:
        // An ID is held but the camera is gone; the button is disabled then,
        // so the slot is reached the only way left.
        pressConnect();
        pressConnect();
        QVERIFY(QMetaObject::invokeMethod(window.get(), "slot_save"));
        QCOMPARE(answerer->fileDialogs.size(), 0);
        break;
    case Saved:
        pressConnect();
        saveTo(temp->filePath(QStringLiteral("id.txt")));
        break;
    case SaveFails:
        pressConnect();
        saveTo(temp->filePath(QStringLiteral("missing/id.txt")));
        break;
    }
}

void BrindelTest::restoreCamera()
{
    ScriptedSdk::clearLog();
    ScriptedSdk::setCameraCount(1);
    ScriptedSdk::setWritesStick(kEdsPropID_AEModeSelect, true);
    ScriptedSdk::setBodyId(kId);
}

void BrindelTest::startUp()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("SarvolinV1.1.0"));
    QCOMPARE(connectBtn->text(), QStringLiteral("Connect and Read"));
    QCOMPARE(saveBtn->text(), QStringLiteral("Save"));
    QVERIFY(!saveBtn->isEnabled());
    QVERIFY(!pathEdit->isEnabled());
    QVERIFY(idEdit->isEnabled());
    QVERIFY(idEdit->text().isEmpty());
    QVERIFY(pathEdit->text().isEmpty());
    QCOMPARE(languageBox->count(), 2);
    QCOMPARE(languageBox->currentIndex(), 1);

    QCOMPARE(window->size(), QSize(460, 180));
    QCOMPARE(window->minimumSize(), QSize(460, 180));
    QCOMPARE(window->maximumSize(), QSize(460, 180));
    QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);
    const QIcon icon = window->windowIcon();
    QCOMPARE(icon.availableSizes(), QList<QSize>() << QSize(19, 16));
    QCOMPARE(
        icon.pixmap(QSize(19, 16)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
        QImage(QStringLiteral(":/carema_icon_normal.png"))
            .convertToFormat(QImage::Format_ARGB32_Premultiplied));

    // Building the window does not touch the camera.
    QCOMPARE(ScriptedSdk::trace(), QStringList());

    // The disabled save button does nothing.
    pressSave();
    QCOMPARE(answerer->boxes.size(), 0);
    QCOMPARE(answerer->fileDialogs.size(), 0);
}

void BrindelTest::metaObject()
{
    const QMetaObject *mo = window->metaObject();
    QCOMPARE(mo->className(), "Brindel");
    QCOMPARE(mo->propertyCount(), mo->propertyOffset());

    QStringList slotSignatures;
    for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
        const QMetaMethod method = mo->method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        slotSignatures << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(slotSignatures,
             QStringList({ "slot_save()", "slot_connect()", "slot_switchLanguage(int)",
                           "slot_dealIdLineEdit(QString)", "slot_dealFilepathLineEdit(QString)" }));
}

void BrindelTest::messageBoxes_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    struct Row {
        const char *name;
        Scenario scenario;
        QMessageBox::Icon icon;
        const char *chineseTitle;
        const char *chineseText;
        const char *englishTitle;
        const char *englishText;
    };
    const Row rows[] = {
        { "SDK initialisation fails", InitFails, QMessageBox::Critical, "错误",
          "连接相机失败！请重新尝试!", "Error", "Camera connection failed. Please try again." },
        { "no camera", NoCamera, QMessageBox::Critical, "错误",
          "未检测到相机！请检查相机与电脑的连接状态！", "Error",
          "Camera not detected. Please check the connection between camera and computer." },
        { "preparation fails", PrepareFails, QMessageBox::Critical, "错误",
          "连接相机失败！请重新尝试!", "Error", "Camera connection failed. Please try again." },
        { "ID read fails", ReadFails, QMessageBox::Critical, "错误", "读取相机ID失败！请重新尝试！",
          "Error", "Failed to read camera ID. Please try again." },
        { "ID is empty", EmptyId, QMessageBox::Critical, "错误", "读取相机ID失败！请重新尝试！",
          "Error", "Failed to read camera ID. Please try again." },
        { "save while not connected", NotConnected, QMessageBox::Warning, "警告",
          "未连接相机！请检查相机与电脑的连接状态！", "Warning",
          "Camera not connected. Please check the connection between camera and computer." },
        { "ID saved", Saved, QMessageBox::Information, "成功", "保存相机ID成功！", "Successful",
          "Camera ID saved successfully." },
        { "save fails", SaveFails, QMessageBox::Critical, "错误", "保存相机ID失败！请重新尝试！",
          "Error", "Failed to save camera ID. Please try again." },
    };
    for (const Row &row : rows) {
        QTest::addRow("%s, English", row.name) << int(row.scenario) << int(English) << int(row.icon)
                                               << u(row.englishTitle) << u(row.englishText);
        QTest::addRow("%s, Chinese", row.name) << int(row.scenario) << int(Chinese) << int(row.icon)
                                               << u(row.chineseTitle) << u(row.chineseText);
    }
}

void BrindelTest::messageBoxes()
{
    QFETCH(int, scenario);
    QFETCH(int, language);
    QFETCH(int, icon);
    QFETCH(QString, title);
    QFETCH(QString, text);

    if (language == Chinese) {
        chooseLanguage(Chinese);
        QCOMPARE(window->windowTitle(), u("萨沃林V1.1.0"));
    }
    run(Scenario(scenario));
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(answerer->boxes.size(), 1);
    const ModalAnswerer::Box box = answerer->boxes.first();
    QCOMPARE(box.title, title);
    QCOMPARE(box.text, text);
    QCOMPARE(int(box.icon), icon);
    // The wait cursor of a connect press is gone before any box shows.
    QVERIFY(!box.cursorOverridden);
    QVERIFY(!QApplication::overrideCursor());
}

// The state table: connected, disconnected, and connected again.
void BrindelTest::connectAndDisconnect()
{
    pressConnect();
    QCOMPARE(answerer->boxes.size(), 0);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(idEdit->text(), kIdText);
    QCOMPARE(connectBtn->text(), QStringLiteral("Disconnect"));
    QVERIFY(saveBtn->isEnabled());
    QVERIFY(pathEdit->isEnabled());
    QVERIFY(ScriptedSdk::initialized());

    const QString path = temp->filePath(QStringLiteral("id.txt"));
    saveTo(path);
    QCOMPARE(pathEdit->text(), path);
    answerer->clear();

    ScriptedSdk::clearLog();
    pressConnect();
    QCOMPARE(answerer->boxes.size(), 0);
    QCOMPARE(connectBtn->text(), QStringLiteral("Connect and Read"));
    QVERIFY(idEdit->text().isEmpty());
    QVERIFY(pathEdit->text().isEmpty());
    QVERIFY(!saveBtn->isEnabled());
    QVERIFY(!pathEdit->isEnabled());
    QCOMPARE(ScriptedSdk::callsOf(Fn::CloseSession).size(), size_t(1));
    QVERIFY(!ScriptedSdk::initialized());
    QCOMPARE(ScriptedSdk::aliveReferences(), 0);

    pressConnect();
    QCOMPARE(answerer->boxes.size(), 0);
    QCOMPARE(idEdit->text(), kIdText);
    QCOMPARE(connectBtn->text(), QStringLiteral("Disconnect"));
    QVERIFY(saveBtn->isEnabled());
}

void BrindelTest::failedAttemptRecovers_data()
{
    QTest::addColumn<int>("scenario");
    QTest::newRow("SDK initialisation fails") << int(InitFails);
    QTest::newRow("no camera") << int(NoCamera);
    QTest::newRow("preparation fails") << int(PrepareFails);
    QTest::newRow("ID read fails") << int(ReadFails);
    QTest::newRow("ID is empty") << int(EmptyId);
}

// After the error box the window is disconnected, so the next press connects.
void BrindelTest::failedAttemptRecovers()
{
    QFETCH(int, scenario);

    answerer->progress = [] { return int(ScriptedSdk::calls().size()); };
    run(Scenario(scenario));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(answerer->boxes.size(), 1);
    // The camera is let go before the box waits for the user.
    QCOMPARE(ScriptedSdk::trace().mid(answerer->boxes.first().progress), QStringList());
    QCOMPARE(connectBtn->text(), QStringLiteral("Connect and Read"));
    QVERIFY(idEdit->text().isEmpty());
    QVERIFY(!saveBtn->isEnabled());
    QVERIFY(!pathEdit->isEnabled());
    QVERIFY(disconnectRan());
    QVERIFY(!ScriptedSdk::initialized());
    QCOMPARE(ScriptedSdk::aliveReferences(), 0);
    QCOMPARE(ScriptedSdk::violations(), QStringList());

    restoreCamera();
    pressConnect();
    QCOMPARE(answerer->boxes.size(), 1);
    QCOMPARE(ScriptedSdk::callsOf(Fn::InitializeSDK).size(), size_t(1));
    QCOMPARE(idEdit->text(), kIdText);
    QCOMPARE(connectBtn->text(), QStringLiteral("Disconnect"));
    QVERIFY(saveBtn->isEnabled());
    QVERIFY(pathEdit->isEnabled());
}

void BrindelTest::editGuards_data()
{
    QTest::addColumn<int>("stage");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("shown"); // "id" and "path" stand for the held ID and saved path

    QTest::newRow("ID field at start-up") << int(StartUp) << QString("IDsequen") << QString();
    QTest::newRow("ID field while connected")
        << int(Connected) << QString("IDsequen") << QString("id");
    QTest::newRow("ID field after disconnect")
        << int(Disconnected) << QString("IDsequen") << QString("id");
    QTest::newRow("path field before a save")
        << int(Connected) << QString("filePathLine") << QString();
    QTest::newRow("path field after a save")
        << int(SavedOnce) << QString("filePathLine") << QString("path");
}

void BrindelTest::editGuards()
{
    QFETCH(int, stage);
    QFETCH(QString, field);
    QFETCH(QString, shown);

    const QString path = temp->filePath(QStringLiteral("id.txt"));
    if (stage != StartUp)
        pressConnect();
    if (stage == Disconnected) {
        pressConnect();
        QVERIFY(idEdit->text().isEmpty());
    }
    if (stage == SavedOnce)
        saveTo(path);

    QLineEdit *edit = field == QLatin1String("IDsequen") ? idEdit : pathEdit;
    const QString expected = shown == QLatin1String("id") ? kIdText
        : shown == QLatin1String("path")                  ? path
                                                          : QString();
    QVERIFY(edit->isEnabled());
    edit->setFocus();

    // Every single edit is undone before the next key arrives.
    for (const QChar c : QStringLiteral("9a/")) {
        QTest::keyClick(edit, c.toLatin1());
        QCOMPARE(edit->text(), expected);
    }
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), expected);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(edit->text(), expected);
}

void BrindelTest::languageSwitch_data()
{
    QTest::addColumn<QStringList>(
        "steps"); // "zh", "en": choose a language; "press": connect button
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("connectLabel");
    QTest::addColumn<int>("comboIndex");
    QTest::addColumn<QString>("saveLabel");

    const QString zhTitle = u("萨沃林V1.1.0");
    const QString enTitle = QStringLiteral("SarvolinV1.1.0");
    QTest::newRow("Chinese") << QStringList { "zh" } << zhTitle << u("连接并读取相机ID") << 0
                             << u("保存");
    QTest::newRow("Chinese, English") << QStringList { "zh", "en" } << enTitle
                                      << QString("Connect and Read") << 1 << QString("Save");
    QTest::newRow("connected, Chinese")
        << QStringList { "press", "zh" } << zhTitle << u("断开") << 0 << u("保存");
    QTest::newRow("connected, Chinese, English") << QStringList { "press", "zh", "en" } << enTitle
                                                 << QString("Disconnect") << 1 << QString("Save");
    QTest::newRow("Chinese, connected")
        << QStringList { "zh", "press" } << zhTitle << u("断开") << 0 << u("保存");
    QTest::newRow("Chinese, connected, disconnected")
        << QStringList { "zh", "press", "press" } << zhTitle << u("连接并读取相机ID") << 0
        << u("保存");
    QTest::newRow("Chinese, failed attempt")
        << QStringList { "zh", "fail" } << zhTitle << u("连接并读取相机ID") << 0 << u("保存");
}

void BrindelTest::languageSwitch()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, title);
    QFETCH(QString, connectLabel);
    QFETCH(int, comboIndex);
    QFETCH(QString, saveLabel);

    for (const QString &step : steps) {
        if (step == QLatin1String("zh")) {
            chooseLanguage(Chinese);
        } else if (step == QLatin1String("en")) {
            chooseLanguage(English);
        } else if (step == QLatin1String("press")) {
            pressConnect();
        } else {
            ScriptedSdk::setCameraCount(0);
            pressConnect();
            QCOMPARE(answerer->boxes.size(), 1);
            answerer->clear();
        }
    }
    QCOMPARE(answerer->boxes.size(), 0);
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(connectBtn->text(), connectLabel);
    QCOMPARE(languageBox->currentIndex(), comboIndex);
    QCOMPARE(languageBox->count(), 2);
    QCOMPARE(saveBtn->text(), saveLabel);
}

void BrindelTest::captions_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("points");
    for (int points : { 9, 10, 11 }) {
        QTest::addRow("English, %d pt", points) << int(English) << points;
        QTest::addRow("Chinese, %d pt", points) << int(Chinese) << points;
    }
}

// Every caption, button text and language entry is shown whole, connected or
// not, in the room the style leaves for text; and screen readers find each
// field's caption through its label relation (line edits also take it as their
// name; Qt on Linux names a combo box by its entry).
void BrindelTest::captions()
{
    QFETCH(int, language);
    QFETCH(int, points);

    // window_brindel_dpr2 runs this with QT_SCALE_FACTOR=2.
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    QCOMPARE(window->devicePixelRatioF(), scale.isEmpty() ? 1.0 : scale.toDouble());
    // Widgets with a style sheet keep the font they were built with.
    window.reset();
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), points));
    openWindow();
    chooseLanguage(language);
    QStringList clipped;
    auto check = [&](QWidget *widget, const QString &text, const QRect &room) {
        const int width = QFontMetrics(widget->font()).horizontalAdvance(text);
        if (width > room.width() || !widget->parentWidget()->rect().contains(widget->geometry()))
            clipped << QStringLiteral("%1 \"%2\": %3 px in %4 px")
                           .arg(widget->objectName(), text)
                           .arg(width)
                           .arg(room.width());
    };
    for (const bool connected : { false, true }) {
        if (connected)
            pressConnect();
        QCOMPARE(saveBtn->isEnabled(), connected);
        languageBox->parentWidget()->layout()->activate();
        for (QLabel *label : window->findChildren<QLabel *>())
            check(label, label->text(), label->contentsRect());
        for (QPushButton *button : { connectBtn, saveBtn }) {
            QStyleOptionButton option;
            option.initFrom(button);
            check(button, button->text(),
                  button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button));
        }
        QStyleOptionComboBox option;
        option.initFrom(languageBox);
        // The entry is drawn a pixel in from either side of the edit field.
        const QRect entryRoom = languageBox->style()
                                    ->subControlRect(QStyle::CC_ComboBox, &option,
                                                     QStyle::SC_ComboBoxEditField, languageBox)
                                    .adjusted(1, 0, -1, 0);
        for (int i = 0; i < languageBox->count(); ++i)
            check(languageBox, languageBox->itemText(i), entryRoom);
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));

    const QVector<QPair<QString, QWidget *>> fields { { "label", idEdit },
                                                      { "label_2", pathEdit },
                                                      { "languageLabel", languageBox } };
    for (const auto &field : fields) {
        const QString caption = window->findChild<QLabel *>(field.first)->text();
        QAccessibleInterface *named = QAccessible::queryAccessibleInterface(field.second);
        const auto labels = named->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->text(QAccessible::Name), caption);
        if (field.second != languageBox)
            QCOMPARE(named->text(QAccessible::Name), caption);
    }
}

void BrindelTest::saveWritesExactly_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");

    QTest::newRow("new file") << false << QByteArray();
    QTest::newRow("longer file") << true << QByteArray("99999999999999999999999999\nsecond line\n");
    QTest::newRow("empty file") << true << QByteArray();
}

void BrindelTest::saveWritesExactly()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);

    const QString path = temp->filePath(QStringLiteral("cameraId.txt"));
    if (exists)
        QVERIFY(writeFile(path, before));

    pressConnect();
    saveTo(path);

    QCOMPARE(answerer->fileDialogs.size(), 1);
    QCOMPARE(answerer->fileDialogs.first().title, QStringLiteral("Save File"));
    QCOMPARE(answerer->fileDialogs.first().nameFilters, QStringList { "file (*.txt)" });
    QCOMPARE(answerer->replaceQuestions, exists ? 1 : 0);
    QCOMPARE(answerer->boxes.size(), 1);
    QCOMPARE(answerer->boxes.first().icon, QMessageBox::Information);

    QCOMPARE(contents(path), kId + kLineEnd);
    QCOMPARE(entries(temp->path()), QStringList { "cameraId.txt" });
    QCOMPARE(pathEdit->text(), path);
}

void BrindelTest::saveThroughLinkOrPipe_data()
{
    QTest::addColumn<bool>("pipe");
    QTest::newRow("symbolic link") << false;
    QTest::newRow("named pipe") << true;
}

// The chosen name stays what it was: a link keeps pointing at the file that
// now holds the ID, and a pipe passes the ID to its reader.
void BrindelTest::saveThroughLinkOrPipe()
{
#ifndef Q_OS_UNIX
    QSKIP("symbolic links and named pipes as Unix has them");
#else
    QFETCH(bool, pipe);

    const QString path = temp->filePath(QStringLiteral("chosen"));
    const QString real = temp->filePath(QStringLiteral("real.txt"));
    int reader = -1;
    if (pipe) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        // A reader that never blocks: the save can open the pipe at once,
        // and a save that never wrote reads as an empty pipe.
        reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
    } else {
        QVERIFY(writeFile(real, "an older and longer content\n"));
        QVERIFY(QFile::link(real, path));
    }

    pressConnect();
    saveTo(path);

    QByteArray received;
    if (pipe) {
        char buffer[256];
        ssize_t n;
        while ((n = ::read(reader, buffer, sizeof buffer)) > 0)
            received.append(buffer, int(n));
        ::close(reader);
    }
    QCOMPARE(answerer->boxes.size(), 1);
    QCOMPARE(answerer->boxes.first().icon, QMessageBox::Information);
    QCOMPARE(pathEdit->text(), path);

    struct stat st = {};
    QCOMPARE(::lstat(QFile::encodeName(path).constData(), &st), 0);
    if (pipe) {
        QVERIFY(S_ISFIFO(st.st_mode));
        QCOMPARE(received, kId + kLineEnd);
    } else {
        QVERIFY(S_ISLNK(st.st_mode));
        QCOMPARE(contents(real), kId + kLineEnd);
    }
#endif
}

void BrindelTest::saveFailures_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("missing directory") << QString("missing");
    QTest::newRow("directory is a plain file") << QString("plain");
#ifdef Q_OS_UNIX
    QTest::newRow("full device") << QString("/dev/full");
    QTest::newRow("pipe nobody reads") << QString("pipe");
#endif
}

// One failing save: the dialog, then an error box and no success box.
void BrindelTest::expectSaveFails(const QString &path)
{
    answerer->clear();
    saveTo(path);
    QCOMPARE(answerer->fileDialogs.size(), 1);
    QCOMPARE(answerer->boxes.size(), 1);
    QCOMPARE(answerer->boxes.first().icon, QMessageBox::Critical);
    QCOMPARE(answerer->boxes.first().title, QStringLiteral("Error"));
    QCOMPARE(answerer->boxes.first().text,
             QStringLiteral("Failed to save camera ID. Please try again."));
    QCOMPARE(pathEdit->text(), path);
}

// Nothing is created, and a device stays the device it was.
void BrindelTest::saveFailures()
{
    QFETCH(QString, target);

    const QByteArray plainBytes = "not a directory\n";
    const QString plain = temp->filePath(QStringLiteral("plain"));
    QVERIFY(writeFile(plain, plainBytes));
    pressConnect();

    if (target == QLatin1String("missing")) {
        expectSaveFails(temp->filePath(QStringLiteral("missing/id.txt")));
    } else if (target == QLatin1String("plain")) {
        expectSaveFails(plain + QStringLiteral("/id.txt"));
#ifdef Q_OS_UNIX
    } else if (target == QLatin1String("pipe")) {
        // Waiting for a reader would hang the window: the save fails instead.
        const QString pipe = temp->filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        expectSaveFails(pipe);
        QVERIFY(QFile::remove(pipe));
    } else {
        dev_t device = 0;
        if (!isCharacterDevice("/dev/full", &device))
            QSKIP("/dev/full is not a character device here");
        // A save that replaced device nodes would replace /dev/full itself, so
        // a node of our own with the same device numbers goes first.
        const QString node = temp->filePath(QStringLiteral("full"));
        if (::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600, device) != 0)
            QSKIP("cannot make a device node to try first");
        expectSaveFails(node);
        if (QTest::currentTestFailed())
            return;
        dev_t nodeAfter = 0;
        QVERIFY2(isCharacterDevice(QFile::encodeName(node).constData(), &nodeAfter),
                 "the save replaced a device node; /dev/full was not tried");
        QCOMPARE(nodeAfter, device);
        QVERIFY(QFile::remove(node));

        expectSaveFails(target);
        if (QTest::currentTestFailed())
            return;
        const QFileInfo info(target);
        QVERIFY(info.exists());
        QVERIFY(!info.isFile());
        dev_t after = 0;
        QVERIFY(isCharacterDevice("/dev/full", &after));
        QCOMPARE(after, device);
#endif
    }
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(entries(temp->path()), QStringList { "plain" });
    QCOMPARE(contents(plain), plainBytes);
}

void BrindelTest::cancelledDialogKeepsPath()
{
    const QString path = temp->filePath(QStringLiteral("id.txt"));
    pressConnect();
    saveTo(path);
    QCOMPARE(answerer->boxes.size(), 1);
    answerer->clear();

    saveTo(QString());
    QCOMPARE(answerer->fileDialogs.size(), 1);
    QCOMPARE(answerer->boxes.size(), 0);
    QCOMPARE(pathEdit->text(), path);
    QCOMPARE(contents(path), kId + kLineEnd);
}

void BrindelTest::closingWhileConnectedEndsSession()
{
    pressConnect();
    QCOMPARE(idEdit->text(), kIdText);
    QVERIFY(ScriptedSdk::aliveReferences() > 0);
    ScriptedSdk::clearLog();

    window->close();
    QVERIFY(!window->isVisible());
    window.reset();

    const auto closes = ScriptedSdk::callsOf(Fn::CloseSession);
    QCOMPARE(closes.size(), size_t(1));
    QCOMPARE(closes.front().result, EDS_ERR_OK);
    QVERIFY(!ScriptedSdk::callsOf(Fn::TerminateSDK).empty());
    QVERIFY(!ScriptedSdk::initialized());
    QCOMPARE(ScriptedSdk::aliveReferences(), 0);
    QCOMPARE(ScriptedSdk::violations(), QStringList());
}

QTEST_MAIN(BrindelTest)
#include "tst_brindel.moc"
