#include "ui/tovrak.h"

#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>
#include <QTranslator>
#ifdef SARVOLIN_HAVE_UITOOLS
#include <QUiLoader>
#endif
#include <QtTest>

#include <memory>

namespace {

const QString fieldStyle = QStringLiteral("background-color: rgb(224, 227, 239);");
const int anyWidth = QWIDGETSIZE_MAX;

// The form's members in declaration order.
QVector<QPair<QString, QObject *>> members(const Ui_Tovrak &ui)
{
    return { { "centralWidget", ui.centralWidget },
             { "layoutWidget", ui.layoutWidget },
             { "gridLayout", ui.gridLayout },
             { "label_2", ui.label_2 },
             { "IDsequen", ui.IDsequen },
             { "filePathLine", ui.filePathLine },
             { "connectBtn", ui.connectBtn },
             { "languageLabel", ui.languageLabel },
             { "saveBtn", ui.saveBtn },
             { "horizontalLayout", ui.horizontalLayout },
             { "LanguageCmbBx", ui.LanguageCmbBx },
             { "label", ui.label } };
}

QStringList names(const QObjectList &objects)
{
    QStringList result;
    for (const QObject *object : objects)
        result << object->objectName();
    return result;
}

#ifdef SARVOLIN_HAVE_UITOOLS
// Everything the form fixes, as lines to compare with the Designer description.
QString sizeText(const QSize &size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

// A line per named widget and layout, with everything the form fixes about it.
QStringList describe(QObject *object)
{
    QStringList lines;
    if (object->objectName().isEmpty() || object->objectName().startsWith(QLatin1String("qt_")))
        return lines; // the toolkit's own parts
    QStringList parts { QString::fromLatin1(object->metaObject()->className()),
                        object->objectName(),
                        object->parent() ? object->parent()->objectName() : QString() };
    if (auto *widget = qobject_cast<QWidget *>(object)) {
        parts << sizeText(widget->minimumSize()) << sizeText(widget->maximumSize())
              << widget->styleSheet() << widget->windowTitle();
        if (!widget->parentWidget()->layout())
            parts << QStringLiteral("at %1,%2 %3")
                         .arg(widget->x())
                         .arg(widget->y())
                         .arg(sizeText(widget->size()));
        if (auto *label = qobject_cast<QLabel *>(widget))
            parts << label->text();
        if (auto *button = qobject_cast<QPushButton *>(widget))
            parts << button->text();
        if (auto *box = qobject_cast<QComboBox *>(widget)) {
            for (int i = 0; i < box->count(); ++i)
                parts << box->itemText(i);
        }
    }
    if (auto *layout = qobject_cast<QLayout *>(object)) {
        parts << QString::number(layout->spacing());
        if (layout->parentWidget() && layout->parentWidget()->layout() == layout) {
            const QMargins m = layout->contentsMargins();
            parts << QStringLiteral("margins %1 %2 %3 %4")
                         .arg(m.left())
                         .arg(m.top())
                         .arg(m.right())
                         .arg(m.bottom());
        }
        if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
            for (int i = 0; i < grid->count(); ++i) {
                int row, column, rowSpan, columnSpan;
                grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
                QLayoutItem *item = grid->itemAt(i);
                const QObject *inside
                    = item->widget() ? static_cast<QObject *>(item->widget()) : item->layout();
                parts << QStringLiteral("%1 %2,%3 %4x%5 %6")
                             .arg(inside->objectName())
                             .arg(row)
                             .arg(column)
                             .arg(rowSpan)
                             .arg(columnSpan)
                             .arg(int(item->alignment()));
            }
        }
    }
    lines << parts.join(QLatin1Char('|'));
    for (QObject *child : object->children())
        lines << describe(child);
    return lines;
}

QStringList describeForm(QMainWindow *window)
{
    const QStringList own { window->objectName(), sizeText(window->size()),
                            sizeText(window->minimumSize()), sizeText(window->maximumSize()),
                            window->windowTitle() };
    return QStringList(own.join(QLatin1Char('|'))) + describe(window->centralWidget());
}
#endif

} // namespace

class TstTovrak : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowSizes();
    void members_data();
    void members();
    void layouts();
    void creationAndFocusOrder();
    void windowName_data();
    void windowName();
    void retranslateRefillsLanguageBox_data();
    void retranslateRefillsLanguageBox();
    void texts_data();
    void texts();
    void matchesDesignerDescription();

private:
    std::unique_ptr<QMainWindow> window;
    Ui_Tovrak ui;
    std::unique_ptr<QTranslator> translator;
};

void TstTovrak::init()
{
    window = std::make_unique<QMainWindow>();
    ui = Ui_Tovrak();
    ui.setupUi(window.get());
}

void TstTovrak::cleanup()
{
    translator.reset(); // a destroyed translator uninstalls itself
    window.reset();
}

void TstTovrak::windowSizes()
{
    QCOMPARE(window->size(), QSize(461, 180));
    QCOMPARE(window->minimumSize(), QSize(420, 180));
    QCOMPARE(window->maximumSize(), QSize(500, 146754));
    QCOMPARE(window->centralWidget(), ui.centralWidget);
    QVERIFY(window->styleSheet().isEmpty());
    QVERIFY(!window->findChild<QMenuBar *>());
    QVERIFY(!window->findChild<QToolBar *>());
    QVERIFY(!window->findChild<QStatusBar *>());
}

void TstTovrak::members_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");
    QTest::addColumn<int>("row"); // grid cell, -1 outside the grid
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("styled");

    const QSize unset(0, 0);
    const QSize unlimited(anyWidth, anyWidth);
    const QSize rowLimit(anyWidth, 30);
    QTest::newRow("centralWidget") << "QWidget"
                                   << "Tovrak" << unset << unlimited << -1 << -1 << false;
    QTest::newRow("layoutWidget") << "QWidget"
                                  << "centralWidget" << unset << unlimited << -1 << -1 << false;
    QTest::newRow("label") << "QLabel"
                           << "layoutWidget" << QSize(55, 30) << rowLimit << 0 << 0 << false;
    QTest::newRow("IDsequen") << "QLineEdit"
                              << "layoutWidget" << QSize(172, 30) << rowLimit << 0 << 1 << true;
    QTest::newRow("connectBtn") << "QPushButton"
                                << "layoutWidget" << QSize(150, 30) << rowLimit << 0 << 2 << false;
    QTest::newRow("label_2") << "QLabel"
                             << "layoutWidget" << QSize(55, 30) << rowLimit << 1 << 0 << false;
    QTest::newRow("filePathLine") << "QLineEdit"
                                  << "layoutWidget" << QSize(172, 30) << rowLimit << 1 << 1 << true;
    QTest::newRow("saveBtn") << "QPushButton"
                             << "layoutWidget" << QSize(0, 30) << rowLimit << 1 << 2 << false;
    QTest::newRow("languageLabel")
        << "QLabel"
        << "layoutWidget" << QSize(55, 30) << unlimited << 2 << 0 << false;
    QTest::newRow("LanguageCmbBx")
        << "QComboBox"
        << "layoutWidget" << QSize(0, 30) << unlimited << -1 << -1 << false;
}

void TstTovrak::members()
{
    QFETCH(QString, className);
    QFETCH(QString, parent);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, styled);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    QWidget *widget = nullptr;
    for (const auto &member : ::members(ui)) {
        if (member.first == name)
            widget = qobject_cast<QWidget *>(member.second);
    }
    QVERIFY(widget);
    QCOMPARE(widget->objectName(), name);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->parent()->objectName(), parent);
    QVERIFY(!widget->isWindow());
    QCOMPARE(widget->minimumSize(), minimum);
    QCOMPARE(widget->maximumSize(), maximum);
    QCOMPARE(widget->styleSheet(), styled ? fieldStyle : QString());
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        QVERIFY(edit->text().isEmpty());
        QVERIFY(!edit->isReadOnly());
    }
    if (qobject_cast<QLabel *>(widget))
        QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
    if (row >= 0) {
        const int index = ui.gridLayout->indexOf(widget);
        QVERIFY(index >= 0);
        int r, c, rowSpan, columnSpan;
        ui.gridLayout->getItemPosition(index, &r, &c, &rowSpan, &columnSpan);
        QCOMPARE(QVector<int>({ r, c, rowSpan, columnSpan }), QVector<int>({ row, column, 1, 1 }));
        QCOMPARE(int(ui.gridLayout->itemAt(index)->alignment()), 0);
    } else {
        QCOMPARE(ui.gridLayout->indexOf(widget), -1);
    }
}

void TstTovrak::layouts()
{
    QCOMPARE(ui.centralWidget->layout(), nullptr);
    QCOMPARE(ui.layoutWidget->geometry(), QRect(21, 35, 419, 106));

    QCOMPARE(ui.layoutWidget->layout(), ui.gridLayout);
    QCOMPARE(ui.gridLayout->objectName(), QStringLiteral("gridLayout"));
    QCOMPARE(ui.gridLayout->horizontalSpacing(), 6);
    QCOMPARE(ui.gridLayout->verticalSpacing(), 6);
    QCOMPARE(ui.gridLayout->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(ui.gridLayout->rowCount(), 3);
    QCOMPARE(ui.gridLayout->columnCount(), 3);
    QCOMPARE(ui.gridLayout->count(), 8);
    QCOMPARE(ui.gridLayout->itemAtPosition(2, 2), nullptr);

    QLayoutItem *languageCell = ui.gridLayout->itemAtPosition(2, 1);
    QVERIFY(languageCell);
    QCOMPARE(languageCell->layout(), ui.horizontalLayout);
    QCOMPARE(ui.horizontalLayout->objectName(), QStringLiteral("horizontalLayout"));
    QCOMPARE(ui.horizontalLayout->parent(), ui.gridLayout);
    QCOMPARE(ui.horizontalLayout->spacing(), 6);
    QCOMPARE(ui.horizontalLayout->count(), 1);
    QCOMPARE(ui.horizontalLayout->itemAt(0)->widget(), ui.LanguageCmbBx);
    QCOMPARE(ui.horizontalLayout->stretch(0), 0);
    QCOMPARE(int(ui.horizontalLayout->itemAt(0)->alignment()), 0);
}

void TstTovrak::creationAndFocusOrder()
{
    QCOMPARE(names(ui.centralWidget->children()), QStringList { "layoutWidget" });
    QCOMPARE(names(ui.layoutWidget->children()),
             QStringList({ "gridLayout", "label_2", "IDsequen", "filePathLine", "connectBtn",
                           "languageLabel", "saveBtn", "LanguageCmbBx", "label" }));

    QStringList memberNames;
    for (const auto &member : ::members(ui)) {
        QCOMPARE(member.second->objectName(), member.first);
        memberNames << member.first;
    }
    QStringList tabOrder;
    for (QWidget *w = window->nextInFocusChain(); w != window.get(); w = w->nextInFocusChain()) {
        if (memberNames.contains(w->objectName()) && (w->focusPolicy() & Qt::TabFocus))
            tabOrder << w->objectName();
    }
    QCOMPARE(tabOrder,
             QStringList({ "IDsequen", "filePathLine", "connectBtn", "saveBtn", "LanguageCmbBx" }));
}

void TstTovrak::windowName_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("unnamed") << QString() << "Tovrak";
    QTest::newRow("named") << "Brindel"
                           << "Brindel";
}

void TstTovrak::windowName()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QMainWindow other;
    other.setObjectName(before);
    Ui_Tovrak form;
    form.setupUi(&other);
    QCOMPARE(other.objectName(), after);
}

void TstTovrak::retranslateRefillsLanguageBox_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("calls");
    QTest::newRow("after setupUi") << 0 << 0;
    QTest::newRow("English chosen, once") << 1 << 1;
    QTest::newRow("English chosen, thrice") << 1 << 3;
    QTest::newRow("Chinese chosen, twice") << 0 << 2;
    QTest::newRow("nothing chosen, once") << -1 << 1;
}

void TstTovrak::retranslateRefillsLanguageBox()
{
    QFETCH(int, selected);
    QFETCH(int, calls);
    QComboBox *box = ui.LanguageCmbBx;
    box->setCurrentIndex(selected);
    QSignalSpy activated(box, qOverload<int>(&QComboBox::activated));
    QSignalSpy textActivated(box, &QComboBox::textActivated);

    for (int i = 0; i < calls; ++i)
        ui.retranslateUi(window.get());

    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(0), QStringLiteral("中文（zh-cn）"));
    QCOMPARE(box->itemText(1), QStringLiteral("English（en）"));
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(activated.count(), 0);
    QCOMPARE(textActivated.count(), 0);
}

void TstTovrak::texts_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QStringList>("expected"); // title, label_2, connectBtn, languageLabel,
                                               // saveBtn, both entries, label

    QTest::newRow("no catalogue") << QString()
                                  << QStringList { "Brindel",       "路径：",  "连接并读取相机ID",
                                                   "语言：",        "保存",    "中文（zh-cn）",
                                                   "English（en）", "相机ID：" };
    QTest::newRow("Chinese") << ":/brindel_zh.qm"
                             << QStringList { "萨沃林",      "路径：", "连接并读取相机ID",
                                              "语言：",      "保存",   "中文（zh-cn）",
                                              "English(en)", "相机ID:" };
    QTest::newRow("English") << ":/brindel_en.qm"
                             << QStringList { "Sarvolin",    "Path:",     "Connect and Read",
                                              "Language:",   "Save",      "中文（zh-cn）",
                                              "English(en)", "Camera ID:" };
}

void TstTovrak::texts()
{
    QFETCH(QString, catalogue);
    QFETCH(QStringList, expected);
    if (!catalogue.isEmpty()) {
        translator = std::make_unique<QTranslator>();
        QVERIFY(translator->load(catalogue));
        QVERIFY(QCoreApplication::installTranslator(translator.get()));
        ui.retranslateUi(window.get());
    }
    const QStringList shown {
        window->windowTitle(),         ui.label_2->text(), ui.connectBtn->text(),
        ui.languageLabel->text(),      ui.saveBtn->text(), ui.LanguageCmbBx->itemText(0),
        ui.LanguageCmbBx->itemText(1), ui.label->text()
    };
    QCOMPARE(shown, expected);
    QVERIFY(ui.IDsequen->text().isEmpty());
    QVERIFY(ui.filePathLine->text().isEmpty());
}

// resources/tovrak.ui is the Designer view of this form and must not drift from it.
void TstTovrak::matchesDesignerDescription()
{
#ifndef SARVOLIN_HAVE_UITOOLS
    QSKIP("no Qt form loader in this build");
#else
    QFile file(QStringLiteral(SARVOLIN_FORM_DESCRIPTION));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    QUiLoader loader;
    std::unique_ptr<QWidget> loaded(loader.load(&file));
    QVERIFY2(loaded, qPrintable(loader.errorString()));
    QVERIFY(qobject_cast<QMainWindow *>(loaded.get()));

    const QStringList expected = describeForm(window.get());
    QCOMPARE(expected.size(), 13);
    QCOMPARE(describeForm(static_cast<QMainWindow *>(loaded.get())), expected);
#endif
}

QTEST_MAIN(TstTovrak)
#include "tst_tovrak.moc"
