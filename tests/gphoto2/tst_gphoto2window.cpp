// The real window over the real libgphoto2 with no camera attached.
#include "app/brindel.h"
#include "camera/edsdk.h"
#include "modalanswerer.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestGphoto2Window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void pressWithoutCameraSaysNotDetected();

private:
    QTemporaryDir dir;
    QString home;
};

// libgphoto2 keeps its settings under HOME; nothing may land there.
void TestGphoto2Window::initTestCase()
{
    QVERIFY(dir.isValid());
    home = dir.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home));
    qputenv("HOME", QFile::encodeName(home));
}

void TestGphoto2Window::cleanupTestCase()
{
    QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

void TestGphoto2Window::pressWithoutCameraSaysNotDetected()
{
    QCOMPARE(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraListRef list = nullptr;
    QCOMPARE(EdsGetCameraList(&list), EDS_ERR_OK);
    EdsUInt32 attached = 0;
    QCOMPARE(EdsGetChildCount(list, &attached), EDS_ERR_OK);
    EdsRelease(list);
    EdsTerminateSDK();
    if (attached != 0)
        QSKIP("a camera is attached to this machine");

    ModalAnswerer answerer;
    Brindel window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *connectBtn = window.findChild<QPushButton *>(QStringLiteral("connectBtn"));
    QVERIFY(connectBtn);

    // The second press tries again rather than only resetting the window.
    for (int press = 1; press <= 2; ++press) {
        QTest::mouseClick(connectBtn, Qt::LeftButton);
        QCOMPARE(answerer.boxes.size(), press);
        const ModalAnswerer::Box &box = answerer.boxes.last();
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.text,
                 QStringLiteral("Camera not detected. Please check the connection "
                                "between camera and computer."));
        QCOMPARE(connectBtn->text(), QStringLiteral("Connect and Read"));
    }
    QVERIFY(answerer.unexpected.isEmpty());
}

QTEST_MAIN(TestGphoto2Window)
#include "tst_gphoto2window.moc"
