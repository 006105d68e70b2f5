#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>

// The demo program started where there is no display at all.
class NoDisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void refusesPlainly();
};

void NoDisplayTest::refusesPlainly()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY" })
        env.remove(QString::fromLatin1(name));

    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.start(QStringLiteral(SARVOLIN_DEMO), QStringList());
    QVERIFY2(demo.waitForStarted(), qPrintable(demo.errorString()));
    // A generous bound only against a hang; the program exits at once.
    QVERIFY(demo.waitForFinished(60000));

    const QByteArray err = demo.readAllStandardError();
    QCOMPARE(demo.exitStatus(), QProcess::NormalExit);
    QVERIFY2(demo.exitCode() != 0, err.constData());
    QVERIFY2(err.toLower().contains("display"), err.constData());
}

QTEST_GUILESS_MAIN(NoDisplayTest)
#include "tst_nodisplay.moc"
