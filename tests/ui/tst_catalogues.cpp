#include <QFile>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QSet>
#include <QTextLayout>
#include <QTranslator>
#include <QtEndian>
#include <QtTest>

#include <iterator>
#include <memory>

namespace {

struct Message {
    const char *context;
    const char *source;
    const char *chinese; // nullptr: present without a translation
    const char *english;
};

const Message catalogue[] = {
    { "Tovrak", "English（en）", "English(en)", "English(en)" },
    { "Tovrak", "Brindel", "萨沃林", "Sarvolin" },
    { "Tovrak", "中文（zh-cn）", "中文（zh-cn）", "中文（zh-cn）" },
    { "Tovrak", "保存", "保存", "Save" },
    { "Tovrak", "相机ID：", "相机ID:", "Camera ID:" },
    { "Tovrak", "语言：", "语言：", "Language:" },
    { "Tovrak", "路径：", "路径：", "Path:" },
    { "Tovrak", "连接并读取相机ID", "连接并读取相机ID", "Connect and Read" },
    { "Brindel", "file (*.txt)", nullptr, nullptr },
    { "Brindel", "保存文件", "保存文件", "Save File" },
    { "Brindel", "保存相机ID失败！请重新尝试！", "保存相机ID失败！请重新尝试！",
      "Failed to save camera ID. Please try again." },
    { "Brindel", "保存相机ID成功！", "保存相机ID成功！", "Camera ID saved successfully." },
    { "Brindel", "成功", "成功", "Successful" },
    { "Brindel", "断开", "断开", "Disconnect" },
    { "Brindel", "未检测到相机！请检查相机与电脑的连接状态！",
      "未检测到相机！请检查相机与电脑的连接状态！",
      "Camera not detected. Please check the connection between camera and computer." },
    { "Brindel", "未连接相机！请检查相机与电脑的连接状态！",
      "未连接相机！请检查相机与电脑的连接状态！",
      "Camera not connected. Please check the connection between camera and computer." },
    { "Brindel", "萨沃林", "萨沃林", "Sarvolin" },
    { "Brindel", "警告", "警告", "Warning" },
    { "Brindel", "读取相机ID失败！请重新尝试！", "读取相机ID失败！请重新尝试！",
      "Failed to read camera ID. Please try again." },
    { "Brindel", "连接并读取相机ID", "连接并读取相机ID", "Connect and Read" },
    { "Brindel", "连接相机失败！请重新尝试!", "连接相机失败！请重新尝试!",
      "Camera connection failed. Please try again." },
    { "Brindel", "错误", "错误", "Error" },
};

// Keys that must find nothing: the versioned titles, ASCII look-alikes of
// full-width keys, and a text asked for in the wrong context.
const Message absent[] = {
    { "Brindel", "萨沃林V1.1.0", nullptr, nullptr },
    { "Brindel", "SarvolinV1.1.0", nullptr, nullptr },
    { "Tovrak", "相机ID:", nullptr, nullptr },
    { "Tovrak", "English(en)", nullptr, nullptr },
    { "Brindel", "连接相机失败！请重新尝试！", nullptr, nullptr },
    { "Brindel", "保存", nullptr, nullptr },
    { "Tovrak", "file (*.txt)", nullptr, nullptr },
};

// What a compiled catalogue holds, read from its bytes: QTranslator cannot tell
// a message with a null translation from a missing one.
struct QmMessage {
    QByteArray context;
    QByteArray source;
    QByteArray comment;
    QStringList translations; // a null entry is a null translation
};

struct QmFile {
    bool valid = false;
    QByteArray language;
    bool hasNumerusRules = false;
    QByteArray numerusRules;
    QVector<QmMessage> messages;
};

quint32 readBigEndian32(const QByteArray &data, int at)
{
    return qFromBigEndian<quint32>(data.constData() + at);
}

bool readMessages(const QByteArray &data, QVector<QmMessage> *messages)
{
    enum Tag { End = 1, Translation = 3, SourceText = 6, Context = 7, Comment = 8 };
    QmMessage message;
    int pos = 0;
    while (pos < data.size()) {
        const uchar tag = uchar(data.at(pos++));
        if (tag == End) {
            messages->append(message);
            message = QmMessage();
            continue;
        }
        if (pos + 4 > data.size())
            return false;
        const quint32 length = readBigEndian32(data, pos);
        pos += 4;
        if (tag == Translation && length == 0xffffffffu) {
            message.translations << QString();
            continue;
        }
        if (length > quint32(data.size() - pos))
            return false;
        const QByteArray bytes = data.mid(pos, int(length));
        pos += int(length);
        switch (tag) {
        case Translation: {
            QString text;
            for (int i = 0; i + 1 < bytes.size(); i += 2)
                text += QChar(ushort((uchar(bytes.at(i)) << 8) | uchar(bytes.at(i + 1))));
            message.translations << text;
            break;
        }
        case SourceText:
            message.source = bytes;
            break;
        case Context:
            message.context = bytes;
            break;
        case Comment:
            message.comment = bytes;
            break;
        default:
            return false;
        }
    }
    return true;
}

QmFile readQm(const QByteArray &data)
{
    enum Section { Hashes = 0x42, Messages = 0x69, NumerusRules = 0x88, Language = 0xa7 };
    static const char magic[16]
        = { '\x3c', '\xb8', '\x64', '\x18', '\xca', '\xef', '\x9c', '\x95',
            '\xcd', '\x21', '\x1c', '\xbf', '\x60', '\xa1', '\xbd', '\xdd' };
    QmFile qm;
    if (!data.startsWith(QByteArray::fromRawData(magic, sizeof magic)))
        return qm;
    int pos = sizeof magic;
    while (pos + 5 <= data.size()) {
        const uchar tag = uchar(data.at(pos));
        const quint32 length = readBigEndian32(data, pos + 1);
        pos += 5;
        if (length > quint32(data.size() - pos))
            return qm;
        const QByteArray body = data.mid(pos, int(length));
        pos += int(length);
        if (tag == Language) {
            qm.language = body;
        } else if (tag == NumerusRules) {
            qm.hasNumerusRules = true;
            qm.numerusRules = body;
        } else if (tag == Messages) {
            if (!readMessages(body, &qm.messages))
                return qm;
        } else if (tag != Hashes) {
            return qm;
        }
    }
    qm.valid = pos == data.size();
    return qm;
}

QString expectedRendering(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

class TstCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data();
    void lookup();
    void contents_data();
    void contents();
    void chineseHasGlyphs();
};

void TstCatalogues::lookup_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("expected"); // null: no translation

    for (const bool chinese : { true, false }) {
        const QString path = chinese ? ":/brindel_zh.qm" : ":/brindel_en.qm";
        for (const Message &m : catalogue) {
            QTest::addRow("%s %s %s", chinese ? "zh" : "en", m.context, m.source)
                << path << QByteArray(m.context) << QByteArray(m.source)
                << expectedRendering(chinese ? m.chinese : m.english);
        }
        for (const Message &m : absent) {
            QTest::addRow("%s absent %s %s", chinese ? "zh" : "en", m.context, m.source)
                << path << QByteArray(m.context) << QByteArray(m.source) << QString();
        }
    }
}

void TstCatalogues::lookup()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);
    QFETCH(QString, expected);

    auto translator = std::make_unique<QTranslator>();
    QVERIFY(translator->load(path));
    const QString found = translator->translate(context.constData(), source.constData());
    QCOMPARE(found.isNull(), expected.isNull());
    QCOMPARE(found, expected);

    // Installed, a text without translation shows as its source.
    QVERIFY(QCoreApplication::installTranslator(translator.get()));
    QCOMPARE(QCoreApplication::translate(context.constData(), source.constData()),
             expected.isNull() ? QString::fromUtf8(source) : expected);
}

void TstCatalogues::contents_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("zh") << ":/brindel_zh.qm" << true;
    QTest::newRow("en") << ":/brindel_en.qm" << false;
}

void TstCatalogues::contents()
{
    QFETCH(QString, path);
    QFETCH(bool, chinese);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QmFile qm = readQm(file.readAll());
    QVERIFY(qm.valid);

    QTranslator translator;
    QVERIFY(translator.load(path));
    QCOMPARE(QString::fromUtf8(qm.language),
             chinese ? QStringLiteral("zh_CN") : QStringLiteral("en"));
    QCOMPARE(translator.language(), QString::fromUtf8(qm.language));
    // English: form 0 when n == 1, else form 1. Chinese has a single form, so no rule at all.
    QCOMPARE(qm.hasNumerusRules, !chinese);
    if (!chinese)
        QCOMPARE(qm.numerusRules, QByteArray("\x01\x01", 2));

    QSet<QPair<QByteArray, QByteArray>> expected;
    for (const Message &m : catalogue)
        expected.insert({ m.context, m.source });
    QSet<QPair<QByteArray, QByteArray>> held;
    for (const QmMessage &m : qm.messages) {
        held.insert({ m.context, m.source });
        QVERIFY2(m.comment.isEmpty(), m.source.constData());
        QCOMPARE(m.translations.size(), 1); // no plural forms
        QCOMPARE(m.translations.first().isNull(), m.source == "file (*.txt)");
    }
    QCOMPARE(qm.messages.size(), int(std::size(catalogue)));
    QCOMPARE(held, expected);
}

// Every character of the Chinese texts the window can show draws with a real
// glyph, from the application's font or a fallback the toolkit finds for it:
// without one the user sees empty boxes.
void TstCatalogues::chineseHasGlyphs()
{
    QString texts;
    for (const Message &m : catalogue)
        texts += QString::fromUtf8(m.source) + QString::fromUtf8(m.chinese);
    for (const Message &m : absent)
        texts += QString::fromUtf8(m.source);

    QSet<uint> seen;
    QString missing;
    for (const uint code : texts.toUcs4()) {
        const QString character = QString::fromUcs4(&code, 1);
        QTextLayout layout(character, QGuiApplication::font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const auto runs = layout.glyphRuns();
        // Glyph 0 is a font's "missing" box; a font without a character map
        // is the toolkit's own box drawer, used when it finds no font at all.
        const bool drawn = !runs.isEmpty() && runs[0].glyphIndexes() != QVector<quint32> { 0 }
            && !runs[0].rawFont().fontTable("cmap").isEmpty();
        if (code != ' ' && !seen.contains(code) && !drawn)
            missing += character;
        seen.insert(code);
    }
    QVERIFY(seen.size() > 50);
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("no font the toolkit finds draws: ") + missing));
}

QTEST_MAIN(TstCatalogues)
#include "tst_catalogues.moc"
