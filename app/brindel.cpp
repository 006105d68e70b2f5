#include "app/brindel.h"

#include "camera/cameracannon.h"

#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QTextStream>
#include <QTranslator>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

// Our icon is a PNG; naming the format keeps the reader from loading every
// image plugin on the machine just to ask whether it wants the file.
static QIcon pngIcon(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QIcon(QPixmap::fromImage(reader.read()));
}

Brindel::Brindel(QWidget *parent)
    : QMainWindow(parent)
{
    Qt::WindowFlags flags = windowFlags();
    flags &= ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);

    setIconSize(QSize(32, 30));
    setWindowIcon(pngIcon(QStringLiteral(":/carema_icon_normal.png")));

    ui.setupUi(this);
    setFixedSize(460, 180);
    // Screen readers announce each field by its caption, in the current language.
    ui.label->setBuddy(ui.IDsequen);
    ui.label_2->setBuddy(ui.filePathLine);
    ui.languageLabel->setBuddy(ui.LanguageCmbBx);

    translator = new QTranslator(this);
    camera = new CameraCannon;

    slot_switchLanguage(1);

    connect(ui.saveBtn, &QPushButton::clicked, this, &Brindel::slot_save);
    connect(ui.IDsequen, &QLineEdit::textEdited, this, &Brindel::slot_dealIdLineEdit);
    connect(ui.filePathLine, &QLineEdit::textEdited, this, &Brindel::slot_dealFilepathLineEdit);
    connect(ui.connectBtn, &QAbstractButton::clicked, this, &Brindel::slot_connect);
    const bool languageConnected = connect(ui.LanguageCmbBx, qOverload<int>(&QComboBox::activated),
                                           this, &Brindel::slot_switchLanguage);
    qDebug() << "language selector connected:" << languageConnected;

    ui.saveBtn->setEnabled(false);
    ui.filePathLine->setEnabled(false);
}

Brindel::~Brindel()
{
    if (camera) {
        delete camera;
        camera = nullptr;
    }
}

void Brindel::slot_save()
{
    if (!camera->isConnected()) {
        QMessageBox::warning(this, tr("警告"), tr("未连接相机！请检查相机与电脑的连接状态！"),
                             QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }
    if (bodyId.isNull())
        return;

    filePath = QFileDialog::getSaveFileName(this, tr("保存文件"), QStringLiteral("/cameraId"),
                                            tr("file (*.txt)"), nullptr, QFileDialog::Options());
    if (filePath.isEmpty())
        return;

    ui.filePathLine->setText(filePath);

    if (writeIdFile(filePath, bodyId)) {
        QMessageBox::information(this, tr("成功"), tr("保存相机ID成功！"), QMessageBox::Ok,
                                 QMessageBox::NoButton);
    } else {
        QMessageBox::critical(this, tr("错误"), tr("保存相机ID失败！请重新尝试！"), QMessageBox::Ok,
                              QMessageBox::NoButton);
    }
}

#ifdef Q_OS_UNIX
// Opening a pipe that nobody reads would block the window for good, so the
// open must not wait; once open, writes block as usual.
static bool openInPlace(QFile &file, const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0
        || !file.open(fd, QIODevice::WriteOnly | QIODevice::Text, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}
#else
static bool openInPlace(QFile &file, const QString &path)
{
    file.setFileName(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}
#endif

bool Brindel::streamId(QIODevice &device, const QString &id)
{
    QTextStream out(&device);
    out.setCodec("UTF-8");
    out << id << Qt::endl;
    return out.status() == QTextStream::Ok;
}

// Leaves the file holding exactly the ID and one line end, or reports failure.
bool Brindel::writeIdFile(const QString &path, const QString &id)
{
    const QFileInfo info(path);

    // A device or pipe is written in place: a save-and-rename would replace
    // the node itself with a regular file.
    if (info.exists() && !info.isFile()) {
        QFile file;
        if (!openInPlace(file, path))
            return false;
        const bool written = streamId(file, id) && file.flush();
        file.close();
        return written && file.error() == QFileDevice::NoError;
    }

    QSaveFile file(path);
    // Where no temporary file can be made next to the target, write it directly.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    if (!streamId(file, id))
        return false; // an uncommitted save file leaves the target as it was
    return file.commit();
}

void Brindel::slot_connect()
{
    connectToggled = !connectToggled;

    if (!connectToggled) {
        resetConnection();
        return;
    }

    // Real cameras can take seconds to answer.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ConnectOutcome outcome = connectAndRead();
    if (outcome != ConnectOutcome::Connected) {
        // Let the camera go before the box waits for the user: a claimed
        // device is useless to every other program meanwhile. The attempt ends
        // disconnected, so the next press connects again.
        connectToggled = false;
        resetConnection();
    }
    QApplication::restoreOverrideCursor();

    switch (outcome) {
    case ConnectOutcome::Connected:
        ui.IDsequen->setText(bodyId);
        ui.saveBtn->setEnabled(true);
        ui.filePathLine->setEnabled(true);
        ui.connectBtn->setText(tr("断开"));
        return;
    case ConnectOutcome::InitFailed:
    case ConnectOutcome::PrepareFailed:
        QMessageBox::critical(this, tr("错误"), tr("连接相机失败！请重新尝试!"), QMessageBox::Ok,
                              QMessageBox::NoButton);
        break;
    case ConnectOutcome::NoCamera:
        QMessageBox::critical(this, tr("错误"), tr("未检测到相机！请检查相机与电脑的连接状态！"),
                              QMessageBox::Ok, QMessageBox::NoButton);
        break;
    case ConnectOutcome::ReadFailed:
        QMessageBox::critical(this, tr("错误"), tr("读取相机ID失败！请重新尝试！"), QMessageBox::Ok,
                              QMessageBox::NoButton);
        break;
    }
}

Brindel::ConnectOutcome Brindel::connectAndRead()
{
    int cameraCount = 0;
    if (!camera->initSdk())
        return ConnectOutcome::InitFailed;
    if (!camera->openFirstCamera(cameraCount) || cameraCount == 0)
        return ConnectOutcome::NoCamera;
    if (camera->prepareCamera(0) != 0)
        return ConnectOutcome::PrepareFailed;

    bodyId = QString(QLatin1String(""));
    if (!camera->readBodyId(bodyId) || bodyId.isEmpty())
        return ConnectOutcome::ReadFailed;
    return ConnectOutcome::Connected;
}

void Brindel::resetConnection()
{
    camera->disconnectCamera();
    ui.connectBtn->setText(tr("连接并读取相机ID"));
    ui.IDsequen->setText(QString());
    ui.filePathLine->setText(QString());
    ui.saveBtn->setEnabled(false);
    ui.filePathLine->setEnabled(false);
}

// A catalogue that does not load changes nothing.
bool Brindel::installCatalogue(const QString &path)
{
    if (!translator->load(path))
        return false;
    // Re-installing moves the translator to the front without piling up
    // copies of it in the application's list.
    QCoreApplication::removeTranslator(translator);
    QCoreApplication::installTranslator(translator);
    ui.retranslateUi(this);
    return true;
}

void Brindel::slot_switchLanguage(int index)
{
    if (index == 0) {
        if (!installCatalogue(QStringLiteral(":/brindel_zh.qm")))
            return;
        setWindowTitle(tr("萨沃林V1.1.0"));
        ui.connectBtn->setText(camera->isConnected() ? QStringLiteral("断开")
                                                     : QStringLiteral("连接并读取相机ID"));
    } else if (index == 1) {
        if (installCatalogue(QStringLiteral(":/brindel_en.qm"))) {
            ui.LanguageCmbBx->setCurrentIndex(1);
            setWindowTitle(tr("SarvolinV1.1.0"));
        }
        ui.connectBtn->setText(camera->isConnected() ? QStringLiteral("Disconnect")
                                                     : QStringLiteral("Connect and Read"));
    }
}

void Brindel::slot_dealIdLineEdit(const QString &text)
{
    Q_UNUSED(text)
    ui.IDsequen->setText(bodyId);
}

void Brindel::slot_dealFilepathLineEdit(const QString &text)
{
    Q_UNUSED(text)
    ui.filePathLine->setText(filePath);
}
