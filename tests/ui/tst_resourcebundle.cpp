#include <QDir>
#include <QFile>
#include <QImage>
#include <QResource>
#include <QtEndian>
#include <QtTest>

#include <algorithm>

namespace {

const QStringList bundlePaths { ":/brindel_zh.qm", ":/brindel_en.qm", ":/carema_icon_normal.png",
                                ":/icon.png" };

// Filled in by main before any Qt object exists.
QStringList unresolvedAtStart;

} // namespace

class TstResourceBundle : public QObject
{
    Q_OBJECT

private slots:
    void registeredBeforeMain();
    void rootHoldsTheFourFiles();
    void entries_data();
    void entries();
    void icons_data();
    void icons();
};

void TstResourceBundle::registeredBeforeMain()
{
    QCOMPARE(unresolvedAtStart, QStringList());
}

void TstResourceBundle::rootHoldsTheFourFiles()
{
    QStringList expected = bundlePaths;
    for (QString &path : expected)
        path.remove(0, 2);
    expected.sort();
    QCOMPARE(QDir(QStringLiteral(":/")).entryList(QDir::Files, QDir::Name), expected);
}

void TstResourceBundle::entries_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &path : bundlePaths)
        QTest::newRow(qPrintable(path)) << path;
}

void TstResourceBundle::entries()
{
    QFETCH(QString, path);
    const QResource resource(path);
    QVERIFY(resource.isValid());
    QVERIFY(resource.size() > 0);
    QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
    // Only format version 2 records modification times.
    QVERIFY(resource.lastModified().isValid());
    QVERIFY(resource.lastModified() > QDateTime::fromSecsSinceEpoch(0));
}

void TstResourceBundle::icons_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("window icon") << ":/carema_icon_normal.png" << QSize(19, 16);
    QTest::newRow("large icon") << ":/icon.png" << QSize(36, 30);
}

void TstResourceBundle::icons()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray png = file.readAll();
    QVERIFY(png.startsWith("\x89PNG\r\n\x1a\n"));
    QCOMPARE(png.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(int(qFromBigEndian<quint32>(png.constData() + 16)), size.width());
    QCOMPARE(int(qFromBigEndian<quint32>(png.constData() + 20)), size.height());
    QCOMPARE(int(png.at(24)), 8); // bits per channel
    QCOMPARE(int(png.at(25)), 6); // colour type: RGBA

    const QImage image(path);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    QCOMPARE(image.depth(), 32);
    QVERIFY(image.hasAlphaChannel());
    // A glyph: opaque somewhere, transparent in the corners.
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) == 255;
    }
    QVERIFY(opaque > image.width() * image.height() / 4);
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
}

int main(int argc, char *argv[])
{
    // The bundle must be usable from main's first line, registered by static
    // initialisation alone.
    for (const QString &path : bundlePaths) {
        if (!QFile::exists(path) || !QResource(path).isValid())
            unresolvedAtStart << path;
    }

    QCoreApplication app(argc, argv);
    TstResourceBundle test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resourcebundle.moc"
