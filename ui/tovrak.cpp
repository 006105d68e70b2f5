#include "ui/tovrak.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

const char *const fieldStyle = "background-color: rgb(224, 227, 239);";
const int rowHeight = 30;
// Leaves the caption column room for "Camera ID:" at 11 pt.
const int fieldWidth = 172;

} // namespace

// Widgets are created in the keyboard focus order; do not reorder.
void Ui_Tovrak::setupUi(QMainWindow *window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QString::fromUtf8("Tovrak"));
    window->resize(461, 180);
    window->setMinimumSize(QSize(420, 180));
    window->setMaximumSize(QSize(500, 146754));

    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QString::fromUtf8("centralWidget"));

    layoutWidget = new QWidget(centralWidget);
    layoutWidget->setObjectName(QString::fromUtf8("layoutWidget"));
    layoutWidget->setGeometry(QRect(21, 35, 419, 106));

    gridLayout = new QGridLayout(layoutWidget);
    gridLayout->setSpacing(6);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setObjectName(QString::fromUtf8("gridLayout"));

    label_2 = new QLabel(layoutWidget);
    label_2->setObjectName(QString::fromUtf8("label_2"));
    label_2->setMinimumSize(QSize(55, rowHeight));
    label_2->setMaximumSize(QSize(QWIDGETSIZE_MAX, rowHeight));
    gridLayout->addWidget(label_2, 1, 0, 1, 1);

    IDsequen = new QLineEdit(layoutWidget);
    IDsequen->setObjectName(QString::fromUtf8("IDsequen"));
    IDsequen->setMinimumSize(QSize(fieldWidth, rowHeight));
    IDsequen->setMaximumSize(QSize(QWIDGETSIZE_MAX, rowHeight));
    IDsequen->setStyleSheet(QString::fromUtf8(fieldStyle));
    gridLayout->addWidget(IDsequen, 0, 1, 1, 1);

    filePathLine = new QLineEdit(layoutWidget);
    filePathLine->setObjectName(QString::fromUtf8("filePathLine"));
    filePathLine->setMinimumSize(QSize(fieldWidth, rowHeight));
    filePathLine->setMaximumSize(QSize(QWIDGETSIZE_MAX, rowHeight));
    filePathLine->setStyleSheet(QString::fromUtf8(fieldStyle));
    gridLayout->addWidget(filePathLine, 1, 1, 1, 1);

    connectBtn = new QPushButton(layoutWidget);
    connectBtn->setObjectName(QString::fromUtf8("connectBtn"));
    connectBtn->setMinimumSize(QSize(150, rowHeight));
    connectBtn->setMaximumSize(QSize(QWIDGETSIZE_MAX, rowHeight));
    gridLayout->addWidget(connectBtn, 0, 2, 1, 1);

    languageLabel = new QLabel(layoutWidget);
    languageLabel->setObjectName(QString::fromUtf8("languageLabel"));
    languageLabel->setMinimumSize(QSize(55, rowHeight));
    gridLayout->addWidget(languageLabel, 2, 0, 1, 1);

    saveBtn = new QPushButton(layoutWidget);
    saveBtn->setObjectName(QString::fromUtf8("saveBtn"));
    saveBtn->setMinimumSize(QSize(0, rowHeight));
    saveBtn->setMaximumSize(QSize(QWIDGETSIZE_MAX, rowHeight));
    gridLayout->addWidget(saveBtn, 1, 2, 1, 1);

    horizontalLayout = new QHBoxLayout();
    horizontalLayout->setSpacing(6);
    horizontalLayout->setObjectName(QString::fromUtf8("horizontalLayout"));

    LanguageCmbBx = new QComboBox(layoutWidget);
    LanguageCmbBx->setObjectName(QString::fromUtf8("LanguageCmbBx"));
    LanguageCmbBx->setMinimumSize(QSize(0, rowHeight));
    horizontalLayout->addWidget(LanguageCmbBx);
    gridLayout->addLayout(horizontalLayout, 2, 1, 1, 1);

    label = new QLabel(layoutWidget);
    label->setObjectName(QString::fromUtf8("label"));
    label->setMinimumSize(QSize(55, rowHeight));
    label->setMaximumSize(QSize(QWIDGETSIZE_MAX, rowHeight));
    gridLayout->addWidget(label, 0, 0, 1, 1);

    window->setCentralWidget(centralWidget);

    retranslateUi(window);

    QMetaObject::connectSlotsByName(window);
}

// The source texts are lookup keys: their full-width punctuation must stay.
void Ui_Tovrak::retranslateUi(QMainWindow *window)
{
    window->setWindowTitle(QCoreApplication::translate("Tovrak", "Brindel", nullptr));
    label_2->setText(QCoreApplication::translate("Tovrak", "路径：", nullptr));
    connectBtn->setText(QCoreApplication::translate("Tovrak", "连接并读取相机ID", nullptr));
    languageLabel->setText(QCoreApplication::translate("Tovrak", "语言：", nullptr));
    saveBtn->setText(QCoreApplication::translate("Tovrak", "保存", nullptr));
    // Refilling programmatically emits currentIndexChanged but never activated,
    // so the window's language switch does not fire from here.
    LanguageCmbBx->clear();
    LanguageCmbBx->insertItems(
        0,
        QStringList() << QCoreApplication::translate("Tovrak", "中文（zh-cn）", nullptr)
                      << QCoreApplication::translate("Tovrak", "English（en）", nullptr));
    label->setText(QCoreApplication::translate("Tovrak", "相机ID：", nullptr));
}
